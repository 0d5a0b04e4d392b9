#include "clipboard.h"

#include <QClipboard>
#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QMimeData>
#include <QProcess>
#include <QStandardPaths>

#include <xcb/xcb.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <poll.h>

namespace {

// An owner that does not answer within this time is treated as offering nothing.
constexpr int ReplyTimeoutMs = 3000;

bool guiOn(QStringView platform) {
    return qobject_cast<QGuiApplication *>(QCoreApplication::instance())
           && QGuiApplication::platformName().startsWith(platform);
}

bool x11Usable() {
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        return false;
    return guiOn(u"xcb") || x11DisplayAvailable();
}

bool waylandTool(const QString &tool) {
    return !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
           && !QStandardPaths::findExecutable(tool).isEmpty();
}

QByteArray nonNull(const QByteArray &bytes) {
    return bytes.isNull() ? QByteArray("") : bytes;
}

// The flavours of a selection as the desktop names them (MIME types, some X11 target names).
class Source {
public:
    virtual ~Source() = default;
    virtual QStringList offered() = 0;
    /// Null when the owner refuses.
    virtual QByteArray fetch(const QString &name) = 0;
};

class NoSource : public Source {
public:
    QStringList offered() override { return {}; }
    QByteArray fetch(const QString &) override { return {}; }
};

class QtSource : public Source {
public:
    explicit QtSource(ClipboardSelection selection)
        : m_mode(selection == ClipboardSelection::Primary ? QClipboard::Selection
                                                          : QClipboard::Clipboard) {}
    QStringList offered() override {
        const QMimeData *mime = QGuiApplication::clipboard()->mimeData(m_mode);
        return mime ? mime->formats() : QStringList();
    }
    QByteArray fetch(const QString &name) override {
        const QMimeData *mime = QGuiApplication::clipboard()->mimeData(m_mode);
        if (!mime || !mime->hasFormat(name))
            return {};
        // Qt converts whichever text target the owner offers.
        if (name == u"text/plain")
            return nonNull(mime->text().toUtf8());
        return nonNull(mime->data(name));
    }

private:
    QClipboard::Mode m_mode;
};

// Asks the selection's owner over a connection of its own, for processes without a Qt GUI.
class X11Source : public Source {
public:
    explicit X11Source(ClipboardSelection selection) {
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            return;
        int screenNumber = 0;
        m_c = xcb_connect(nullptr, &screenNumber);
        if (xcb_connection_has_error(m_c))
            return;
        xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(m_c));
        for (int i = 0; i < screenNumber && screens.rem; ++i)
            xcb_screen_next(&screens);
        if (!screens.rem)
            return;
        m_selection = selection == ClipboardSelection::Primary ? xcb_atom_t(XCB_ATOM_PRIMARY)
                                                               : atom("CLIPBOARD", false);
        m_property = atom("SUMWISE_SELECTION", false);
        m_incr = atom("INCR", false);
        m_window = xcb_generate_id(m_c);
        // Property events announce each part of a large (INCR) transfer.
        const uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_create_window(m_c, XCB_COPY_FROM_PARENT, m_window, screens.data->root, 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screens.data->root_visual,
                          XCB_CW_EVENT_MASK, &events);
        m_open = m_selection != XCB_ATOM_NONE && m_property != XCB_ATOM_NONE;
    }
    ~X11Source() override {
        if (m_c)
            xcb_disconnect(m_c);
    }

    QStringList offered() override {
        if (!hasOwner())
            return {};
        const QByteArray list = convert(atom("TARGETS", false));
        const auto *atoms = reinterpret_cast<const xcb_atom_t *>(list.constData());
        const qsizetype count = list.size() / qsizetype(sizeof(xcb_atom_t));
        QList<xcb_get_atom_name_cookie_t> cookies;
        for (qsizetype i = 0; i < count; ++i)
            cookies.append(xcb_get_atom_name(m_c, atoms[i]));
        QStringList names;
        for (const xcb_get_atom_name_cookie_t &cookie : cookies) {
            std::unique_ptr<xcb_get_atom_name_reply_t, decltype(&std::free)> reply(
                xcb_get_atom_name_reply(m_c, cookie, nullptr), &std::free);
            if (reply) {
                names.append(QString::fromLatin1(xcb_get_atom_name_name(reply.get()),
                                                 xcb_get_atom_name_name_length(reply.get())));
            }
        }
        return names;
    }

    QByteArray fetch(const QString &name) override {
        if (!hasOwner())
            return {};
        const xcb_atom_t target = atom(name.toLatin1(), true);
        return target == XCB_ATOM_NONE ? QByteArray() : convert(target);
    }

private:
    bool hasOwner() {
        if (!m_open)
            return false;
        std::unique_ptr<xcb_get_selection_owner_reply_t, decltype(&std::free)> reply(
            xcb_get_selection_owner_reply(m_c, xcb_get_selection_owner(m_c, m_selection), nullptr),
            &std::free);
        return reply && reply->owner != XCB_WINDOW_NONE;
    }

    xcb_atom_t atom(const QByteArray &name, bool onlyIfExists) {
        std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
            xcb_intern_atom_reply(
                m_c, xcb_intern_atom(m_c, onlyIfExists, uint16_t(name.size()), name.constData()),
                nullptr),
            &std::free);
        return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    }

    // The next event of the given kind for which accept() holds; null on timeout or error.
    template<typename Event, typename Accept>
    std::unique_ptr<Event, decltype(&std::free)> waitFor(uint8_t kind, Accept accept,
                                                         QDeadlineTimer deadline) {
        xcb_flush(m_c);
        for (;;) {
            while (xcb_generic_event_t *event = xcb_poll_for_event(m_c)) {
                if ((event->response_type & 0x7f) == kind
                    && accept(reinterpret_cast<Event *>(event)))
                    return {reinterpret_cast<Event *>(event), &std::free};
                std::free(event);
            }
            if (xcb_connection_has_error(m_c))
                return {nullptr, &std::free};
            pollfd p{xcb_get_file_descriptor(m_c), POLLIN, 0};
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
            std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
                xcb_get_property_reply(m_c,
                                       xcb_get_property(m_c, 0, m_window, m_property,
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
        xcb_delete_property(m_c, m_window, m_property);
        xcb_flush(m_c);
        return data;
    }

    QByteArray convert(xcb_atom_t target) {
        if (target == XCB_ATOM_NONE)
            return {};
        xcb_delete_property(m_c, m_window, m_property);
        xcb_convert_selection(m_c, m_window, m_selection, target, m_property, XCB_CURRENT_TIME);
        const auto notify = waitFor<xcb_selection_notify_event_t>(
            XCB_SELECTION_NOTIFY,
            [&](const xcb_selection_notify_event_t *e) {
                return e->requestor == m_window && e->selection == m_selection;
            },
            QDeadlineTimer(ReplyTimeoutMs));
        if (!notify || notify->property == XCB_ATOM_NONE)
            return {};
        xcb_atom_t type;
        QByteArray data = takeProperty(&type);
        if (type != m_incr || m_incr == XCB_ATOM_NONE)
            return data;
        // Large data arrives in parts, each announced by a new value of the property and
        // requested by deleting it; an empty part ends the transfer.
        data = QByteArray("");
        for (;;) {
            const auto part = waitFor<xcb_property_notify_event_t>(
                XCB_PROPERTY_NOTIFY,
                [&](const xcb_property_notify_event_t *e) {
                    return e->window == m_window && e->atom == m_property
                           && e->state == XCB_PROPERTY_NEW_VALUE;
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

    xcb_connection_t *m_c = nullptr;
    xcb_window_t m_window = XCB_WINDOW_NONE;
    xcb_atom_t m_selection = XCB_ATOM_NONE;
    xcb_atom_t m_property = XCB_ATOM_NONE;
    xcb_atom_t m_incr = XCB_ATOM_NONE;
    bool m_open = false;
};

class WaylandSource : public Source {
public:
    explicit WaylandSource(ClipboardSelection selection)
        : m_primary(selection == ClipboardSelection::Primary) {}
    QStringList offered() override {
        const QByteArray list = run({QStringLiteral("--list-types")});
        QStringList names;
        for (const QByteArray &line : list.split('\n')) {
            if (!line.trimmed().isEmpty())
                names.append(QString::fromUtf8(line.trimmed()));
        }
        return names;
    }
    QByteArray fetch(const QString &name) override {
        return run({QStringLiteral("--no-newline"), QStringLiteral("--type"), name});
    }

private:
    QByteArray run(QStringList args) {
        if (m_primary)
            args.prepend(QStringLiteral("--primary"));
        QProcess paste;
        paste.setStandardInputFile(QProcess::nullDevice());
        paste.setStandardErrorFile(QProcess::nullDevice());
        paste.start(QStringLiteral("wl-paste"), args);
        if (!paste.waitForFinished(ReplyTimeoutMs)) {
            paste.kill();
            paste.waitForFinished();
            return {};
        }
        if (paste.exitStatus() != QProcess::NormalExit || paste.exitCode() != 0)
            return {};
        return nonNull(paste.readAllStandardOutput());
    }

    bool m_primary;
};

std::unique_ptr<Source> readSource(ClipboardSelection selection, ClipboardBackend backend) {
    switch (backend) {
    case ClipboardBackend::X11:
        // Asking over a connection of our own while this process owns the selection would
        // wait for an answer that only our blocked event loop could give. Otherwise our own
        // reader sees the owner's real target names, where Qt renames some (Latin-1 "STRING"
        // becomes "text/plain" decoded as UTF-8, images gain "application/x-qt-image").
        if (guiOwnsSelection(selection))
            return std::make_unique<QtSource>(selection);
        return std::make_unique<X11Source>(selection);
    case ClipboardBackend::Wayland:
        return std::make_unique<WaylandSource>(selection);
    case ClipboardBackend::None:
        return std::make_unique<NoSource>();
    case ClipboardBackend::Automatic:
        break;
    }
    if (x11Usable())
        return readSource(selection, ClipboardBackend::X11);
    if (waylandTool(QStringLiteral("wl-paste")))
        return std::make_unique<WaylandSource>(selection);
    // Qt on Wayland sees the selection only while one of its windows has focus.
    if (guiOn(u"wayland"))
        return std::make_unique<QtSource>(selection);
    return std::make_unique<NoSource>();
}

ClipboardBackend writeBackend(ClipboardBackend backend) {
    if (backend != ClipboardBackend::Automatic)
        return backend;
    if (x11Usable())
        return ClipboardBackend::X11;
    if (waylandTool(QStringLiteral("wl-copy")))
        return ClipboardBackend::Wayland;
    return ClipboardBackend::None;
}

bool waylandCopy(const QString &type, const QByteArray &data, ClipboardSelection selection) {
    QStringList args{QStringLiteral("--type"), type};
    if (selection == ClipboardSelection::Primary)
        args.prepend(QStringLiteral("--primary"));
    QProcess copy;
    // wl-copy stays behind to serve the data; it must not keep our pipes open.
    copy.setStandardOutputFile(QProcess::nullDevice());
    copy.setStandardErrorFile(QProcess::nullDevice());
    copy.start(QStringLiteral("wl-copy"), args);
    if (!copy.waitForStarted(ReplyTimeoutMs))
        return false;
    copy.write(data);
    copy.closeWriteChannel();
    if (!copy.waitForFinished(ReplyTimeoutMs)) {
        copy.kill();
        copy.waitForFinished();
        return false;
    }
    return copy.exitStatus() == QProcess::NormalExit && copy.exitCode() == 0;
}

} // namespace

ClipboardPasteboard::ClipboardPasteboard(ClipboardSelection selection, ClipboardBackend backend)
    : m_selection(selection)
    , m_backend(backend) {
}

QString ClipboardPasteboard::name() const {
    return m_selection == ClipboardSelection::Primary ? SelectionPboard : GeneralPboard;
}

QStringList ClipboardPasteboard::types() const {
    QStringList types;
    for (const QString &offered : readSource(m_selection, m_backend)->offered()) {
        // Latin-1 text can be read as UTF-8; other X11 target names are no flavours.
        const QString type =
            offered == u"STRING" ? PasteboardType::String : PasteboardType::canonical(offered);
        // Text in another encoding is the same text again.
        if (type.startsWith(u"text/plain;") && type != PasteboardType::String)
            continue;
        if (type.contains(u'/') && !types.contains(type))
            types.append(type);
    }
    return types;
}

QByteArray ClipboardPasteboard::dataForType(const QString &type) const {
    const QString wanted = PasteboardType::canonical(type);
    const std::unique_ptr<Source> source = readSource(m_selection, m_backend);
    const QStringList offered = source->offered();
    // The best-named flavour first, then names that differ only in spelling.
    QStringList candidates;
    for (const QString &name : PasteboardType::aliases(wanted)) {
        if (offered.contains(name))
            candidates.append(name);
    }
    for (const QString &name : offered) {
        if (!candidates.contains(name) && PasteboardType::canonical(name) == wanted)
            candidates.append(name);
    }
    for (const QString &name : candidates) {
        const QByteArray data = source->fetch(name);
        if (!data.isNull())
            return data;
    }
    if (wanted == PasteboardType::String && offered.contains(QStringLiteral("STRING"))) {
        const QByteArray latin1 = source->fetch(QStringLiteral("STRING"));
        if (!latin1.isNull())
            return nonNull(QString::fromLatin1(latin1).toUtf8());
    }
    return {};
}

void ClipboardPasteboard::declareTypes(const QStringList &types) {
    m_declared.clear();
    for (const QString &type : types)
        m_declared.append(PasteboardType::canonical(type));
}

bool ClipboardPasteboard::setData(const QByteArray &data, const QString &type) {
    const QString canonical = PasteboardType::canonical(type);
    if (!m_declared.contains(canonical))
        return false;
    switch (writeBackend(m_backend)) {
    case ClipboardBackend::X11:
        return holdClipboard(canonical, data, m_selection);
    case ClipboardBackend::Wayland:
        return waylandCopy(desktopType(canonical), data, m_selection);
    case ClipboardBackend::None:
    case ClipboardBackend::Automatic:
        break;
    }
    return false;
}

QString ClipboardPasteboard::desktopType(const QString &type) {
    const QString canonical = PasteboardType::canonical(type);
    return canonical == PasteboardType::RTFD ? PasteboardType::RTF : canonical;
}
