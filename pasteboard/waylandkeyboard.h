// A keyboard on a Wayland compositor, for the paste after a shortcut: a virtual keyboard on
// wlroots compositors (Sway, Hyprland, labwc), KWin's fake input on KDE Plasma. It stays for
// the keyboard's whole life: clients lose the first keys of a keyboard that has just appeared.
#pragma once

#include <QString>

#include <cstdint>
#include <memory>
#include <optional>

namespace waylandkeyboard {

/// Modifier keys of a chord, as bits.
inline constexpr unsigned Shift = 1, Ctrl = 2, Alt = 4, Super = 8;

/// A chord such as "ctrl+shift+c": its modifiers and the keysym of its last key.
struct Chord {
    unsigned modifiers = 0;
    uint32_t keysym = 0;
};

/// The chord a text such as "ctrl+v" or "shift+Home" names (key names are xkb's, in any
/// case); nothing for an unknown modifier or key.
std::optional<Chord> parseChord(QStringView chord);

/// How keys can be pressed on a compositor.
enum class Protocol { None, VirtualKeyboard, FakeInput };

/// What a compositor advertises of the globals a keyboard can use.
struct Globals {
    bool seat = false;
    bool virtualKeyboard = false;
    uint32_t fakeInputVersion = 0; ///< 0: not offered
};

/// The protocol open() uses: the virtual keyboard where there is one, else fake input; with
/// None, *missing says what the session lacks.
Protocol choose(const Globals &globals, QString *missing = nullptr);

} // namespace waylandkeyboard

class WaylandKeyboard {
public:
    ~WaylandKeyboard();

    /// A keyboard on the compositor named by WAYLAND_DISPLAY; null with *missing saying what
    /// the session lacks.
    static std::unique_ptr<WaylandKeyboard> open(QString *missing = nullptr);

    /// Which protocol presses the keys.
    waylandkeyboard::Protocol protocol() const;

    /// Presses and releases a chord such as "ctrl+v" or "shift+Home"; false for a key the
    /// keymap lacks or a lost compositor.
    bool sendChord(QStringView chord);
    /// Types text that the keymap can produce, character by character.
    bool type(QStringView text);
    /// Presses (down) or releases all keys of a chord such as "ctrl+Alt_L", as a user holding
    /// a shortcut does.
    bool setKeys(QStringView chord, bool down);
    /// Fake input shares the compositor's modifier state with the real keyboard: releases the
    /// modifier keys there, so that the shortcut's keys the user still holds do not join the
    /// chords that follow. The virtual keyboard's modifiers are its own: nothing to do.
    bool releaseModifiers();

private:
    struct State;
    explicit WaylandKeyboard(std::unique_ptr<State> state);
    bool press(unsigned keycode, unsigned modifiers);

    std::unique_ptr<State> d;
};
