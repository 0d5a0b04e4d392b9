#include "waylandkeyboard.h"

#include "virtual-keyboard-unstable-v1-client-protocol.h"

#include <QStringList>

#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <cstring>
#include <ctime>
#include <sys/mman.h>
#include <unistd.h>

namespace {

// Key codes of the keymap are evdev codes moved up by this much.
constexpr unsigned EvdevOffset = 8;

unsigned milliseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return unsigned(now.tv_sec * 1000 + now.tv_nsec / 1000000);
}

} // namespace

struct WaylandKeyboard::State {
    wl_display *display = nullptr;
    wl_seat *seat = nullptr;
    zwp_virtual_keyboard_manager_v1 *manager = nullptr;
    zwp_virtual_keyboard_v1 *keyboard = nullptr;
    xkb_context *context = nullptr;
    xkb_keymap *keymap = nullptr;

    ~State() {
        if (keyboard)
            zwp_virtual_keyboard_v1_destroy(keyboard);
        if (manager)
            zwp_virtual_keyboard_manager_v1_destroy(manager);
        if (seat)
            wl_seat_destroy(seat);
        if (display) {
            wl_display_roundtrip(display);
            wl_display_disconnect(display);
        }
        xkb_keymap_unref(keymap);
        xkb_context_unref(context);
    }

    static void global(void *data, wl_registry *registry, uint32_t name, const char *interface,
                       uint32_t) {
        auto *s = static_cast<State *>(data);
        if (!s->seat && std::strcmp(interface, wl_seat_interface.name) == 0)
            s->seat =
                static_cast<wl_seat *>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
        else if (std::strcmp(interface, zwp_virtual_keyboard_manager_v1_interface.name) == 0)
            s->manager = static_cast<zwp_virtual_keyboard_manager_v1 *>(
                wl_registry_bind(registry, name, &zwp_virtual_keyboard_manager_v1_interface, 1));
    }
    static void globalRemove(void *, wl_registry *, uint32_t) {}

    // The key code and shift level that produce a keysym in the first layout.
    bool find(xkb_keysym_t sym, unsigned *keycode, unsigned *level) const {
        for (xkb_keycode_t code = xkb_keymap_min_keycode(keymap);
             code <= xkb_keymap_max_keycode(keymap); ++code) {
            for (xkb_level_index_t l = 0;
                 l < 2 && l < xkb_keymap_num_levels_for_key(keymap, code, 0); ++l) {
                const xkb_keysym_t *syms = nullptr;
                const int n = xkb_keymap_key_get_syms_by_level(keymap, code, 0, l, &syms);
                if (n == 1 && syms[0] == sym) {
                    *keycode = code;
                    *level = l;
                    return true;
                }
            }
        }
        return false;
    }

    unsigned mask(const char *name) const {
        const xkb_mod_index_t index = xkb_keymap_mod_get_index(keymap, name);
        return index == XKB_MOD_INVALID ? 0 : 1u << index;
    }
};

WaylandKeyboard::WaylandKeyboard(std::unique_ptr<State> state)
    : d(std::move(state)) {
}

WaylandKeyboard::~WaylandKeyboard() = default;

std::unique_ptr<WaylandKeyboard> WaylandKeyboard::open(QString *missing) {
    auto fail = [missing](const char *why) {
        if (missing)
            *missing = QString::fromUtf8(why);
        return nullptr;
    };
    if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return fail("no Wayland session (WAYLAND_DISPLAY is not set)");
    auto s = std::make_unique<State>();
    s->display = wl_display_connect(nullptr);
    if (!s->display)
        return fail("the Wayland compositor cannot be reached");
    static const wl_registry_listener listener{&State::global, &State::globalRemove};
    wl_registry *registry = wl_display_get_registry(s->display);
    wl_registry_add_listener(registry, &listener, s.get());
    wl_display_roundtrip(s->display);
    wl_registry_destroy(registry);
    if (!s->manager || !s->seat)
        return fail("the compositor offers no virtual keyboard");

    s->context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    const xkb_rule_names names{};
    s->keymap = s->context
                    ? xkb_keymap_new_from_names(s->context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS)
                    : nullptr;
    char *text =
        s->keymap ? xkb_keymap_get_as_string(s->keymap, XKB_KEYMAP_FORMAT_TEXT_V1) : nullptr;
    if (!text)
        return fail("no keyboard map could be made (xkeyboard-config)");
    const size_t size = std::strlen(text) + 1;
    const int fd = memfd_create("sumwise-keymap", MFD_CLOEXEC);
    const bool written = fd >= 0 && write(fd, text, size) == ssize_t(size);
    std::free(text);
    if (!written) {
        if (fd >= 0)
            close(fd);
        return fail("no keyboard map could be handed to the compositor");
    }
    s->keyboard = zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(s->manager, s->seat);
    zwp_virtual_keyboard_v1_keymap(s->keyboard, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd, size);
    close(fd);
    if (wl_display_roundtrip(s->display) < 0)
        return fail("the compositor refused a virtual keyboard");
    return std::unique_ptr<WaylandKeyboard>(new WaylandKeyboard(std::move(s)));
}

bool WaylandKeyboard::press(unsigned keycode, unsigned modifiers) {
    zwp_virtual_keyboard_v1 *k = d->keyboard;
    zwp_virtual_keyboard_v1_modifiers(k, modifiers, 0, 0, 0);
    zwp_virtual_keyboard_v1_key(k, milliseconds(), keycode - EvdevOffset,
                                WL_KEYBOARD_KEY_STATE_PRESSED);
    zwp_virtual_keyboard_v1_key(k, milliseconds(), keycode - EvdevOffset,
                                WL_KEYBOARD_KEY_STATE_RELEASED);
    zwp_virtual_keyboard_v1_modifiers(k, 0, 0, 0, 0);
    return wl_display_roundtrip(d->display) >= 0;
}

bool WaylandKeyboard::sendChord(QStringView chord) {
    const QStringList parts = chord.toString().split(u'+');
    unsigned modifiers = 0;
    for (qsizetype i = 0; i + 1 < parts.size(); ++i) {
        const QString name = parts[i].trimmed().toLower();
        const unsigned bit = name == u"ctrl" || name == u"control" ? d->mask(XKB_MOD_NAME_CTRL)
                             : name == u"shift"                    ? d->mask(XKB_MOD_NAME_SHIFT)
                             : name == u"alt"                      ? d->mask(XKB_MOD_NAME_ALT)
                             : name == u"super"                    ? d->mask(XKB_MOD_NAME_LOGO)
                                                                   : 0;
        if (!bit)
            return false;
        modifiers |= bit;
    }
    const xkb_keysym_t sym = xkb_keysym_from_name(parts.last().trimmed().toUtf8().constData(),
                                                  XKB_KEYSYM_CASE_INSENSITIVE);
    unsigned keycode = 0;
    unsigned level = 0;
    if (sym == XKB_KEY_NoSymbol || !d->find(sym, &keycode, &level))
        return false;
    return press(keycode, modifiers | (level ? d->mask(XKB_MOD_NAME_SHIFT) : 0));
}

bool WaylandKeyboard::type(QStringView text) {
    for (const char32_t c : text.toUcs4()) {
        unsigned keycode = 0;
        unsigned level = 0;
        if (!d->find(xkb_utf32_to_keysym(c), &keycode, &level)
            || !press(keycode, level ? d->mask(XKB_MOD_NAME_SHIFT) : 0))
            return false;
    }
    return true;
}
