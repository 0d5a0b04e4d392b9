#include "activeapplication.h"

#include <QByteArray>
#include <QStringDecoder>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace platform {

namespace {

template<typename T> using Reply = std::unique_ptr<T, decltype(&std::free)>;

// A property's bytes, or null when the window or the property does not exist.
QByteArray property(xcb_connection_t *c, xcb_window_t window, xcb_atom_t name, xcb_atom_t type,
                    uint32_t maxLongs) {
    xcb_generic_error_t *error = nullptr;
    Reply<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(c, xcb_get_property(c, 0, window, name, type, 0, maxLongs), &error),
        &std::free);
    std::free(error);
    if (!reply || reply->type == XCB_ATOM_NONE)
        return {};
    return QByteArray(static_cast<const char *>(xcb_get_property_value(reply.get())),
                      xcb_get_property_value_length(reply.get()));
}

xcb_atom_t existingAtom(xcb_connection_t *c, const char *name) {
    Reply<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 1, uint16_t(strlen(name)), name), nullptr),
        &std::free);
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

// WM_CLASS is Latin-1 by convention, though some programs write UTF-8.
QString decode(const QByteArray &bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(bytes);
    return utf8.hasError() ? QString::fromLatin1(bytes) : text;
}

} // namespace

QString activeApplicationName() {
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        return {};
    int screenNumber = 0;
    std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> connection(
        xcb_connect(nullptr, &screenNumber), &xcb_disconnect);
    xcb_connection_t *c = connection.get();
    if (xcb_connection_has_error(c))
        return {};

    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screenNumber && screens.rem; ++i)
        xcb_screen_next(&screens);
    if (!screens.rem)
        return {};

    const xcb_atom_t activeAtom = existingAtom(c, "_NET_ACTIVE_WINDOW");
    if (activeAtom == XCB_ATOM_NONE)
        return {};
    const QByteArray active = property(c, screens.data->root, activeAtom, XCB_ATOM_WINDOW, 1);
    if (active.size() < qsizetype(sizeof(xcb_window_t)))
        return {};
    xcb_window_t window;
    memcpy(&window, active.constData(), sizeof window);
    if (window == XCB_WINDOW_NONE)
        return {};

    // "instance\0class\0"; a window that lost its class or never had one yields nothing.
    const QByteArray wmClass =
        property(c, window, XCB_ATOM_WM_CLASS, XCB_GET_PROPERTY_TYPE_ANY, 256);
    const qsizetype end = wmClass.indexOf('\0');
    if (end < 0)
        return {};
    QByteArray className = wmClass.mid(end + 1);
    const qsizetype classEnd = className.indexOf('\0');
    if (classEnd >= 0)
        className.truncate(classEnd);
    return decode(className);
}

} // namespace platform
