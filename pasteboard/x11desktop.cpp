#include "x11desktop.h"

#include "clipboard.h"
#include "pasteboard.h"

#include <QThread>

#include <xcb/res.h>
#include <xcb/xcb.h>
#include <xcb/xfixes.h>
#include <xcb/xtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <poll.h>

namespace {

template<typename T> using Reply = std::unique_ptr<T, decltype(&std::free)>;

// An owner that does not answer within this time is treated as offering nothing.
constexpr int ReplyTimeoutMs = 3000;
constexpr int KeyPollMs = 5;

uint32_t keysymFor(QStringView name) {
    static const std::pair<const char16_t *, uint32_t> named[] = {
        {u"ctrl", 0xffe3},  {u"control", 0xffe3}, {u"shift", 0xffe1}, {u"alt", 0xffe9},
        {u"super", 0xffeb}, {u"insert", 0xff63},  {u"return", 0xff0d}};
    for (const auto &[text, sym] : named) {
        if (name.compare(QStringView(text), Qt::CaseInsensitive) == 0)
            return sym;
    }
    // Letters and digits are their own Latin-1 keysyms (lower case for letters).
    if (name.size() == 1 && name[0].unicode() < 0x80 && name[0].isLetterOrNumber())
        return name[0].toLower().unicode();
    return 0;
}

} // namespace

struct X11Desktop::Private {
    xcb_connection_t *c = nullptr;
    xcb_window_t root = XCB_WINDOW_NONE;
    xcb_window_t window = XCB_WINDOW_NONE;
    xcb_atom_t clipboard = XCB_ATOM_NONE;
    xcb_atom_t property = XCB_ATOM_NONE;
    xcb_atom_t incr = XCB_ATOM_NONE;
    uint8_t xfixesEvent = 0;
    bool watching = false;

    ~Private() {
        if (c)
            xcb_disconnect(c);
    }

    xcb_atom_t atom(const QByteArray &name, bool onlyIfExists = false) {
        Reply<xcb_intern_atom_reply_t> reply(
            xcb_intern_atom_reply(
                c, xcb_intern_atom(c, onlyIfExists, uint16_t(name.size()), name.constData()),
                nullptr),
            &std::free);
        return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    }

    QByteArray atomName(xcb_atom_t atom) {
        Reply<xcb_get_atom_name_reply_t> reply(
            xcb_get_atom_name_reply(c, xcb_get_atom_name(c, atom), nullptr), &std::free);
        if (!reply)
            return {};
        return QByteArray(xcb_get_atom_name_name(reply.get()),
                          xcb_get_atom_name_name_length(reply.get()));
    }

    xcb_atom_t selectionAtom(ClipboardSelection selection) const {
        return selection == ClipboardSelection::Primary ? xcb_atom_t(XCB_ATOM_PRIMARY) : clipboard;
    }

    QByteArray property32(xcb_window_t w, xcb_atom_t name, xcb_atom_t type, uint32_t longs) {
        Reply<xcb_get_property_reply_t> reply(
            xcb_get_property_reply(c, xcb_get_property(c, 0, w, name, type, 0, longs), nullptr),
            &std::free);
        if (!reply || reply->type == XCB_ATOM_NONE)
            return {};
        return QByteArray(static_cast<const char *>(xcb_get_property_value(reply.get())),
                          xcb_get_property_value_length(reply.get()));
    }

    uint32_t cardinal(xcb_window_t w, xcb_atom_t name, xcb_atom_t type) {
        const QByteArray value = property32(w, name, type, 1);
        uint32_t result = 0;
        if (value.size() >= 4)
            std::memcpy(&result, value.constData(), 4);
        return result;
    }

    // The window the user types into: the window manager's active window, else the focus.
    xcb_window_t activeWindow() {
        const xcb_atom_t active = atom("_NET_ACTIVE_WINDOW", true);
        if (active != XCB_ATOM_NONE) {
            if (const uint32_t w = cardinal(root, active, XCB_ATOM_WINDOW))
                return w;
        }
        Reply<xcb_get_input_focus_reply_t> focus(
            xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr), &std::free);
        if (!focus || focus->focus == root || focus->focus <= XCB_INPUT_FOCUS_POINTER_ROOT)
            return XCB_WINDOW_NONE;
        return focus->focus;
    }

    xcb_window_t owner(xcb_atom_t selection) {
        Reply<xcb_get_selection_owner_reply_t> reply(
            xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, selection), nullptr),
            &std::free);
        return reply ? reply->owner : xcb_window_t(XCB_WINDOW_NONE);
    }

    // The process behind a window's connection, as the server knows it; 0 when unknown.
    uint32_t clientPid(xcb_window_t w) {
        xcb_res_client_id_spec_t spec{w, XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID};
        Reply<xcb_res_query_client_ids_reply_t> reply(
            xcb_res_query_client_ids_reply(c, xcb_res_query_client_ids(c, 1, &spec), nullptr),
            &std::free);
        if (!reply)
            return 0;
        for (auto it = xcb_res_query_client_ids_ids_iterator(reply.get()); it.rem;
             xcb_res_client_id_value_next(&it)) {
            if ((it.data->spec.mask & XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID)
                && xcb_res_client_id_value_value_length(it.data) >= 1)
                return *xcb_res_client_id_value_value(it.data);
        }
        return 0;
    }

    template<typename Accept>
    Reply<xcb_generic_event_t> waitFor(Accept accept, QDeadlineTimer deadline) {
        xcb_flush(c);
        for (;;) {
            while (xcb_generic_event_t *event = xcb_poll_for_event(c)) {
                if (accept(event))
                    return {event, &std::free};
                std::free(event);
            }
            if (xcb_connection_has_error(c))
                return {nullptr, &std::free};
            pollfd p{xcb_get_file_descriptor(c), POLLIN, 0};
            const int ready = poll(&p, 1, int(deadline.remainingTime()));
            if (ready == 0 || (ready < 0 && errno != EINTR))
                return {nullptr, &std::free};
        }
    }

    // Reads and deletes the transfer property; the type tells an INCR transfer apart.
    QByteArray takeProperty(xcb_atom_t *type) {
        QByteArray data("");
        *type = XCB_ATOM_NONE;
        uint32_t offset = 0; // in 32-bit units
        for (;;) {
            Reply<xcb_get_property_reply_t> reply(
                xcb_get_property_reply(c,
                                       xcb_get_property(c, 0, window, property,
                                                        XCB_GET_PROPERTY_TYPE_ANY, offset, 1 << 20),
                                       nullptr),
                &std::free);
            if (!reply)
                return {};
            *type = reply->type;
            const int length = xcb_get_property_value_length(reply.get());
            data.append(static_cast<const char *>(xcb_get_property_value(reply.get())), length);
            if (reply->bytes_after == 0 || length == 0)
                break;
            offset += uint32_t(length) / 4;
        }
        xcb_delete_property(c, window, property);
        xcb_flush(c);
        return data;
    }

    QByteArray convert(xcb_atom_t selection, xcb_atom_t target) {
        if (target == XCB_ATOM_NONE)
            return {};
        xcb_delete_property(c, window, property);
        xcb_convert_selection(c, window, selection, target, property, XCB_CURRENT_TIME);
        const auto notify = waitFor(
            [&](xcb_generic_event_t *e) {
                if ((e->response_type & 0x7f) != XCB_SELECTION_NOTIFY)
                    return false;
                const auto *n = reinterpret_cast<xcb_selection_notify_event_t *>(e);
                return n->requestor == window && n->selection == selection;
            },
            QDeadlineTimer(ReplyTimeoutMs));
        if (!notify
            || reinterpret_cast<xcb_selection_notify_event_t *>(notify.get())->property
                   == XCB_ATOM_NONE)
            return {};
        xcb_atom_t type;
        QByteArray data = takeProperty(&type);
        if (type != incr || incr == XCB_ATOM_NONE)
            return data;
        // Large data arrives in parts, each announced by a new value of the property and
        // requested by deleting it; an empty part ends the transfer.
        data = QByteArray("");
        for (;;) {
            const auto part = waitFor(
                [&](xcb_generic_event_t *e) {
                    if ((e->response_type & 0x7f) != XCB_PROPERTY_NOTIFY)
                        return false;
                    const auto *n = reinterpret_cast<xcb_property_notify_event_t *>(e);
                    return n->window == window && n->atom == property
                           && n->state == XCB_PROPERTY_NEW_VALUE;
                },
                QDeadlineTimer(ReplyTimeoutMs));
            if (!part)
                return {};
            const QByteArray chunk = takeProperty(&type);
            if (chunk.isNull())
                return {};
            if (chunk.isEmpty())
                return data;
            data.append(chunk);
        }
    }

    QList<xcb_keycode_t> modifierKeys() {
        QList<xcb_keycode_t> keys;
        Reply<xcb_get_modifier_mapping_reply_t> reply(
            xcb_get_modifier_mapping_reply(c, xcb_get_modifier_mapping(c), nullptr), &std::free);
        if (!reply)
            return keys;
        const xcb_keycode_t *codes = xcb_get_modifier_mapping_keycodes(reply.get());
        for (int i = 0; i < xcb_get_modifier_mapping_keycodes_length(reply.get()); ++i) {
            if (codes[i])
                keys.append(codes[i]);
        }
        return keys;
    }

    // The key that gives the keysym without Shift; 0 when the keyboard has none.
    xcb_keycode_t keycode(uint32_t keysym) {
        const xcb_setup_t *setup = xcb_get_setup(c);
        const int count = setup->max_keycode - setup->min_keycode + 1;
        Reply<xcb_get_keyboard_mapping_reply_t> reply(
            xcb_get_keyboard_mapping_reply(
                c, xcb_get_keyboard_mapping(c, setup->min_keycode, uint8_t(count)), nullptr),
            &std::free);
        if (!reply || reply->keysyms_per_keycode == 0)
            return 0;
        const xcb_keysym_t *syms = xcb_get_keyboard_mapping_keysyms(reply.get());
        const int perKey = reply->keysyms_per_keycode;
        // The first group's unshifted level first, then any level of any group.
        for (int column : {0, 2, 1, 3}) {
            if (column >= perKey)
                continue;
            for (int key = 0; key < count; ++key) {
                if (syms[key * perKey + column] == keysym)
                    return xcb_keycode_t(setup->min_keycode + key);
            }
        }
        return 0;
    }
};

std::unique_ptr<X11Desktop> X11Desktop::open() {
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        return nullptr;
    std::unique_ptr<X11Desktop> desktop(new X11Desktop);
    desktop->d = std::make_unique<Private>();
    Private &p = *desktop->d;
    int screenNumber = 0;
    p.c = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(p.c))
        return nullptr;
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(p.c));
    for (int i = 0; i < screenNumber && screens.rem; ++i)
        xcb_screen_next(&screens);
    if (!screens.rem)
        return nullptr;
    p.root = screens.data->root;
    p.clipboard = p.atom("CLIPBOARD");
    p.property = p.atom("SUMWISE_SELECTION");
    p.incr = p.atom("INCR");
    p.window = xcb_generate_id(p.c);
    // Property events announce each part of a large (INCR) transfer.
    const uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(p.c, XCB_COPY_FROM_PARENT, p.window, p.root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screens.data->root_visual, XCB_CW_EVENT_MASK,
                      &events);
    if (p.clipboard == XCB_ATOM_NONE || p.property == XCB_ATOM_NONE)
        return nullptr;
    return desktop;
}

X11Desktop::~X11Desktop() = default;

bool X11Desktop::waitForModifiersReleased(QDeadlineTimer deadline) {
    const QList<xcb_keycode_t> modifiers = d->modifierKeys();
    for (;;) {
        Reply<xcb_query_keymap_reply_t> keymap(
            xcb_query_keymap_reply(d->c, xcb_query_keymap(d->c), nullptr), &std::free);
        if (!keymap)
            return false;
        bool held = false;
        for (xcb_keycode_t key : modifiers)
            held = held || (keymap->keys[key / 8] & (1 << (key % 8)));
        if (!held)
            return true;
        if (deadline.hasExpired())
            return false;
        QThread::msleep(KeyPollMs);
    }
}

bool X11Desktop::sendChord(const QString &chord) {
    const xcb_query_extension_reply_t *xtest = xcb_get_extension_data(d->c, &xcb_test_id);
    if (!xtest || !xtest->present)
        return false;
    QList<xcb_keycode_t> keys;
    for (const QString &name : chord.split(u'+', Qt::SkipEmptyParts)) {
        const uint32_t keysym = keysymFor(name.trimmed());
        const xcb_keycode_t key = keysym ? d->keycode(keysym) : 0;
        if (!key)
            return false;
        keys.append(key);
    }
    if (keys.isEmpty())
        return false;
    for (xcb_keycode_t key : keys)
        xcb_test_fake_input(d->c, XCB_KEY_PRESS, key, XCB_CURRENT_TIME, XCB_WINDOW_NONE, 0, 0, 0);
    for (auto it = keys.rbegin(); it != keys.rend(); ++it)
        xcb_test_fake_input(d->c, XCB_KEY_RELEASE, *it, XCB_CURRENT_TIME, XCB_WINDOW_NONE, 0, 0, 0);
    // A round trip: the server has handled the keys before the caller goes on.
    Reply<xcb_get_input_focus_reply_t> sync(
        xcb_get_input_focus_reply(d->c, xcb_get_input_focus(d->c), nullptr), &std::free);
    return sync != nullptr;
}

QStringList X11Desktop::activeWindowClass() {
    const xcb_window_t active = d->activeWindow();
    if (active == XCB_WINDOW_NONE)
        return {};
    // "instance\0class\0"
    const QByteArray wmClass =
        d->property32(active, XCB_ATOM_WM_CLASS, XCB_GET_PROPERTY_TYPE_ANY, 256);
    QStringList names;
    for (const QByteArray &name : wmClass.split('\0')) {
        if (!name.isEmpty())
            names.append(QString::fromLatin1(name));
    }
    return names;
}

bool X11Desktop::ownedByActiveClient(ClipboardSelection selection) {
    const xcb_window_t owner = d->owner(d->selectionAtom(selection));
    const xcb_window_t active = d->activeWindow();
    if (owner == XCB_WINDOW_NONE || active == XCB_WINDOW_NONE)
        return false;
    // Every window of a connection carries that connection's resource id base.
    const uint32_t mask = xcb_get_setup(d->c)->resource_id_mask;
    if ((owner & ~mask) == (active & ~mask))
        return true;
    // Some programs own selections through a second connection of the same process.
    const uint32_t ownerPid = d->clientPid(owner);
    if (ownerPid && ownerPid == d->clientPid(active))
        return true;
    const xcb_atom_t wmPid = d->atom("_NET_WM_PID", true);
    if (wmPid == XCB_ATOM_NONE)
        return false;
    const uint32_t activePid = d->cardinal(active, wmPid, XCB_ATOM_CARDINAL);
    return activePid && activePid == d->cardinal(owner, wmPid, XCB_ATOM_CARDINAL);
}

bool X11Desktop::hasOwner(ClipboardSelection selection) {
    return d->owner(d->selectionAtom(selection)) != XCB_WINDOW_NONE;
}

QStringList X11Desktop::targets(ClipboardSelection selection) {
    const xcb_atom_t atom = d->selectionAtom(selection);
    if (d->owner(atom) == XCB_WINDOW_NONE)
        return {};
    const QByteArray list = d->convert(atom, d->atom("TARGETS"));
    const auto *atoms = reinterpret_cast<const xcb_atom_t *>(list.constData());
    const qsizetype count = list.size() / qsizetype(sizeof(xcb_atom_t));
    QList<xcb_get_atom_name_cookie_t> cookies;
    for (qsizetype i = 0; i < count; ++i)
        cookies.append(xcb_get_atom_name(d->c, atoms[i]));
    QStringList names;
    for (const xcb_get_atom_name_cookie_t &cookie : cookies) {
        Reply<xcb_get_atom_name_reply_t> reply(xcb_get_atom_name_reply(d->c, cookie, nullptr),
                                               &std::free);
        if (reply) {
            names.append(QString::fromLatin1(xcb_get_atom_name_name(reply.get()),
                                             xcb_get_atom_name_name_length(reply.get())));
        }
    }
    return names;
}

QByteArray X11Desktop::convert(ClipboardSelection selection, const QByteArray &target) {
    const xcb_atom_t atom = d->selectionAtom(selection);
    if (d->owner(atom) == XCB_WINDOW_NONE)
        return {};
    return d->convert(atom, d->atom(target, true));
}

bool X11Desktop::watch(ClipboardSelection selection) {
    const xcb_query_extension_reply_t *xfixes = xcb_get_extension_data(d->c, &xcb_xfixes_id);
    if (!xfixes || !xfixes->present)
        return false;
    Reply<xcb_xfixes_query_version_reply_t> version(
        xcb_xfixes_query_version_reply(d->c, xcb_xfixes_query_version(d->c, 5, 0), nullptr),
        &std::free);
    if (!version)
        return false;
    d->xfixesEvent = xfixes->first_event;
    xcb_xfixes_select_selection_input(d->c, d->window, d->selectionAtom(selection),
                                      XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER);
    // Round trip: owners set after this point are reported.
    Reply<xcb_get_input_focus_reply_t> sync(
        xcb_get_input_focus_reply(d->c, xcb_get_input_focus(d->c), nullptr), &std::free);
    d->watching = sync != nullptr;
    return d->watching;
}

bool X11Desktop::waitForNewOwner(QDeadlineTimer deadline) {
    if (!d->watching)
        return false;
    const uint8_t kind = d->xfixesEvent + XCB_XFIXES_SELECTION_NOTIFY;
    const auto event = d->waitFor(
        [&](xcb_generic_event_t *e) {
            return (e->response_type & 0x7f) == kind
                   && reinterpret_cast<xcb_xfixes_selection_notify_event_t *>(e)->owner
                          != XCB_WINDOW_NONE;
        },
        deadline);
    return event != nullptr;
}

void X11Desktop::clearSelection(ClipboardSelection selection) {
    xcb_set_selection_owner(d->c, XCB_WINDOW_NONE, d->selectionAtom(selection), XCB_CURRENT_TIME);
    xcb_flush(d->c);
}
