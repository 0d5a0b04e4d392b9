// Test main for the pasteboard tests. Besides running the tests, the binary stands in for the
// program in the child processes that the tests start: a clipboard holder, a writer that exits
// right after writing, and a reader without a GUI application.
#include "tests/support/guitest.h"

#include "pasteboard/clipboard.h"
#include "pasteboard/clipboardholder.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

int g_argc = 0;
char **g_argv = nullptr;
pid_t g_xvfb = -1;
std::unique_ptr<QGuiApplication> g_app;
X11Status g_status = X11Status::Failed;
QString g_why;
bool g_tried = false;

ClipboardSelection selectionNamed(const char *name) {
    return std::strcmp(name, "primary") == 0 ? ClipboardSelection::Primary
                                             : ClipboardSelection::Clipboard;
}

// "--write-clipboard TYPE": writes standard input and exits at once.
int writeClipboardMain(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    QFile in;
    if (argc != 3 || !in.open(stdin, QIODevice::ReadOnly))
        return 2;
    ClipboardPasteboard clipboard(ClipboardSelection::Clipboard);
    clipboard.declareTypes({QString::fromUtf8(argv[2])});
    return clipboard.setData(in.readAll(), QString::fromUtf8(argv[2])) ? 0 : 1;
}

// "--read-pasteboard clipboard|primary [TYPE]": the types, one a line, or the bytes of one
// type (status 3 when there are none), read without a GUI application.
int readPasteboardMain(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    if (argc < 3 || argc > 4)
        return 2;
    const ClipboardPasteboard pboard(selectionNamed(argv[2]));
    QFile out;
    if (!out.open(stdout, QIODevice::WriteOnly))
        return 2;
    if (argc == 3) {
        out.write(pboard.types().join(u'\n').toUtf8());
        return 0;
    }
    const QByteArray data = pboard.dataForType(QString::fromUtf8(argv[3]));
    out.write(data);
    return data.isNull() ? 3 : 0;
}

// Xvfb picks a free display itself and names it on the -displayfd pipe once it accepts
// clients, so parallel test processes never race for a number.
X11Status startXvfb(QString *why) {
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    if (xvfb.isEmpty()) {
        *why = QStringLiteral("Xvfb is not installed (scripts/install-deps.sh installs it)");
        return X11Status::NotInstalled;
    }
    int pipeFds[2];
    if (pipe(pipeFds) != 0) {
        *why = QStringLiteral("pipe failed");
        return X11Status::Failed;
    }
    const QByteArray program = QFile::encodeName(xvfb);
    const QByteArray fdText = QByteArray::number(pipeFds[1]);
    // -noreset: a desktop's server outlives its last client, and so must ours when an
    // application is replaced by the next one.
    const char *args[] = {
        program.constData(), "-displayfd", fdText.constData(), "-nolisten", "tcp", "-noreset",
        "-screen",           "0",          "1024x768x24",      nullptr};
    g_xvfb = fork();
    if (g_xvfb == 0) {
        // The server goes when the tests go, even when they crash.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        const int null = open("/dev/null", O_RDWR);
        dup2(null, STDIN_FILENO);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        close(pipeFds[0]);
        execv(program.constData(), const_cast<char *const *>(args));
        _exit(127);
    }
    close(pipeFds[1]);
    QByteArray number;
    for (;;) {
        pollfd p{pipeFds[0], POLLIN, 0};
        if (poll(&p, 1, 20000) <= 0)
            break;
        char c;
        if (read(pipeFds[0], &c, 1) != 1 || c == '\n')
            break;
        number.append(c);
    }
    close(pipeFds[0]);
    if (number.isEmpty()) {
        *why = QStringLiteral("Xvfb did not start");
        return X11Status::Failed;
    }
    qputenv("DISPLAY", ":" + number);
    return X11Status::Ready;
}

void stopX11() {
    g_app.reset();
    if (g_xvfb > 0) {
        kill(g_xvfb, SIGTERM);
        while (waitpid(g_xvfb, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
}

} // namespace

X11Status startX11(QString *why) {
    if (!g_tried) {
        g_tried = true;
        // A private server: the tests never touch the user's own clipboard or windows.
        g_status = startXvfb(&g_why);
        if (g_status == X11Status::Ready) {
            qunsetenv("WAYLAND_DISPLAY");
            qputenv("QT_QPA_PLATFORM", "xcb");
            qunsetenv("SESSION_MANAGER");
            QGuiApplication::setDesktopSettingsAware(false);
            g_app = std::make_unique<QGuiApplication>(g_argc, g_argv);
        }
    }
    *why = g_why;
    return g_status;
}

int main(int argc, char **argv) {
    if (argc > 1 && std::strcmp(argv[1], "--hold-clipboard") == 0)
        return clipboardHolderMain(argc, argv);
    if (argc > 1 && std::strcmp(argv[1], "--write-clipboard") == 0)
        return writeClipboardMain(argc, argv);
    if (argc > 1 && std::strcmp(argv[1], "--read-pasteboard") == 0)
        return readPasteboardMain(argc, argv);

    // Keep the user's real settings out of reach of every test.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    testing::InitGoogleTest(&argc, argv);
    g_argc = argc;
    g_argv = argv;
    const int result = RUN_ALL_TESTS();
    stopX11();
    return result;
}

Ran run(const QString &program, const QStringList &args, const QByteArray &input) {
    QProcess p;
    p.setStandardErrorFile(QProcess::nullDevice());
    p.start(program, args);
    if (!p.waitForStarted(10000))
        return {};
    p.write(input);
    p.closeWriteChannel();
    const QDeadlineTimer deadline(10000);
    while (p.state() != QProcess::NotRunning && !deadline.hasExpired()) {
        QCoreApplication::processEvents();
        p.waitForFinished(20);
    }
    if (p.state() != QProcess::NotRunning) {
        p.kill();
        p.waitForFinished();
        return {};
    }
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput()};
}

Ran xclipRead(const char *selection, const QString &target) {
    return run(QStringLiteral("xclip"),
               {QStringLiteral("-selection"), QString::fromLatin1(selection), QStringLiteral("-o"),
                QStringLiteral("-t"), target});
}

QStringList xclipTargets(const char *selection) {
    return QString::fromLatin1(xclipRead(selection, QStringLiteral("TARGETS")).out)
        .split(u'\n', Qt::SkipEmptyParts);
}

void xclipWrite(const char *selection, const QString &target, const QByteArray &data) {
    ASSERT_EQ(run(QStringLiteral("xclip"),
                  {QStringLiteral("-selection"), QString::fromLatin1(selection),
                   QStringLiteral("-t"), target, QStringLiteral("-i")},
                  data)
                  .status,
              0);
    ASSERT_TRUE(waitUntil([&] { return xclipRead(selection, target).out == data; }));
}
