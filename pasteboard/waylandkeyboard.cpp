#include "waylandkeyboard.h"

#include "waylandconnect.h"

#include "fake-input-client-protocol.h"
#include "virtual-keyboard-unstable-v1-client-protocol.h"

#include <QStringList>

#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <sys/mman.h>
#include <unistd.h>

using namespace waylandkeyboard;

namespace {

// Key codes of the keymap are evdev codes moved up by this much.
constexpr unsigned EvdevOffset = 8;
// Fake input presses keys from this version on.
constexpr uint32_t FakeInputKeys = 4;

unsigned milliseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return unsigned(now.tv_sec * 1000 + now.tv_nsec / 1000000);
}

// Events a listener must have a slot for but the keyboard does not need.
constexpr auto ignore = [](auto...) {};

// The modifiers in the order they go down, with their names in a keymap and their keys.
struct ModifierKey {
    unsigned bit;
    const char *name;
    xkb_keysym_t keysym;
};
constexpr ModifierKey modifierKeys[] = {
    {Ctrl, XKB_MOD_NAME_CTRL, XKB_KEY_Control_L},
    {Shift, XKB_MOD_NAME_SHIFT, XKB_KEY_Shift_L},
    {Alt, XKB_MOD_NAME_ALT, XKB_KEY_Alt_L},
    {Super, XKB_MOD_NAME_LOGO, XKB_KEY_Super_L},
};

} // namespace

std::optional<Chord> waylandkeyboard::parseChord(QStringView chord) {
    const QStringList parts = chord.toString().split(u'+');
    Chord c;
    for (qsizetype i = 0; i + 1 < parts.size(); ++i) {
        const QString name = parts[i].trimmed().toLower();
        const unsigned bit = name == u"ctrl" || name == u"control" ? Ctrl
                             : name == u"shift"                    ? Shift
                             : name == u"alt"                      ? Alt
                             : name == u"super"                    ? Super
                                                                   : 0;
        if (!bit)
            return std::nullopt;
        c.modifiers |= bit;
    }
    const QByteArray key = parts.last().trimmed().toUtf8();
    c.keysym = key.isEmpty() ? XKB_KEY_NoSymbol
                             : xkb_keysym_from_name(key.constData(), XKB_KEYSYM_CASE_INSENSITIVE);
    if (c.keysym == XKB_KEY_NoSymbol)
        return std::nullopt;
    return c;
}

Protocol waylandkeyboard::choose(const Globals &g, QString *missing) {
    if (g.virtualKeyboard && g.seat)
        return Protocol::VirtualKeyboard;
    if (g.fakeInputVersion >= FakeInputKeys)
        return Protocol::FakeInput;
    if (missing) {
        if (g.fakeInputVersion)
            *missing = QStringLiteral("the compositor's fake input (version %1) cannot press "
                                      "keys: version %2 is needed")
                           .arg(g.fakeInputVersion)
                           .arg(FakeInputKeys);
        else if (g.virtualKeyboard)
            *missing = QStringLiteral("the compositor offers a virtual keyboard but no seat");
        else
            *missing = QStringLiteral(
                "the compositor offers no way to press keys: neither a virtual keyboard "
                "(zwp_virtual_keyboard_v1) nor fake input (org_kde_kwin_fake_input, which KWin "
                "grants only to programs whose desktop file lists it)");
    }
    return Protocol::None;
}

struct WaylandKeyboard::State {
    wl_display *display = nullptr;
    wl_seat *seat = nullptr;
    uint32_t seatCapabilities = 0;
    wl_keyboard *seatKeyboard = nullptr;
    zwp_virtual_keyboard_manager_v1 *manager = nullptr;
    zwp_virtual_keyboard_v1 *keyboard = nullptr;
    org_kde_kwin_fake_input *fakeInput = nullptr;
    Globals globals;
    Protocol protocol = Protocol::None;
    xkb_context *context = nullptr;
    xkb_keymap *keymap = nullptr;

    ~State() {
        if (keyboard)
            zwp_virtual_keyboard_v1_destroy(keyboard);
        if (manager)
            zwp_virtual_keyboard_manager_v1_destroy(manager);
        if (fakeInput)
            org_kde_kwin_fake_input_destroy(fakeInput);
        if (seatKeyboard)
            wl_keyboard_destroy(seatKeyboard);
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
                       uint32_t version) {
        auto *s = static_cast<State *>(data);
        if (!s->seat && std::strcmp(interface, wl_seat_interface.name) == 0) {
            static const wl_seat_listener listener{
                [](void *data, wl_seat *, uint32_t capabilities) {
                    static_cast<State *>(data)->seatCapabilities = capabilities;
                },
                ignore};
            s->seat =
                static_cast<wl_seat *>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
            wl_seat_add_listener(s->seat, &listener, s);
            s->globals.seat = true;
        } else if (std::strcmp(interface, zwp_virtual_keyboard_manager_v1_interface.name) == 0) {
            s->manager = static_cast<zwp_virtual_keyboard_manager_v1 *>(
                wl_registry_bind(registry, name, &zwp_virtual_keyboard_manager_v1_interface, 1));
            s->globals.virtualKeyboard = true;
        } else if (std::strcmp(interface, org_kde_kwin_fake_input_interface.name) == 0) {
            s->globals.fakeInputVersion = version;
            if (version >= FakeInputKeys)
                s->fakeInput = static_cast<org_kde_kwin_fake_input *>(wl_registry_bind(
                    registry, name, &org_kde_kwin_fake_input_interface, FakeInputKeys));
        }
    }
    static void globalRemove(void *, wl_registry *, uint32_t) {}

    // Fake input presses the compositor's own keys: their symbols come from the keymap the
    // seat gives its clients.
    static void seatKeymap(void *data, wl_keyboard *, uint32_t format, int32_t fd, uint32_t size) {
        auto *s = static_cast<State *>(data);
        void *text = format == WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1
                         ? mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0)
                         : MAP_FAILED;
        close(fd);
        if (text == MAP_FAILED)
            return;
        xkb_keymap *keymap =
            xkb_keymap_new_from_buffer(s->context, static_cast<const char *>(text),
                                       strnlen(static_cast<const char *>(text), size),
                                       XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS);
        munmap(text, size);
        if (keymap) {
            xkb_keymap_unref(s->keymap);
            s->keymap = keymap;
        }
    }

    bool useSeatKeymap() {
        if (wl_display_roundtrip(display) < 0)
            return false;
        if (seat && (seatCapabilities & WL_SEAT_CAPABILITY_KEYBOARD)) {
            static const wl_keyboard_listener listener{
                &State::seatKeymap, ignore, ignore, ignore, ignore, ignore};
            seatKeyboard = wl_seat_get_keyboard(seat);
            wl_keyboard_add_listener(seatKeyboard, &listener, this);
            if (wl_display_roundtrip(display) < 0)
                return false;
        }
        return true;
    }

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

    unsigned mask(unsigned modifiers) const {
        unsigned m = 0;
        for (const ModifierKey &k : modifierKeys) {
            const xkb_mod_index_t index = xkb_keymap_mod_get_index(keymap, k.name);
            if ((modifiers & k.bit) && index != XKB_MOD_INVALID)
                m |= 1u << index;
        }
        return m;
    }

    void fakeKey(unsigned keycode, bool down) {
        org_kde_kwin_fake_input_keyboard_key(fakeInput, keycode - EvdevOffset,
                                             down ? WL_KEYBOARD_KEY_STATE_PRESSED
                                                  : WL_KEYBOARD_KEY_STATE_RELEASED);
    }
};

WaylandKeyboard::WaylandKeyboard(std::unique_ptr<State> state)
    : d(std::move(state)) {
}

WaylandKeyboard::~WaylandKeyboard() = default;

std::unique_ptr<WaylandKeyboard> WaylandKeyboard::open(QString *missing) {
    auto fail = [missing](const QString &why) {
        if (missing)
            *missing = why;
        return nullptr;
    };
    auto s = std::make_unique<State>();
    s->display = connectToCompositor(missing);
    if (!s->display)
        return nullptr;
    static const wl_registry_listener listener{&State::global, &State::globalRemove};
    wl_registry *registry = wl_display_get_registry(s->display);
    wl_registry_add_listener(registry, &listener, s.get());
    wl_display_roundtrip(s->display);
    wl_registry_destroy(registry);
    QString lacking;
    s->protocol = choose(s->globals, &lacking);
    if (s->protocol == Protocol::None)
        return fail(lacking);

    s->context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    if (!s->context)
        return fail(QStringLiteral("no keyboard map could be made (xkeyboard-config)"));
    if (s->protocol == Protocol::FakeInput) {
        org_kde_kwin_fake_input_authenticate(s->fakeInput, "Sumwise",
                                             "pastes a result in place of the selection");
        if (!s->useSeatKeymap())
            return fail(QStringLiteral("the compositor refused fake input"));
    }
    // The virtual keyboard brings a keymap of its own; fake input without a seat keyboard
    // guesses that the compositor uses the default one too.
    if (!s->keymap) {
        const xkb_rule_names names{};
        s->keymap = xkb_keymap_new_from_names(s->context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
    }
    if (!s->keymap)
        return fail(QStringLiteral("no keyboard map could be made (xkeyboard-config)"));

    if (s->protocol == Protocol::VirtualKeyboard) {
        char *text = xkb_keymap_get_as_string(s->keymap, XKB_KEYMAP_FORMAT_TEXT_V1);
        if (!text)
            return fail(QStringLiteral("no keyboard map could be made (xkeyboard-config)"));
        const size_t size = std::strlen(text) + 1;
        const int fd = memfd_create("sumwise-keymap", MFD_CLOEXEC);
        const bool written = fd >= 0 && write(fd, text, size) == ssize_t(size);
        std::free(text);
        if (!written) {
            if (fd >= 0)
                close(fd);
            return fail(QStringLiteral("no keyboard map could be handed to the compositor"));
        }
        s->keyboard = zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(s->manager, s->seat);
        zwp_virtual_keyboard_v1_keymap(s->keyboard, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd, size);
        close(fd);
    }
    if (wl_display_roundtrip(s->display) < 0)
        return fail(s->protocol == Protocol::VirtualKeyboard
                        ? QStringLiteral("the compositor refused a virtual keyboard")
                        : QStringLiteral("the compositor refused fake input"));
    return std::unique_ptr<WaylandKeyboard>(new WaylandKeyboard(std::move(s)));
}

Protocol WaylandKeyboard::protocol() const {
    return d->protocol;
}

bool WaylandKeyboard::press(unsigned keycode, unsigned modifiers) {
    if (d->protocol == Protocol::VirtualKeyboard) {
        zwp_virtual_keyboard_v1 *k = d->keyboard;
        zwp_virtual_keyboard_v1_modifiers(k, d->mask(modifiers), 0, 0, 0);
        zwp_virtual_keyboard_v1_key(k, milliseconds(), keycode - EvdevOffset,
                                    WL_KEYBOARD_KEY_STATE_PRESSED);
        zwp_virtual_keyboard_v1_key(k, milliseconds(), keycode - EvdevOffset,
                                    WL_KEYBOARD_KEY_STATE_RELEASED);
        zwp_virtual_keyboard_v1_modifiers(k, 0, 0, 0, 0);
        return wl_display_roundtrip(d->display) >= 0;
    }
    // Fake input has no modifier state: the modifier keys go down around the key.
    unsigned held[std::size(modifierKeys)];
    size_t count = 0;
    for (const ModifierKey &m : modifierKeys) {
        unsigned code = 0;
        unsigned level = 0;
        if (!(modifiers & m.bit))
            continue;
        if (!d->find(m.keysym, &code, &level))
            return false;
        held[count++] = code;
    }
    for (size_t i = 0; i < count; ++i)
        d->fakeKey(held[i], true);
    d->fakeKey(keycode, true);
    d->fakeKey(keycode, false);
    for (size_t i = count; i-- > 0;)
        d->fakeKey(held[i], false);
    return wl_display_roundtrip(d->display) >= 0;
}

bool WaylandKeyboard::sendChord(QStringView chord) {
    const std::optional<Chord> c = parseChord(chord);
    unsigned keycode = 0;
    unsigned level = 0;
    if (!c || !d->find(c->keysym, &keycode, &level))
        return false;
    return press(keycode, c->modifiers | (level ? Shift : 0));
}

bool WaylandKeyboard::setKeys(QStringView chord, bool down) {
    const std::optional<Chord> c = parseChord(chord);
    unsigned keycode = 0;
    unsigned level = 0;
    if (!c || !d->find(c->keysym, &keycode, &level))
        return false;
    if (d->protocol == Protocol::VirtualKeyboard) {
        zwp_virtual_keyboard_v1 *k = d->keyboard;
        zwp_virtual_keyboard_v1_modifiers(k, down ? d->mask(c->modifiers) : 0, 0, 0, 0);
        zwp_virtual_keyboard_v1_key(k, milliseconds(), keycode - EvdevOffset,
                                    down ? WL_KEYBOARD_KEY_STATE_PRESSED
                                         : WL_KEYBOARD_KEY_STATE_RELEASED);
        return wl_display_roundtrip(d->display) >= 0;
    }
    for (const ModifierKey &m : modifierKeys) {
        unsigned code = 0;
        if ((c->modifiers & m.bit) && d->find(m.keysym, &code, &level))
            d->fakeKey(code, down);
    }
    d->fakeKey(keycode, down);
    return wl_display_roundtrip(d->display) >= 0;
}

bool WaylandKeyboard::releaseModifiers() {
    if (d->protocol != Protocol::FakeInput)
        return true;
    for (const xkb_keysym_t sym :
         {XKB_KEY_Control_L, XKB_KEY_Control_R, XKB_KEY_Shift_L, XKB_KEY_Shift_R, XKB_KEY_Alt_L,
          XKB_KEY_Alt_R, XKB_KEY_Super_L, XKB_KEY_Super_R, XKB_KEY_ISO_Level3_Shift}) {
        unsigned code = 0;
        unsigned level = 0;
        if (d->find(sym, &code, &level))
            d->fakeKey(code, false);
    }
    return wl_display_roundtrip(d->display) >= 0;
}

bool WaylandKeyboard::type(QStringView text) {
    for (const char32_t c : text.toUcs4()) {
        unsigned keycode = 0;
        unsigned level = 0;
        if (!d->find(xkb_utf32_to_keysym(c), &keycode, &level)
            || !press(keycode, level ? Shift : 0))
            return false;
    }
    return true;
}
