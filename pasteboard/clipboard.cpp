#include "clipboard.h"

#include "x11desktop.h"

#include "styledtext/attributedstring.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QProcess>
#include <QStandardPaths>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

xcb_atom_t clipboardAtom(xcb_connection_t *c) {
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, 9, "CLIPBOARD"), nullptr), &std::free);
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

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
    explicit X11Source(ClipboardSelection selection)
        : m_desktop(X11Desktop::open())
        , m_selection(selection) {}
    QStringList offered() override {
        return m_desktop ? m_desktop->targets(m_selection) : QStringList();
    }
    QByteArray fetch(const QString &name) override {
        return m_desktop ? m_desktop->convert(m_selection, name.toLatin1()) : QByteArray();
    }

private:
    std::unique_ptr<X11Desktop> m_desktop;
    ClipboardSelection m_selection;
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
    for (const QString &name : desktopNamesFor(wanted, offered)) {
        const QByteArray data = source->fetch(name);
        if (data.isNull())
            continue;
        // Latin-1 text read as UTF-8.
        return name == u"STRING" ? nonNull(QString::fromLatin1(data).toUtf8()) : data;
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

QStringList desktopNamesFor(const QString &type, const QStringList &offered) {
    const QString wanted = PasteboardType::canonical(type);
    // The best-named flavour first, then names that differ only in spelling.
    QStringList names;
    for (const QString &name : PasteboardType::aliases(wanted)) {
        if (offered.contains(name))
            names.append(name);
    }
    for (const QString &name : offered) {
        if (!names.contains(name) && PasteboardType::canonical(name) == wanted)
            names.append(name);
    }
    if (wanted == PasteboardType::String && offered.contains(QStringLiteral("STRING")))
        names.append(QStringLiteral("STRING"));
    return names;
}

QString ClipboardPasteboard::desktopType(const QString &type) {
    const QString canonical = PasteboardType::canonical(type);
    return canonical == PasteboardType::RTFD ? PasteboardType::RTF : canonical;
}

// The desktop's pasteboards are clipboard pasteboards; the abstraction need not know them.
Pasteboard &Pasteboard::generalPasteboard() {
    static ClipboardPasteboard clipboard(ClipboardSelection::Clipboard);
    return clipboard;
}

Pasteboard &Pasteboard::selectionPasteboard() {
    static ClipboardPasteboard selection(ClipboardSelection::Primary);
    return selection;
}

bool guiOwnsSelection(ClipboardSelection selection) {
    auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance());
    auto *x11 = app ? app->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11)
        return false;
    xcb_connection_t *c = x11->connection();
    const xcb_setup_t *setup = xcb_get_setup(c);
    const xcb_atom_t atom =
        selection == ClipboardSelection::Primary ? xcb_atom_t(XCB_ATOM_PRIMARY) : clipboardAtom(c);
    std::unique_ptr<xcb_get_selection_owner_reply_t, decltype(&std::free)> reply(
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, atom), nullptr), &std::free);
    // Every window of a client carries the client's resource id base.
    return reply && reply->owner != XCB_WINDOW_NONE
           && (reply->owner & ~setup->resource_id_mask) == setup->resource_id_base;
}

bool holdClipboard(const QString &type, const QByteArray &data, ClipboardSelection selection,
                   qint64 *holderPid) {
    HoldRequest request;
    request.selection = selection;
    const QString desktop = ClipboardPasteboard::desktopType(type);
    if (desktop == PasteboardType::String) {
        request.flavours = textFlavours(QString::fromUtf8(data));
    } else if (desktop == PasteboardType::RTF) {
        const std::optional<AttributedString> text = AttributedString::fromRTF(data);
        QString plain = text ? text->string() : QString();
        // Attachments stand in the text as object replacement characters.
        plain.remove(QChar(AttachmentCharacter));
        request.flavours = richTextFlavours(data, plain);
    } else {
        for (const QString &name : PasteboardType::aliases(desktop))
            request.flavours.append({name.toUtf8(), data.isNull() ? QByteArray("") : data});
    }
    return holdClipboard(request, holderPid);
}
