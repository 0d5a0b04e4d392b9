// A virtual keyboard on a wlroots compositor (Sway, Hyprland, labwc), for the paste after a
// shortcut. It stays for the keyboard's whole life: clients lose the first keys of a keyboard
// that has just appeared.
#pragma once

#include <QString>

#include <memory>

class WaylandKeyboard {
public:
    ~WaylandKeyboard();

    /// A keyboard on the compositor named by WAYLAND_DISPLAY, with the default keymap; null
    /// with *missing saying what the session lacks.
    static std::unique_ptr<WaylandKeyboard> open(QString *missing = nullptr);

    /// Presses and releases a chord such as "ctrl+v" or "shift+Home"; false for a key the
    /// keymap lacks or a lost compositor.
    bool sendChord(QStringView chord);
    /// Types text that the keymap can produce, character by character.
    bool type(QStringView text);

private:
    struct State;
    explicit WaylandKeyboard(std::unique_ptr<State> state);
    bool press(unsigned keycode, unsigned modifiers);

    std::unique_ptr<State> d;
};
