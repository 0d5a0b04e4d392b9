// The services as a user meets them: a real editor on a private desktop (Xvfb, openbox, the
// tests' session bus), a formula opened and selected with synthetic keys, `sumwise SERVICE
// --selection` run as a shortcut daemon runs it, and the document read back from the editor itself.
#include "tests/support/sessionbus.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QtEndian>

#include <array>
#include <csignal>
#include <unistd.h>

namespace {

// Synthetic input through XTest: keys pressed in turn, or with how, held or let go.
bool keys(const QString &sequence, const QString &how = "key --delay 40") {
    return ::run("xdotool", (how + u' ' + sequence).split(u' ')).status == 0;
}
QByteArray xclip(const char *selection, const char *target = "UTF8_STRING") {
    return xclipRead(selection, target).out;
}

// The window manager's view of the windows, over the test's own connection.
struct Desktop : X11 {
    QList<xcb_window_t> windows(const char *name) {
        const QByteArray v = property(root, atom(name));
        QList<xcb_window_t> list;
        for (qsizetype i = 0; i + 4 <= v.size(); i += 4)
            list << qFromUnaligned<quint32>(v.constData() + i);
        return list;
    }
    xcb_window_t active() { return windows("_NET_ACTIVE_WINDOW").value(0); }
    QString windowClass(xcb_window_t w) {
        return QString::fromLatin1(property(w, XCB_ATOM_WM_CLASS).split('\0').value(1));
    }
    QString title(xcb_window_t w) { return QString::fromUtf8(property(w, atom("_NET_WM_NAME"))); }
};

bool owns(QClipboard::Mode mode) {
    QClipboard *clipboard = QGuiApplication::clipboard();
    return mode == QClipboard::Clipboard ? clipboard->ownsClipboard() : clipboard->ownsSelection();
}
// Takes a selection for this process, as a program the user copied from would hold it.
bool own(QClipboard::Mode mode, const QByteArray &text, const QByteArray &html = {}) {
    return waitUntil([&] {
        auto *data = new QMimeData;
        data->setText(QString::fromUtf8(text));
        if (!html.isEmpty())
            data->setHtml(QString::fromUtf8(html));
        QGuiApplication::clipboard()->setMimeData(data, mode);
        return owns(mode);
    });
}

enum App { Mousepad, FeatherPad, Writer };
// The selection's keys. A selection made by mouse takes the same route (PRIMARY, or a copy
// request where the editor does not claim it), so the rows select by keys alone.
const char *const ShiftHome = "ctrl+End shift+Home", *const CtrlA = "ctrl+a";

enum Flag {
    Heading = 1,           // Writer: the paragraph is a Heading 1
    German = 2,            // LANG=de_DE.UTF-8 for the program
    KeysHeld = 4,          // the shortcut's keys are still down when the command starts
    StalePrimary = 8,      // another client holds PRIMARY while the command runs
    HtmlBefore = 16,       // the clipboard held HTML alone before, held by xclip
    Provider = 32,         // a provider runs: it runs the routine
    ProviderElsewhere = 64 // one runs on another display: the command runs the routine
};

struct Row {
    const char *name;
    App app;
    const char *service;
    QByteArray text; // the document's text before
    const char *gesture;
    QByteArray document; // what the editor holds afterwards
    int flags = 0;
    int status = 0;            // the command's exit status
    QByteArray clipboard = {}; // its text afterwards; null: as it was before
    friend void PrintTo(const Row &row, std::ostream *os) { *os << row.name; }
};

// In lines of 80 characters: GTK lays a line out whole, and a 1 MB one takes it seconds.
const QByteArray Megabyte = QByteArray("1+").repeated(40).append('\n').repeated(12500) + "1";

const Row Rows[] = {
    // Formatting kept; the clipboard held HTML alone before, served by xclip.
    {"WriterHeadingAdd", Writer, "add", "2*(3+4)^2", "Home shift+End", "2*(3+4)^2 = 98",
     Heading | HtmlBefore},
    {"MousepadShow", Mousepad, "show", "2^10", CtrlA, "2^10", 0, 0, "1024"},
    // Shift+Down selects the line with its break, which is kept after the result; FeatherPad
    // does not claim PRIMARY, so another client's PRIMARY is no selection.
    {"FeatherPadLineAmidStalePrimary", FeatherPad, "add", "2*(3+4)^2\nnext line",
     "ctrl+Home shift+Down", "2*(3+4)^2 = 98\nnext line", StalePrimary},
    // Copied with Ctrl+C, so the clipboard needs restoring.
    {"FeatherPadFailure", FeatherPad, "substitute", "1/0", CtrlA, "1/0", 0, 1},
    {"MousepadMegabyte", Mousepad, "substitute", Megabyte, CtrlA, "500001"},
    {"ProviderCopiesInTheCommandsLanguage", Mousepad, "copy", "1/2", ShiftHome, "1/2",
     Provider | German, 0, "0,5"},
    {"KeysHeldProviderOnAnotherDisplay", Mousepad, "add", "2^10", ShiftHome, "2^10 = 1024",
     KeysHeld | ProviderElsewhere},
};

const QByteArray PreviousText = "previous clipboard",
                 PreviousHtml = "<p>previous <b>clipboard</b></p>";
const QByteArray KeptHtml = "<b>kept</b>", OtherPrimary = "5*5";

class DesktopTest : public SessionBusTest, public testing::WithParamInterface<Row> {
protected:
    static inline std::unique_ptr<QProcess> windowManager;
    std::unique_ptr<QProcess> editor;
    QProcessEnvironment session;
    std::unique_ptr<Desktop> x;
    const Row &row = GetParam();
    const char *const program = std::array{"mousepad", "featherpad", "soffice"}[row.app];

    static void TearDownTestSuite() { windowManager.reset(); }

    void SetUp() override {
        requireX11();
        if (IsSkipped() || HasFatalFailure())
            return;
        // The application and the display exist only now.
        bin = QCoreApplication::applicationDirPath();
        x = std::make_unique<Desktop>();
        for (const char *tool : {"openbox", "xdotool", "xclip", "dbus-daemon", program})
            if (QStandardPaths::findExecutable(tool).isEmpty())
                GTEST_SKIP() << tool << " is not installed (scripts/install-deps.sh installs it)";
        const auto managed = [&] { return !x->windows("_NET_SUPPORTING_WM_CHECK").isEmpty(); };
        if (!windowManager || windowManager->state() != QProcess::Running || !managed()) {
            windowManager = std::make_unique<QProcess>();
            windowManager->setStandardOutputFile(QProcess::nullDevice());
            windowManager->setProcessEnvironment(
                with(QProcessEnvironment::systemEnvironment(),
                     {"DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent"}));
            windowManager->start("openbox", {});
            ASSERT_TRUE(waitUntil(managed, 20000)) << "openbox did not start";
        }
        // Panels are for the user to answer, as on a desktop.
        session = with(environment(), {"DISPLAY=" + qEnvironmentVariable("DISPLAY"),
                                       "QT_QPA_PLATFORM", "SUMWISE_ALERT_ANSWER"});
        // The provider the bus starts is in another language than the command.
        ASSERT_TRUE(
            startBus(row.flags & ProviderElsewhere ? with(session, {"DISPLAY=:4242"}) : session));
        if (row.flags & German)
            session = with(session, {"LC_ALL", "LANG=de_DE.UTF-8"});
    }

    void TearDown() override {
        stopEditor();
        SessionBusTest::TearDown();
    }

    // Starts the editor in a process group of its own on a fresh document and waits until its
    // window has the focus.
    void startEditor() {
        QProcessEnvironment env =
            with(QProcessEnvironment::systemEnvironment(),
                 {"XDG_RUNTIME_DIR=" + home.path(), "DBUS_SESSION_BUS_ADDRESS=" + address,
                  "LC_ALL=C.UTF-8", "QT_QPA_PLATFORM=xcb", "SAL_USE_VCLPLUGIN=gen",
                  "NO_AT_BRIDGE=1", "GSETTINGS_BACKEND=memory", "WAYLAND_DISPLAY",
                  "SESSION_MANAGER", "QT_QPA_PLATFORMTHEME"});
        for (const char *name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"}) {
            env.insert(name, home.filePath(QStringLiteral("editor/") + name));
            QDir().mkpath(env.value(name));
        }
        const QString file = putFile(home.filePath("document.txt"), row.text);
        const QStringList args[] = {
            {"--disable-server", file},
            {"--standalone", file},
            {"--writer", "--norestore", "--nologo",
             "-env:UserInstallation=file://" + home.filePath("editor/profile"), file}};
        editor = std::make_unique<QProcess>();
        editor->setProcessEnvironment(env);
        editor->setStandardOutputFile(QProcess::nullDevice());
        editor->setStandardErrorFile(QProcess::nullDevice());
        editor->setChildProcessModifier([] { ::setsid(); });
        editor->start(program, args[row.app]);
        ASSERT_TRUE(waitUntil([&] { return focused(); }, 90000))
            << program << " did not show a focused window";
    }

    bool focused() {
        const char *const classes[] = {"Mousepad", "FeatherPad", "libreoffice-writer"};
        return x->windowClass(x->active()) == QLatin1String(classes[row.app]);
    }

    void stopEditor() {
        if (!editor || editor->processId() <= 0)
            return;
        const pid_t group = pid_t(editor->processId());
        ::kill(-group, SIGTERM);
        if (!waitUntil([&] { return ::kill(-group, 0) != 0; }))
            ::kill(-group, SIGKILL);
        editor->waitForFinished(10000);
    }

    // The editor's whole text as Ctrl+A Ctrl+C copies it; null when nothing was copied.
    QByteArray documentText() {
        if (!waitUntil([&] { return focused(); }, 10000)
            || !own(QClipboard::Clipboard, "(not copied)"))
            return {};
        keys("ctrl+a ctrl+c");
        if (!waitUntil([] { return !owns(QClipboard::Clipboard); }, 10000))
            return {};
        return xclip("clipboard");
    }

    // Makes the row's selection; one that claims PRIMARY is seen taking it over from this
    // process (FeatherPad's selections made with keys do not claim it).
    void select() {
        ASSERT_TRUE(own(QClipboard::Selection, "(no selection)"));
        keys(row.gesture);
        ASSERT_TRUE(row.app == FeatherPad
                    || waitUntil([] { return !owns(QClipboard::Selection); }, 30000))
            << "the editor did not take PRIMARY for its selection";
    }

    // Runs the command as a shortcut daemon would; Show's panel is answered with Copy.
    Ran runCommand() {
        if (row.flags & KeysHeld)
            keys("ctrl+alt", "keydown");
        EXPECT_TRUE(!(row.flags & (Provider | ProviderElsewhere)) || startProvider());
        const auto p = start({row.service, "--selection"}, session);
        p->waitForStarted();
        p->closeWriteChannel();
        if (row.flags & KeysHeld) {
            // The user lets go of the shortcut a moment after it fired.
            waitUntil([] { return false; }, 300);
            keys("ctrl+alt", "keyup");
        }
        // Show's panel, once it has the focus: Tab to its Copy button and press it.
        // A command still running at the end is killed with its QProcess.
        bool answered = row.service != std::string_view("show");
        const auto ended = [&] {
            answered = answered || (x->title(x->active()) == u"Sumwise" && keys("Tab space"));
            return p->state() == QProcess::NotRunning;
        };
        EXPECT_TRUE(waitUntil(ended, 60000)) << "the command did not end within 60 s";
        return {p->exitCode(), p->readAllStandardOutput(), p->readAllStandardError()};
    }
};

TEST_P(DesktopTest, ServiceInPlace) {
    ASSERT_NO_FATAL_FAILURE(startEditor());
    ASSERT_TRUE(waitUntil([&] { return documentText() == row.text; }, 60000))
        << "the editor did not open the file";
    if (row.flags & Heading)
        keys("ctrl+1");

    keys("ctrl+End");
    ASSERT_NO_FATAL_FAILURE(select());
    if (row.flags & StalePrimary)
        xclipWrite("primary", "UTF8_STRING", OtherPrimary);
    if (row.flags & HtmlBefore)
        xclipWrite("clipboard", "text/html", KeptHtml);
    else
        EXPECT_TRUE(own(QClipboard::Clipboard, PreviousText, PreviousHtml));
    ASSERT_FALSE(HasFailure()) << "the selections were not set up";

    const Ran r = runCommand();
    EXPECT_EQ(r.status, row.status) << r.err.toStdString();

    // The result, or every flavour back once the editor has pasted.
    const auto clipboardHolds = [&] {
        if (!row.clipboard.isNull())
            return xclip("clipboard") == row.clipboard;
        if (row.flags & HtmlBefore)
            return xclip("clipboard", "text/html") == KeptHtml;
        return xclip("clipboard") == PreviousText
               && xclip("clipboard", "text/html").contains(PreviousHtml);
    };
    EXPECT_TRUE(waitUntil(clipboardHolds, 10000))
        << "clipboard: " << xclip("clipboard").toStdString();

    // Only the editor's own window is left: no panel, no "format not available" dialog.
    EXPECT_TRUE(
        waitUntil([&] { return x->windows("_NET_CLIENT_LIST").size() == 1 && focused(); }, 10000))
        << "the active window is " << x->title(x->active()).toStdString();

    QByteArray document;
    EXPECT_TRUE(waitUntil([&] { return (document = documentText()) == row.document; }, 10000))
        << "the document holds " << document.size() << " bytes: " << document.left(200).data();
}

INSTANTIATE_TEST_SUITE_P(Editors, DesktopTest, testing::ValuesIn(Rows),
                         [](const auto &info) { return std::string(info.param.name); });

} // namespace
