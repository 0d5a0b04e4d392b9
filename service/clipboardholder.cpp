#include "clipboardholder.h"

#include "platform/fdio.h"

#include "clipboard.h"
#include "pasteboard.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QGuiApplication>
#include <QMimeData>
#include <QThread>
#include <QTimer>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr char ReadyWord[] = "ready";
// Qt starts in well under a second; the margin is for loaded machines and sanitizer builds.
constexpr int HolderStartTimeoutMs = 15000;
constexpr int OwnershipPollMs = 5000;

QByteArray executablePath() {
    if (QCoreApplication::instance()) {
        const QString path = QCoreApplication::applicationFilePath();
        if (!path.isEmpty())
            return QFile::encodeName(path);
    }
    char buffer[4096];
    const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer);
    if (n <= 0 || size_t(n) == sizeof buffer)
        return {};
    return QByteArray(buffer, n);
}

bool sendAll(int fd, const QByteArray &data) {
    qsizetype done = 0;
    while (done < data.size()) {
        // MSG_NOSIGNAL: a holder that died early must not kill the writer with SIGPIPE.
        const ssize_t n =
            send(fd, data.constData() + done, size_t(data.size() - done), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

// The holder's answer, complete once it has let go of the channel (its standard streams now
// lead to /dev/null); empty when it stayed silent.
QByteArray readAnswer(int fd, QDeadlineTimer deadline) {
    QByteArray answer;
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        const int ready = poll(&p, 1, int(deadline.remainingTime()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return {};
        char buffer[64];
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return {};
        if (n == 0)
            return answer;
        answer.append(buffer, n);
    }
}

void redirectToNull(int fd) {
    const int null = open("/dev/null", O_RDWR | O_CLOEXEC);
    if (null >= 0) {
        dup2(null, fd);
        close(null);
    }
}

// Called between fork and exec: async-signal-safe calls only.
[[noreturn]] void execHolder(const char *exe, char *const argv[], int channel, int null) {
    if (setsid() < 0)
        _exit(127);
    // The session leader exits at once, so the holder is adopted and never anyone's zombie,
    // and, no longer a session leader, it cannot acquire a terminal.
    const pid_t holder = fork();
    if (holder != 0)
        _exit(holder < 0 ? 127 : 0);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    if (dup2(channel, STDIN_FILENO) < 0 || dup2(channel, STDOUT_FILENO) < 0
        || dup2(null, STDERR_FILENO) < 0)
        _exit(127);
    // Nothing else of the writer's stays open in a process that may live for hours.
    if (close_range(3, ~0U, 0) != 0) {
        for (int fd = 3; fd < 4096; ++fd)
            close(fd);
    }
    // Keep no mounted file system busy.
    if (chdir("/") != 0)
        _exit(127);
    execv(exe, argv);
    _exit(127);
}

xcb_atom_t internAtom(xcb_connection_t *c, const char *name) {
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr),
        &std::free);
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

// Qt's own shutdown would offer contents it may wrongly believe it still owns to a clipboard
// manager, replacing newer contents there.
[[noreturn]] void leave(int status) {
    std::fflush(nullptr);
    _exit(status);
}

void fillMimeData(QMimeData *mime, const QString &type, const QByteArray &data) {
    const QString desktop = ClipboardPasteboard::desktopType(type);
    if (desktop == PasteboardType::String)
        mime->setText(QString::fromUtf8(data)); // also offers UTF8_STRING, STRING, TEXT
    for (const QString &name : PasteboardType::aliases(desktop)) {
        if (name != u"UTF8_STRING" && name != u"text/plain")
            mime->setData(name, data);
    }
}

} // namespace

bool x11DisplayAvailable() {
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        return false;
    xcb_connection_t *c = xcb_connect(nullptr, nullptr);
    const bool ok = xcb_connection_has_error(c) == 0;
    xcb_disconnect(c);
    return ok;
}

bool guiOwnsSelection(ClipboardSelection selection) {
    auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance());
    auto *x11 = app ? app->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11)
        return false;
    xcb_connection_t *c = x11->connection();
    const xcb_setup_t *setup = xcb_get_setup(c);
    const xcb_atom_t atom = selection == ClipboardSelection::Primary ? xcb_atom_t(XCB_ATOM_PRIMARY)
                                                                     : internAtom(c, "CLIPBOARD");
    std::unique_ptr<xcb_get_selection_owner_reply_t, decltype(&std::free)> reply(
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, atom), nullptr), &std::free);
    // Every window of a client carries the client's resource id base.
    return reply && reply->owner != XCB_WINDOW_NONE
           && (reply->owner & ~setup->resource_id_mask) == setup->resource_id_base;
}

bool holdClipboard(const QString &type, const QByteArray &data, ClipboardSelection selection,
                   qint64 *holderPid) {
    if (holderPid)
        *holderPid = 0;
    if (!x11DisplayAvailable())
        return false;
    QByteArray exe = executablePath();
    QByteArray option("--hold-clipboard");
    QByteArray typeArgument = type.toUtf8();
    QByteArray primary("--primary");
    if (exe.isEmpty() || typeArgument.isEmpty())
        return false;
    char *argv[] = {exe.data(), option.data(), typeArgument.data(),
                    selection == ClipboardSelection::Primary ? primary.data() : nullptr, nullptr};

    // One socket carries the flavour to the holder and its "ready" line back.
    int channel[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, channel) != 0)
        return false;
    const int null = open("/dev/null", O_RDWR | O_CLOEXEC);
    const pid_t child = null < 0 ? -1 : fork();
    if (child == 0)
        execHolder(exe.constData(), argv, channel[1], null);
    close(channel[1]);
    if (null >= 0)
        close(null);
    if (child < 0) {
        close(channel[0]);
        return false;
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }

    QByteArray answer;
    if (sendAll(channel[0], data) && shutdown(channel[0], SHUT_WR) == 0)
        answer = readAnswer(channel[0], QDeadlineTimer(HolderStartTimeoutMs));
    close(channel[0]);
    const QList<QByteArray> words = answer.trimmed().split(' ');
    if (words.size() != 2 || words[0] != ReadyWord)
        return false;
    if (holderPid)
        *holderPid = words[1].toLongLong();
    return true;
}

int clipboardHolderMain(int argc, char *argv[]) {
    const bool primary = argc == 4 && std::strcmp(argv[3], "--primary") == 0;
    if (argc < 3 || (argc == 4 && !primary) || argc > 4 || argv[2][0] == '\0') {
        std::fputs("usage: sumwise --hold-clipboard TYPE [--primary] < DATA\n", stderr);
        return 2;
    }
    const QString type = QString::fromUtf8(argv[2]);
    const QByteArray data = readAll(STDIN_FILENO);
    redirectToNull(STDIN_FILENO);
    if (!x11DisplayAvailable())
        return 1;

    // The clipboard lives on X11 whatever the caller's platform; the holder is no session
    // client and needs no desktop theme.
    qputenv("QT_QPA_PLATFORM", "xcb");
    qunsetenv("SESSION_MANAGER");
    QGuiApplication::setDesktopSettingsAware(false);
    QGuiApplication app(argc, argv);
    const ClipboardSelection which =
        primary ? ClipboardSelection::Primary : ClipboardSelection::Clipboard;
    auto owned = [which] { return guiOwnsSelection(which); };

    const QClipboard::Mode mode = primary ? QClipboard::Selection : QClipboard::Clipboard;
    QClipboard *clipboard = QGuiApplication::clipboard();
    // Qt stamps its claim with the time of the last event it has seen, and the server refuses
    // a claim older than the current owner's; events bring a newer time.
    for (int attempt = 0; !owned(); ++attempt) {
        if (attempt == 20)
            leave(1);
        if (attempt > 0) {
            QThread::msleep(25);
            QCoreApplication::processEvents();
        }
        auto *mime = new QMimeData;
        fillMimeData(mime, type, data);
        clipboard->setMimeData(mime, mode);
    }

    auto quitWhenReplaced = [&] {
        if (!owned())
            QCoreApplication::quit();
    };
    QObject::connect(clipboard, &QClipboard::changed, &app, quitWhenReplaced);
    // Should a change go unreported, the holder still does not outlive its contents for long.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &app, quitWhenReplaced);
    poll.start(OwnershipPollMs);

    const QByteArray ready =
        QByteArray(ReadyWord) + ' ' + QByteArray::number(qint64(getpid())) + '\n';
    writeAll(STDOUT_FILENO, ready);
    redirectToNull(STDOUT_FILENO);
    leave(app.exec());
}

Flavours textFlavours(const QString &text) {
    return {{"text/plain;charset=utf-8", text.toUtf8()}};
}

Flavours richTextFlavours(const QByteArray &rtf, const QString &plain) {
    return Flavours{{"text/rtf", rtf}} + textFlavours(plain);
}

bool holdClipboard(const HoldRequest &request, qint64 *holderPid) {
    if (request.flavours.isEmpty())
        return false;
    return holdClipboard(QString::fromLatin1(request.flavours.first().target),
                         request.flavours.first().data, request.selection, holderPid);
}
