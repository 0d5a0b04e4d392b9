// Test main for the tests on the private X server. Besides running the tests, the binary stands
// in for the program in the child processes that the tests start: a clipboard holder, a writer
// that exits right after writing, and a reader without a GUI application.
#include "tests/support/guitest.h"

#include "pasteboard/clipboard.h"
#include "pasteboard/clipboardholder.h"

#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <memory>
#include <optional>

namespace {

std::unique_ptr<QProcess> g_xvfb;
std::unique_ptr<QGuiApplication> g_app;
std::optional<X11Status> g_status;
QString g_why;
int g_argc = 0;
char **g_argv = nullptr;

// "--write-clipboard TYPE": writes standard input and exits at once.
// "--read-pasteboard clipboard|primary [TYPE]": the types, one a line, or the bytes of one
// type (status 3 when there are none), read without a GUI application.
int pasteboardMain(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    QFile in, out;
    if (!in.open(stdin, QIODevice::ReadOnly) || !out.open(stdout, QIODevice::WriteOnly))
        return 2;
    if (std::strcmp(argv[1], "--write-clipboard") == 0) {
        if (argc != 3)
            return 2;
        ClipboardPasteboard clipboard(ClipboardSelection::Clipboard);
        clipboard.declareTypes({QString::fromUtf8(argv[2])});
        return clipboard.setData(in.readAll(), QString::fromUtf8(argv[2])) ? 0 : 1;
    }
    if (argc < 3 || argc > 4)
        return 2;
    const ClipboardPasteboard pboard(std::strcmp(argv[2], "primary") == 0
                                         ? ClipboardSelection::Primary
                                         : ClipboardSelection::Clipboard);
    if (argc == 3)
        return out.write(pboard.types().join(u'\n').toUtf8()) < 0 ? 2 : 0;
    const QByteArray data = pboard.dataForType(QString::fromUtf8(argv[3]));
    out.write(data);
    return data.isNull() ? 3 : 0;
}

} // namespace

X11Status startX11(QString *why) {
    if (!g_status) {
        // A private server: the tests never touch the user's own clipboard or windows.
        g_xvfb = std::make_unique<QProcess>();
        const QString display = startXvfb(*g_xvfb);
        g_status = !display.isEmpty()                                 ? X11Status::Ready
                   : QStandardPaths::findExecutable("Xvfb").isEmpty() ? X11Status::NotInstalled
                                                                      : X11Status::Failed;
        g_why = g_status == X11Status::NotInstalled
                    ? "Xvfb is not installed (scripts/install-deps.sh installs it)"
                    : "Xvfb did not start";
        if (g_status == X11Status::Ready) {
            qputenv("DISPLAY", display.toLatin1());
            qunsetenv("WAYLAND_DISPLAY");
            qputenv("QT_QPA_PLATFORM", "xcb");
            qunsetenv("SESSION_MANAGER");
            QGuiApplication::setDesktopSettingsAware(false);
            g_app = std::make_unique<QGuiApplication>(g_argc, g_argv);
        }
    }
    *why = g_why;
    return *g_status;
}

int main(int argc, char **argv) {
    const std::string_view mode = argc > 1 ? argv[1] : "";
    if (mode == "--hold-clipboard")
        return clipboardHolderMain(argc, argv);
    if (mode == "--write-clipboard" || mode == "--read-pasteboard")
        return pasteboardMain(argc, argv);

    // Keep the user's real settings out of reach of every test.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    testing::InitGoogleTest(&argc, argv);
    g_argc = argc;
    g_argv = argv;
    const int result = RUN_ALL_TESTS();
    g_app.reset();
    if (g_xvfb) {
        g_xvfb->terminate();
        g_xvfb->waitForFinished(5000);
    }
    return result;
}
