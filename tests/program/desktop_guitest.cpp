// The services as a user meets them: a real editor on a private desktop (Xvfb, openbox, the
// tests' session bus with a stand-in notification server), a formula typed and selected with
// synthetic keys, `sumwise SERVICE --selection` run as a shortcut daemon runs it, and the
// document read back from the editor itself.
#include "tests/support/notificationserver.h"
#include "tests/support/sessionbus.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QtEndian>

#include <array>
#include <csignal>
#include <unistd.h>

namespace {

// Synthetic input through XTest, xdotool's commands separated by blanks.
bool xdotool(const QString &commands) {
    return ::run("xdotool", commands.split(u' ')).status == 0;
}
bool keys(const QString &sequence) {
    return xdotool("key --delay 40 " + sequence);
}
// Types text, a line break as Return.
void typeText(const QByteArray &text) {
    const QList<QByteArray> lines = text.split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i > 0)
            keys("Return");
        if (!lines[i].isEmpty())
            ::run("xdotool", {"type", "--delay", "30", QString::fromUtf8(lines[i])});
    }
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
    Heading = 1,             // Writer: the paragraph is a Heading 1
    German = 2,              // LANG=de_DE.UTF-8 for the program
    KeysHeld = 4,            // the shortcut's keys are still down when the command starts
    NoPaste = 8,             // --no-paste; the user pastes with Ctrl+V
    File = 16,               // the text is opened from a file instead of typed
    StalePrimary = 32,       // another client holds PRIMARY while the command runs
    HtmlBefore = 64,         // the clipboard held HTML alone before, held by xclip
    Provider = 128,          // a provider runs: it runs the routine, the command loads no Qt GUI
    ProviderElsewhere = 256, // one runs on another display: the command runs the routine
};

struct Row {
    const char *name;
    App app;
    const char *service;
    QByteArray typed; // a line break is Return
    const char *gesture;
    QByteArray document; // what the editor holds afterwards
    int flags = 0;
    int status = 0;            // the command's exit status, and how many notifications came
    QByteArray clipboard = {}; // its text afterwards; null: as it was before (with --no-paste:
                               // the document)
};

void PrintTo(const Row &row, std::ostream *os) {
    *os << row.name;
}

// In lines of 80 characters: GTK lays a line out whole, and a 1 MB one takes it seconds.
const QByteArray Megabyte = QByteArray("1+").repeated(40).append('\n').repeated(12500) + "1";

const Row Rows[] = {
    {"WriterHeadingAdd", Writer, "add", "2*(3+4)^2", "Home shift+End", "2*(3+4)^2 = 98", Heading},
    {"WriterAfterHtmlClipboard", Writer, "substitute", "7*6", CtrlA, "42", HtmlBefore},
    {"MousepadShow", Mousepad, "show", "2^10", CtrlA, "2^10", 0, 0, "1024"},
    // Shift+Down selects the line with its break, which is kept after the result.
    {"FeatherPadLineShiftDown", FeatherPad, "add", "2*(3+4)^2\nnext line", "ctrl+Home shift+Down",
     "2*(3+4)^2 = 98\nnext line"},
    // Copied with Ctrl+C (FeatherPad does not claim PRIMARY), so the clipboard needs restoring.
    {"FeatherPadFailure", FeatherPad, "substitute", "1/0", CtrlA, "1/0", 0, 1},
    {"StalePrimaryOfAnotherWindow", FeatherPad, "substitute", "2*(3+4)^2", CtrlA, "98",
     StalePrimary},
    {"MousepadCopy", Mousepad, "copy", "sqrt(16)", ShiftHome, "sqrt(16)", 0, 0, "4"},
    {"MousepadMegabyte", Mousepad, "substitute", Megabyte, CtrlA, "500001", File},
    {"MousepadKeysHeld", Mousepad, "add", "2^10", ShiftHome, "2^10 = 1024", KeysHeld},
    {"NoPaste", FeatherPad, "substitute", "2*(3+4)^2", CtrlA, "98", NoPaste},
    {"NoPasteFailure", Mousepad, "substitute", "1/0", ShiftHome, "1/0", NoPaste, 1},
    {"ProviderInTheCommandsLanguage", Mousepad, "substitute", "1/2", ShiftHome, "0,5",
     Provider | German},
    {"ProviderFailure", Mousepad, "substitute", "1/0", ShiftHome, "1/0", Provider, 1},
    {"ProviderCopies", Mousepad, "copy", "sqrt(16)", ShiftHome, "sqrt(16)", Provider, 0, "4"},
    {"ProviderOnAnotherDisplay", Mousepad, "substitute", "2*(3+4)^2", ShiftHome, "98",
     ProviderElsewhere},
};

const QByteArray PreviousText = "previous clipboard",
                 PreviousHtml = "<p>previous <b>clipboard</b></p>";
const QByteArray KeptHtml = "<b>kept</b>", OtherPrimary = "5*5";

class DesktopTest : public SessionBusTest, public testing::WithParamInterface<Row> {
protected:
    static inline std::unique_ptr<QProcess> windowManager;
    std::unique_ptr<QProcess> editor;
    std::unique_ptr<NotificationServer> notifications;
    QProcessEnvironment session;
    std::unique_ptr<Desktop> x;
    const Row &row = GetParam();
    const char *const program = std::array{"mousepad", "featherpad", "soffice"}[row.app];

    static void TearDownTestSuite() {
        if (windowManager) {
            windowManager->terminate();
            windowManager->waitForFinished(5000);
        }
        windowManager.reset();
    }

    void SetUp() override {
        requireX11();
        if (IsSkipped() || HasFatalFailure())
            return;
        // The application and the display exist only now.
        bin = QCoreApplication::applicationDirPath();
        x = std::make_unique<Desktop>();
        for (const char *tool : {"openbox", "xdotool", "xclip", "dbus-daemon", program}) {
            if (QStandardPaths::findExecutable(tool).isEmpty())
                GTEST_SKIP() << tool << " is not installed (scripts/install-deps.sh installs it)";
        }
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
        notifications = std::make_unique<NotificationServer>(connection("notifications"));
        ASSERT_TRUE(notifications->registered());
    }

    void TearDown() override {
        stopEditor();
        notifications.reset();
        QDBusConnection::disconnectFromBus("notifications");
        if (!address.isEmpty()) {
            EXPECT_TRUE(providerEnds()) << "the provider is still running";
        }
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
        const QString file = home.filePath("document.txt");
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(row.flags & File ? row.typed : QByteArray());
        f.close();
        const QStringList args[] = {
            {"--disable-server", file},
            {"--standalone", file},
            {"--writer", "--norestore", "--nologo",
             "-env:UserInstallation=file://" + home.filePath("editor/profile")}};
        editor = std::make_unique<QProcess>();
        editor->setProcessEnvironment(env);
        editor->setStandardOutputFile(QProcess::nullDevice());
        editor->setStandardErrorFile(home.filePath("editor.log"));
        editor->setChildProcessModifier([] { ::setsid(); });
        editor->start(program, args[row.app]);
        ASSERT_TRUE(waitUntil([&] { return focused(); }, 90000))
            << program << " did not show a focused window; it wrote:\n"
            << editorLog().toStdString();
    }

    QByteArray editorLog() const {
        QFile log(home.filePath("editor.log"));
        return log.open(QIODevice::ReadOnly) ? log.readAll().right(2000) : QByteArray();
    }

    bool focused() {
        const char *const classes[] = {"Mousepad", "FeatherPad", "libreoffice-writer"};
        const xcb_window_t w = x->active();
        return w && x->windowClass(w) == QLatin1String(classes[row.app]);
    }

    void stopEditor() {
        if (!editor || editor->processId() <= 0)
            return;
        const pid_t group = pid_t(editor->processId());
        ::kill(-group, SIGTERM);
        if (!waitUntil([&] { return ::kill(-group, 0) != 0; }))
            ::kill(-group, SIGKILL);
        editor->waitForFinished(10000);
        EXPECT_TRUE(waitUntil([&] { return ::kill(-group, 0) != 0; }, 10000))
            << "processes of the editor are left";
        EXPECT_TRUE(waitUntil([&] { return x->windows("_NET_CLIENT_LIST").isEmpty(); }, 10000))
            << "windows are left";
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

    // Types the text until the editor holds exactly that: a window can be focused before
    // its document takes keys.
    void type(const QByteArray &text) {
        for (int attempt = 0; attempt < 3; ++attempt) {
            if (attempt > 0)
                keys("ctrl+a BackSpace");
            typeText(text);
            if (documentText() == text)
                return;
        }
        FAIL() << "the editor does not hold what was typed: " << documentText().toStdString();
    }

    // Makes the row's selection; one that claims PRIMARY is seen taking it over from this
    // process (FeatherPad's selections made with keys do not claim it).
    void select() {
        ASSERT_TRUE(own(QClipboard::Selection, "(no selection)"));
        keys(row.gesture);
        if (row.app != FeatherPad) {
            ASSERT_TRUE(waitUntil([] { return !owns(QClipboard::Selection); }, 30000))
                << "the editor did not take PRIMARY for its selection";
        }
    }

    // Runs the command as a shortcut daemon would; Show's panel is answered with Copy.
    Outcome runCommand() {
        QStringList args{row.service, "--selection"};
        if (row.flags & NoPaste)
            args.append("--no-paste");
        if (row.flags & KeysHeld)
            xdotool("keydown ctrl+alt");
        const QString loaderLog = home.filePath("loaded");
        if (row.flags & (Provider | ProviderElsewhere)) {
            EXPECT_TRUE(startProvider());
        }
        const auto p =
            start(args, row.flags & Provider
                            ? with(session, {"LD_DEBUG=files", "LD_DEBUG_OUTPUT=" + loaderLog})
                            : session);
        p->waitForStarted();
        const qint64 pid = p->processId();
        p->closeWriteChannel();
        if (row.flags & KeysHeld) {
            // The user lets go of the shortcut a moment after it fired.
            waitUntil([] { return false; }, 300);
            xdotool("keyup ctrl+alt");
        }
        // Show's panel, once it has the focus: Tab to its Copy button and press it.
        bool answered = row.service != std::string_view("show");
        if (!waitUntil(
                [&] {
                    answered =
                        answered || (x->title(x->active()) == u"Sumwise" && keys("Tab space"));
                    return p->state() == QProcess::NotRunning;
                },
                60000)) {
            p->kill();
            p->waitForFinished();
            ADD_FAILURE() << "the command did not end within 60 s";
        }
        if (row.flags & Provider) {
            // The first log is the command's; the holder it may start writes its own.
            QFile log(loaderLog + u'.' + QString::number(pid));
            EXPECT_TRUE(log.open(QIODevice::ReadOnly));
            EXPECT_FALSE(log.readAll().contains("libQt6Gui")) << "the command ran the routine";
        }
        return {p->exitCode(), p->readAllStandardOutput(), p->readAllStandardError()};
    }
};

TEST_P(DesktopTest, ServiceInPlace) {
    ASSERT_NO_FATAL_FAILURE(startEditor());
    if (row.flags & File) {
        ASSERT_TRUE(waitUntil([&] { return documentText() == row.typed; }, 60000))
            << "the editor did not open the file";
    } else {
        ASSERT_NO_FATAL_FAILURE(type(row.typed));
    }
    if (row.flags & Heading)
        keys("ctrl+1");

    keys("ctrl+End");
    ASSERT_NO_FATAL_FAILURE(select());
    SCOPED_TRACE("PRIMARY: " + xclip("primary").left(80).replace('\n', "\\n").toStdString());
    if (row.flags & StalePrimary) {
        ASSERT_EQ(::run("xclip", {"-selection", "primary", "-i"}, OtherPrimary).status, 0);
        ASSERT_TRUE(waitUntil([&] { return xclip("primary") == OtherPrimary; }, 10000));
    }
    if (row.flags & HtmlBefore) {
        ASSERT_NO_FATAL_FAILURE(xclipWrite("clipboard", "text/html", KeptHtml));
    } else {
        ASSERT_TRUE(own(QClipboard::Clipboard, PreviousText, PreviousHtml));
    }

    const Outcome r = runCommand();
    EXPECT_EQ(r.status, row.status) << r.err.toStdString();

    // The result, or every flavour back once the editor has pasted.
    const auto clipboardHolds = [&] {
        if (row.flags & NoPaste)
            return xclip("clipboard") == row.document;
        if (!row.clipboard.isNull())
            return xclip("clipboard") == row.clipboard;
        if (row.flags & HtmlBefore)
            return xclip("clipboard", "text/html") == KeptHtml;
        return xclip("clipboard") == PreviousText
               && xclip("clipboard", "text/html").contains(PreviousHtml);
    };
    EXPECT_TRUE(waitUntil(clipboardHolds, 10000))
        << "clipboard: " << xclip("clipboard").toStdString();
    if (row.flags & NoPaste) {
        ASSERT_TRUE(waitUntil([&] { return focused(); }, 10000));
        keys("ctrl+v");
    }

    // Only the editor's own window is left: no panel, no "format not available" dialog.
    EXPECT_TRUE(
        waitUntil([&] { return x->windows("_NET_CLIENT_LIST").size() == 1 && focused(); }, 10000))
        << "the active window is " << x->title(x->active()).toStdString();

    QByteArray document;
    waitUntil([&] { return (document = documentText()) == row.document; }, 10000);
    EXPECT_EQ(document.left(200).toStdString(), row.document.left(200).toStdString());
    EXPECT_EQ(document.size(), row.document.size());

    if (row.status && !(row.flags & NoPaste)) {
        ASSERT_TRUE(notifications->waitFor(1, 10000));
        const NotificationServer::Notification n = notifications->notifications().value(0);
        const QString text = n.summary + u'\n' + n.body;
        EXPECT_TRUE(text.contains(QString::fromUtf8(row.typed))) << text.toStdString();
        EXPECT_TRUE(text.contains(u"Division by zero")) << text.toStdString();
    }
    if (!row.status || !(row.flags & NoPaste)) {
        EXPECT_EQ(notifications->notifications().size(), row.status);
    }
    // Substitute and add cost no provider's start.
    if (!(row.flags & (Provider | ProviderElsewhere)) && row.service != std::string_view("copy")
        && row.service != std::string_view("show")) {
        EXPECT_EQ(providerPid(), 0u) << "a provider was started";
    }
}

INSTANTIATE_TEST_SUITE_P(Editors, DesktopTest, testing::ValuesIn(Rows),
                         [](const auto &info) { return std::string(info.param.name); });

} // namespace
