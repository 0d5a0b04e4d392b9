// The services as a user meets them: a real editor on a private desktop (Xvfb, openbox, the
// tests' session bus with a stand-in notification server), a formula typed and selected with
// synthetic keys and mouse, `sumwise SERVICE --selection` run as a shortcut daemon runs it, and
// the document read back from the editor itself.
#include "tests/support/guitest.h"
#include "tests/support/notificationserver.h"
#include "tests/support/sessionbus.h"

#include <QClipboard>
#include <QDeadlineTimer>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QPixmap>
#include <QRect>
#include <QScreen>
#include <QStandardPaths>

#include <xcb/xcb.h>

#include <csignal>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string_view>
#include <unistd.h>

namespace {

bool installed(const char *program) {
    return !QStandardPaths::findExecutable(QString::fromLatin1(program)).isEmpty();
}

// Synthetic input through XTest.
bool xdotool(const QStringList &args) {
    return ::run(QStringLiteral("xdotool"), args).status == 0;
}
// Types text, a line break as Return.
bool typeText(const QByteArray &text) {
    const QList<QByteArray> lines = text.split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i > 0 && !xdotool({QStringLiteral("key"), QStringLiteral("Return")}))
            return false;
        if (!lines[i].isEmpty()
            && !xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("30"),
                         QString::fromUtf8(lines[i])}))
            return false;
    }
    return true;
}
bool keys(const QString &sequence) {
    return xdotool(
        QStringList{QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("40")}
        + sequence.split(u' '));
}

QByteArray xclip(const char *selection, const char *target = "UTF8_STRING") {
    return xclipRead(selection, QString::fromLatin1(target)).out;
}

// The window manager's view of the windows, over the test's own connection.
struct Desktop : X11 {
    QByteArray property(xcb_window_t w, xcb_atom_t name) {
        auto *reply = xcb_get_property_reply(
            c, xcb_get_property(c, 0, w, name, XCB_GET_PROPERTY_TYPE_ANY, 0, 4096), nullptr);
        QByteArray value;
        if (reply) {
            value = QByteArray(static_cast<const char *>(xcb_get_property_value(reply)),
                               xcb_get_property_value_length(reply));
            std::free(reply);
        }
        return value;
    }
    QList<xcb_window_t> windows(const char *name) {
        const QByteArray v = property(root, atom(name));
        QList<xcb_window_t> list;
        for (qsizetype i = 0; i + 4 <= v.size(); i += 4)
            list.append(*reinterpret_cast<const xcb_window_t *>(v.constData() + i));
        return list;
    }
    xcb_window_t active() { return windows("_NET_ACTIVE_WINDOW").value(0); }
    /// The windows openbox manages.
    QList<xcb_window_t> clients() { return windows("_NET_CLIENT_LIST"); }
    QString windowClass(xcb_window_t w) {
        const QList<QByteArray> parts = property(w, XCB_ATOM_WM_CLASS).split('\0');
        return parts.size() > 1 ? QString::fromLatin1(parts[1]) : QString();
    }
    QString title(xcb_window_t w) {
        const QByteArray name = property(w, atom("_NET_WM_NAME"));
        return QString::fromUtf8(name.isEmpty() ? property(w, XCB_ATOM_WM_NAME) : name);
    }
    bool managed() { return !windows("_NET_SUPPORTING_WM_CHECK").isEmpty(); }
};

// Takes a selection for this process, as a program the user copied from would hold it.
bool own(QClipboard::Mode mode, const std::function<QMimeData *()> &make) {
    QClipboard *clipboard = QGuiApplication::clipboard();
    return waitUntil(
        [&] {
            clipboard->setMimeData(make(), mode);
            return mode == QClipboard::Clipboard ? clipboard->ownsClipboard()
                                                 : clipboard->ownsSelection();
        },
        5000);
}
bool owns(QClipboard::Mode mode) {
    QClipboard *clipboard = QGuiApplication::clipboard();
    return mode == QClipboard::Clipboard ? clipboard->ownsClipboard() : clipboard->ownsSelection();
}

// The rows of pixels where two shots first differ: the first line of the text that changed.
QRect firstChangedLine(const QImage &a, const QImage &b) {
    int top = -1, bottom = -1, left = a.width(), right = -1;
    for (int y = 0; y < qMin(a.height(), b.height()); ++y) {
        const auto *ra = reinterpret_cast<const QRgb *>(a.constScanLine(y));
        const auto *rb = reinterpret_cast<const QRgb *>(b.constScanLine(y));
        bool changed = false;
        for (int x = 0; x < qMin(a.width(), b.width()); ++x) {
            if (ra[x] != rb[x]) {
                changed = true;
                left = qMin(left, x);
                right = qMax(right, x);
            }
        }
        if (changed) {
            if (top < 0)
                top = y;
            bottom = y;
        } else if (top >= 0) {
            break;
        }
    }
    return top < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

QImage screenShot() {
    return QGuiApplication::primaryScreen()->grabWindow(0).toImage().convertToFormat(
        QImage::Format_RGB32);
}

// A shot of a screen that has stopped changing (a blinking caret aside, now and then).
QImage settledScreenShot() {
    QImage shot = screenShot(), previous;
    waitUntil(
        [&] {
            QThread::msleep(150);
            previous = std::exchange(shot, screenShot());
            return shot == previous;
        },
        5000);
    return shot;
}

enum class App { Mousepad, FeatherPad, Writer };

struct Editor {
    const char *program;
    const char *windowClass;
    bool primaryOnKeys; // a selection made with keys claims PRIMARY
};

Editor editorOf(App app) {
    switch (app) {
    case App::Mousepad:
        return {"mousepad", "Mousepad", true};
    case App::FeatherPad:
        return {"featherpad", "FeatherPad", false};
    case App::Writer:
        break;
    }
    return {"soffice", "libreoffice-writer", true};
}

enum class Gesture { ShiftHome, HomeShiftEnd, CtrlA, ShiftDown, TripleClick, Drag };

enum class Provider {
    None,      // the command runs the routine itself
    Here,      // a provider runs: it runs the routine, the command loads no Qt GUI
    Elsewhere, // one runs on another display: the command runs the routine itself
};

struct Row {
    const char *name;
    App app;
    const char *service;
    QByteArray typed = {}; // typed with XTest (a line break is Return)
    Gesture gesture;
    QByteArray document;          // what the editor holds afterwards
    QByteArray clipboard = {};    // the clipboard's text afterwards; null: as it was before
    int notifications = 0;        // -1: not counted
    int status = 0;               // the command's exit status
    QByteArray file = {};         // opened instead of typed
    QByteArray stalePrimary = {}; // another client's PRIMARY while the command runs
    QByteArray htmlBefore = {};   // the clipboard before: this HTML alone, held by xclip
    bool heading = false;         // Writer: the paragraph is a Heading 1
    bool german = false;          // LANG=de_DE.UTF-8 for the program
    bool keysHeld = false;        // the shortcut's keys are still down when the command starts
    bool noPaste = false;         // --no-paste; the user pastes with Ctrl+V
    Provider provider = Provider::None;
};

void PrintTo(const Row &row, std::ostream *os) {
    *os << row.name;
}

// In lines of 80 characters: GTK lays a line out whole, and a 1 MB one takes it seconds.
const QByteArray Megabyte = QByteArray("1+").repeated(40).append('\n').repeated(12500) + "1";

const Row Rows[] = {
    {.name = "MousepadSubstitute",
     .app = App::Mousepad,
     .service = "substitute",
     .typed = "2*(3+4)^2",
     .gesture = Gesture::ShiftHome,
     .document = "98"},
    {.name = "FeatherPadAdd",
     .app = App::FeatherPad,
     .service = "add",
     .typed = "2+3",
     .gesture = Gesture::CtrlA,
     .document = "2+3 = 5"},
    {.name = "WriterSubstitute",
     .app = App::Writer,
     .service = "substitute",
     .typed = "2*(3+4)^2",
     .gesture = Gesture::ShiftHome,
     .document = "98"},
    {.name = "MousepadCopy",
     .app = App::Mousepad,
     .service = "copy",
     .typed = "sqrt(16)",
     .gesture = Gesture::Drag,
     .document = "sqrt(16)",
     .clipboard = "4"},
    {.name = "MousepadShow",
     .app = App::Mousepad,
     .service = "show",
     .typed = "2^10",
     .gesture = Gesture::CtrlA,
     .document = "2^10",
     .clipboard = "1024"},
    {.name = "FeatherPadDrag",
     .app = App::FeatherPad,
     .service = "substitute",
     .typed = "sqrt(2)/2",
     .gesture = Gesture::Drag,
     .document = "0.707106781187"},
    // A line with another after it: Mousepad's triple-click selects it without its line break,
    // Shift+Down with it, which is kept after the result.
    {.name = "MousepadLineTripleClick",
     .app = App::Mousepad,
     .service = "substitute",
     .typed = "2*(3+4)^2\nnext line",
     .gesture = Gesture::TripleClick,
     .document = "98\nnext line"},
    {.name = "FeatherPadLineShiftDown",
     .app = App::FeatherPad,
     .service = "add",
     .typed = "2*(3+4)^2\nnext line",
     .gesture = Gesture::ShiftDown,
     .document = "2*(3+4)^2 = 98\nnext line"},
    // Copied with Ctrl+C (FeatherPad does not claim PRIMARY), so the clipboard needs restoring.
    {.name = "FeatherPadFailure",
     .app = App::FeatherPad,
     .service = "substitute",
     .typed = "1/0",
     .gesture = Gesture::CtrlA,
     .document = "1/0",
     .notifications = 1,
     .status = 1},
    {.name = "StalePrimaryOfAnotherWindow",
     .app = App::FeatherPad,
     .service = "substitute",
     .typed = "2*(3+4)^2",
     .gesture = Gesture::CtrlA,
     .document = "98",
     .stalePrimary = "5*5"},
    {.name = "WriterHeadingAdd",
     .app = App::Writer,
     .service = "add",
     .typed = "2*(3+4)^2",
     .gesture = Gesture::HomeShiftEnd,
     .document = "2*(3+4)^2 = 98",
     .heading = true},
    {.name = "WriterAfterHtmlClipboard",
     .app = App::Writer,
     .service = "substitute",
     .typed = "7*6",
     .gesture = Gesture::CtrlA,
     .document = "42",
     .htmlBefore = "<b>kept</b>"},
    {.name = "MousepadMegabyte",
     .app = App::Mousepad,
     .service = "substitute",
     .gesture = Gesture::CtrlA,
     .document = "500001",
     .file = Megabyte},
    {.name = "MousepadGerman",
     .app = App::Mousepad,
     .service = "substitute",
     .typed = "1/2",
     .gesture = Gesture::ShiftHome,
     .document = "0,5",
     .german = true},
    {.name = "MousepadKeysHeld",
     .app = App::Mousepad,
     .service = "add",
     .typed = "2^10",
     .gesture = Gesture::ShiftHome,
     .document = "2^10 = 1024",
     .keysHeld = true},
    {.name = "NoPaste",
     .app = App::FeatherPad,
     .service = "substitute",
     .typed = "2*(3+4)^2",
     .gesture = Gesture::CtrlA,
     .document = "98",
     .clipboard = "98",
     .noPaste = true},
    {.name = "NoPasteFailure",
     .app = App::Mousepad,
     .service = "substitute",
     .typed = "1/0",
     .gesture = Gesture::ShiftHome,
     .document = "1/0",
     .clipboard = "1/0",
     .notifications = -1,
     .status = 1,
     .noPaste = true},
    {.name = "ProviderCopiesAndPastes",
     .app = App::FeatherPad,
     .service = "add",
     .typed = "2+3",
     .gesture = Gesture::CtrlA,
     .document = "2+3 = 5",
     .provider = Provider::Here},
    {.name = "ProviderInTheCommandsLanguage",
     .app = App::Mousepad,
     .service = "substitute",
     .typed = "1/2",
     .gesture = Gesture::ShiftHome,
     .document = "0,5",
     .german = true,
     .provider = Provider::Here},
    {.name = "ProviderFailure",
     .app = App::Mousepad,
     .service = "substitute",
     .typed = "1/0",
     .gesture = Gesture::ShiftHome,
     .document = "1/0",
     .notifications = 1,
     .status = 1,
     .provider = Provider::Here},
    {.name = "ProviderCopies",
     .app = App::Mousepad,
     .service = "copy",
     .typed = "sqrt(16)",
     .gesture = Gesture::ShiftHome,
     .document = "sqrt(16)",
     .clipboard = "4",
     .provider = Provider::Here},
    {.name = "ProviderOnAnotherDisplay",
     .app = App::Mousepad,
     .service = "substitute",
     .typed = "2*(3+4)^2",
     .gesture = Gesture::ShiftHome,
     .document = "98",
     .provider = Provider::Elsewhere},
};

const QByteArray PreviousText = "previous clipboard";
const QByteArray PreviousHtml = "<p>previous <b>clipboard</b></p>";

class DesktopTest : public SessionBusTest, public testing::WithParamInterface<Row> {
protected:
    static inline std::unique_ptr<QProcess> windowManager;
    std::unique_ptr<QProcess> editor;
    std::unique_ptr<NotificationServer> notifications;
    QProcessEnvironment session;
    std::unique_ptr<Desktop> x;

    static void TearDownTestSuite() {
        if (windowManager) {
            windowManager->terminate();
            windowManager->waitForFinished(5000);
            windowManager.reset();
        }
    }

    void SetUp() override {
        QString why;
        const X11Status status = startX11(&why);
        if (status == X11Status::NotInstalled)
            GTEST_SKIP() << why.toStdString();
        ASSERT_EQ(status, X11Status::Ready) << why.toStdString();
        // The application and the display exist only now.
        bin = QCoreApplication::applicationDirPath();
        x = std::make_unique<Desktop>();
        for (const char *program :
             {"openbox", "xdotool", "xclip", "dbus-daemon", editorOf(GetParam().app).program}) {
            if (!installed(program))
                GTEST_SKIP() << program
                             << " is not installed (scripts/install-deps.sh installs it)";
        }
        ASSERT_NO_FATAL_FAILURE(startWindowManager());

        session = environment();
        session.insert(QStringLiteral("DISPLAY"), qEnvironmentVariable("DISPLAY"));
        session.remove(QStringLiteral("QT_QPA_PLATFORM"));
        // Panels are for the user to answer, as on a desktop.
        session.remove(QStringLiteral("SUMWISE_ALERT_ANSWER"));
        // The provider the bus starts is in another language than the command.
        QProcessEnvironment busSession = session;
        if (GetParam().provider == Provider::Elsewhere)
            busSession.insert(QStringLiteral("DISPLAY"), QStringLiteral(":4242"));
        ASSERT_TRUE(startBus(busSession));
        if (GetParam().german) {
            session.remove(QStringLiteral("LC_ALL"));
            session.insert(QStringLiteral("LANG"), QStringLiteral("de_DE.UTF-8"));
        }
        notifications = std::make_unique<NotificationServer>(
            QDBusConnection::connectToBus(address, QStringLiteral("notifications")));
        ASSERT_TRUE(notifications->registered());
    }

    void TearDown() override {
        stopEditor();
        notifications.reset();
        QDBusConnection::disconnectFromBus(QStringLiteral("notifications"));
        if (!address.isEmpty()) {
            EXPECT_TRUE(providerEnds()) << "the provider is still running";
        }
        SessionBusTest::TearDown();
    }

    void startWindowManager() {
        if (windowManager && windowManager->state() == QProcess::Running && x->managed())
            return;
        windowManager = std::make_unique<QProcess>();
        windowManager->setStandardOutputFile(QProcess::nullDevice());
        windowManager->setStandardErrorFile(QProcess::nullDevice());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
                   QStringLiteral("unix:path=/nonexistent"));
        windowManager->setProcessEnvironment(env);
        windowManager->start(QStringLiteral("openbox"), {});
        ASSERT_TRUE(windowManager->waitForStarted(10000));
        ASSERT_TRUE(waitUntil([&] { return x->managed(); }, 20000)) << "openbox did not start";
    }

    // Starts the editor in a process group of its own on a fresh document and waits until its
    // window has the focus.
    void startEditor(const Row &row) {
        const Editor e = editorOf(row.app);
        const QDir dir(home.path());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"}) {
            const QString path = dir.filePath(QStringLiteral("editor/") + QLatin1String(name));
            dir.mkpath(path);
            env.insert(QString::fromLatin1(name), path);
        }
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.path());
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address);
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("SAL_USE_VCLPLUGIN"), QStringLiteral("gen"));
        env.insert(QStringLiteral("NO_AT_BRIDGE"), QStringLiteral("1"));
        env.insert(QStringLiteral("GSETTINGS_BACKEND"), QStringLiteral("memory"));
        for (const char *name : {"WAYLAND_DISPLAY", "SESSION_MANAGER", "QT_QPA_PLATFORMTHEME"})
            env.remove(QString::fromLatin1(name));

        const QString file = dir.filePath(QStringLiteral("document.txt"));
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(row.file);
        f.close();
        QStringList args;
        switch (row.app) {
        case App::Mousepad:
            args = {QStringLiteral("--disable-server"), file};
            break;
        case App::FeatherPad:
            args = {QStringLiteral("--standalone"), file};
            break;
        case App::Writer:
            args = {QStringLiteral("--writer"), QStringLiteral("--norestore"),
                    QStringLiteral("--nologo"),
                    QStringLiteral("-env:UserInstallation=file://")
                        + dir.filePath(QStringLiteral("editor/profile"))};
            break;
        }
        editor = std::make_unique<QProcess>();
        editor->setProcessEnvironment(env);
        editor->setStandardOutputFile(QProcess::nullDevice());
        editor->setStandardErrorFile(dir.filePath(QStringLiteral("editor.log")));
        editor->setChildProcessModifier([] { ::setsid(); });
        editor->start(QString::fromLatin1(e.program), args);
        ASSERT_TRUE(editor->waitForStarted(10000));
        ASSERT_TRUE(waitUntil([&] { return focused(); }, 90000))
            << e.program << " did not show a focused window; it wrote:\n"
            << editorLog().toStdString();
    }

    QByteArray editorLog() const {
        QFile log(home.filePath(QStringLiteral("editor.log")));
        return log.open(QIODevice::ReadOnly) ? log.readAll().right(2000) : QByteArray();
    }

    bool focused() {
        const xcb_window_t w = x->active();
        return w && x->windowClass(w) == QLatin1String(editorOf(GetParam().app).windowClass);
    }

    void stopEditor() {
        if (!editor || editor->processId() <= 0)
            return;
        const pid_t group = pid_t(editor->processId());
        ::kill(-group, SIGTERM);
        if (!waitUntil([&] { return ::kill(-group, 0) != 0; }, 5000))
            ::kill(-group, SIGKILL);
        editor->waitForFinished(10000);
        EXPECT_TRUE(waitUntil([&] { return ::kill(-group, 0) != 0; }, 10000))
            << "processes of the editor are left";
        EXPECT_TRUE(waitUntil([&] { return x->clients().isEmpty(); }, 10000)) << "windows are left";
        editor.reset();
    }

    // The editor's whole text as Ctrl+A Ctrl+C copies it; null when nothing was copied.
    QByteArray documentText() {
        if (!waitUntil([&] { return focused(); }, 10000))
            return {};
        if (!own(QClipboard::Clipboard, [] {
                auto *m = new QMimeData;
                m->setText(QStringLiteral("(not copied)"));
                return m;
            }))
            return {};
        keys(QStringLiteral("ctrl+a ctrl+c"));
        if (!waitUntil([] { return !owns(QClipboard::Clipboard); }, 10000))
            return {};
        return xclip("clipboard");
    }

    // Types the text until the editor holds exactly that: a window can be focused before
    // its document takes keys.
    void type(const QByteArray &text) {
        for (int attempt = 0; attempt < 3; ++attempt) {
            if (attempt > 0)
                keys(QStringLiteral("ctrl+a BackSpace"));
            typeText(text);
            if (documentText() == text)
                return;
        }
        FAIL() << "the editor does not hold what was typed: " << documentText().toStdString();
    }

    // Where the first line of the text is on the screen: the pixels that change when its
    // characters are typed over with spaces (the editor's fonts are fixed-width).
    QRect firstLine(const QByteArray &text) {
        keys(QStringLiteral("ctrl+Home"));
        const QImage typed = settledScreenShot();
        QByteArray blank = text;
        for (char &c : blank)
            c = c == '\n' ? c : ' ';
        keys(QStringLiteral("ctrl+a"));
        typeText(blank);
        keys(QStringLiteral("ctrl+Home"));
        QRect line, previous;
        waitUntil(
            [&] {
                previous = line;
                line = firstChangedLine(typed, screenShot());
                return line.width() > 20 && line == previous;
            },
            10000);
        keys(QStringLiteral("ctrl+a"));
        typeText(text);
        keys(QStringLiteral("ctrl+Home"));
        waitUntil([&] { return firstChangedLine(typed, screenShot()).width() < 4; }, 10000);
        return line;
    }

    // Makes the row's selection. One that claims PRIMARY is seen taking it over from this
    // process; a mouse gesture that selected nothing (its events raced a repaint) is repeated.
    void select(const Row &row) {
        ASSERT_TRUE(own(QClipboard::Selection, [] {
            auto *m = new QMimeData;
            m->setText(QStringLiteral("(no selection)"));
            return m;
        }));
        const auto taken = [](int ms) {
            return waitUntil([] { return !owns(QClipboard::Selection); }, ms);
        };
        QString sequence;
        switch (row.gesture) {
        case Gesture::ShiftHome:
            sequence = QStringLiteral("ctrl+End shift+Home");
            break;
        case Gesture::HomeShiftEnd:
            sequence = QStringLiteral("Home shift+End");
            break;
        case Gesture::CtrlA:
            sequence = QStringLiteral("ctrl+a");
            break;
        case Gesture::ShiftDown:
            sequence = QStringLiteral("ctrl+Home shift+Down");
            break;
        case Gesture::TripleClick:
        case Gesture::Drag: {
            const QRect line = firstLine(row.typed);
            ASSERT_TRUE(line.isValid()) << "the typed line was not found on the screen";
            const QString y = QString::number(line.center().y());
            QStringList gesture{QStringLiteral("mousemove"),
                                QString::number(line.center().x()),
                                y,
                                QStringLiteral("click"),
                                QStringLiteral("--repeat"),
                                QStringLiteral("3"),
                                QStringLiteral("--delay"),
                                QStringLiteral("80"),
                                QStringLiteral("1")};
            if (row.gesture == Gesture::Drag) {
                // From before the first character to well past the last one.
                gesture = QStringList{QStringLiteral("mousemove"),
                                      QString::number(line.left()),
                                      y,
                                      QStringLiteral("sleep"),
                                      QStringLiteral("0.1"),
                                      QStringLiteral("mousedown"),
                                      QStringLiteral("1"),
                                      QStringLiteral("sleep"),
                                      QStringLiteral("0.1")};
                for (const int x : {line.center().x(), line.right() + 40})
                    gesture << QStringLiteral("mousemove") << QString::number(x) << y
                            << QStringLiteral("sleep") << QStringLiteral("0.1");
                gesture << QStringLiteral("mouseup") << QStringLiteral("1");
            }
            for (int attempt = 0; attempt < 3; ++attempt) {
                xdotool(gesture);
                if (taken(5000))
                    return;
                keys(QStringLiteral("ctrl+End"));
            }
            FAIL() << "the mouse selected nothing on the line at (" << line.x() << ", " << line.y()
                   << ") " << line.width() << "x" << line.height();
        }
        }
        keys(sequence);
        if (editorOf(row.app).primaryOnKeys) {
            ASSERT_TRUE(taken(30000)) << "the editor did not take PRIMARY for its selection";
        }
    }

    // Runs the command as a shortcut daemon would; Show's panel is answered with Copy.
    Outcome runCommand(const Row &row) {
        QStringList args{QString::fromLatin1(row.service), QStringLiteral("--selection")};
        if (row.noPaste)
            args.append(QStringLiteral("--no-paste"));
        if (row.keysHeld)
            xdotool({QStringLiteral("keydown"), QStringLiteral("ctrl+alt")});
        QProcessEnvironment env = session;
        const QString loaderLog = home.filePath(QStringLiteral("loaded"));
        if (row.provider != Provider::None) {
            EXPECT_TRUE(startProvider());
        }
        if (row.provider == Provider::Here) {
            env.insert(QStringLiteral("LD_DEBUG"), QStringLiteral("files"));
            env.insert(QStringLiteral("LD_DEBUG_OUTPUT"), loaderLog);
        }
        const auto p = start(args, env);
        p->waitForStarted();
        const qint64 pid = p->processId();
        p->closeWriteChannel();
        if (row.keysHeld) {
            // The user lets go of the shortcut a moment after it fired.
            waitUntil([] { return false; }, 300);
            xdotool({QStringLiteral("keyup"), QStringLiteral("ctrl+alt")});
        }
        bool answered = false;
        const bool ended = waitUntil(
            [&] {
                if (row.service == std::string_view("show") && !answered)
                    answered = answerPanel();
                return p->state() == QProcess::NotRunning;
            },
            60000);
        if (!ended) {
            p->kill();
            p->waitForFinished();
            ADD_FAILURE() << "the command did not end within 60 s";
        }
        if (row.provider == Provider::Here) {
            // The first log is the command's; the holder it may start writes its own.
            QFile log(loaderLog + u'.' + QString::number(pid));
            EXPECT_TRUE(log.open(QIODevice::ReadOnly));
            EXPECT_FALSE(log.readAll().contains("libQt6Gui")) << "the command ran the routine";
        }
        return {p->readAllStandardOutput(), p->readAllStandardError(), p->exitCode()};
    }

    // The Sumwise panel, once it has the focus: Tab to its Copy button and press it.
    bool answerPanel() {
        const xcb_window_t w = x->active();
        if (!w || x->title(w) != u"Sumwise")
            return false;
        return keys(QStringLiteral("Tab space"));
    }
};

TEST_P(DesktopTest, ServiceInPlace) {
    const Row &row = GetParam();
    ASSERT_NO_FATAL_FAILURE(startEditor(row));
    if (row.file.isEmpty()) {
        ASSERT_NO_FATAL_FAILURE(type(row.typed));
    } else {
        ASSERT_TRUE(waitUntil([&] { return documentText() == row.file; }, 60000))
            << "the editor did not open the file";
    }
    if (row.heading)
        keys(QStringLiteral("ctrl+1"));

    keys(QStringLiteral("ctrl+End"));
    ASSERT_NO_FATAL_FAILURE(select(row));
    SCOPED_TRACE("PRIMARY: " + xclip("primary").left(80).replace('\n', "\\n").toStdString());
    if (!row.stalePrimary.isEmpty()) {
        ASSERT_EQ(::run(QStringLiteral("xclip"), {"-selection", "primary", "-i"}, row.stalePrimary)
                      .status,
                  0);
        ASSERT_TRUE(waitUntil([&] { return xclip("primary") == row.stalePrimary; }, 10000));
    }

    if (row.htmlBefore.isEmpty()) {
        ASSERT_TRUE(own(QClipboard::Clipboard, [] {
            auto *m = new QMimeData;
            m->setText(QString::fromUtf8(PreviousText));
            m->setHtml(QString::fromUtf8(PreviousHtml));
            return m;
        }));
    } else {
        ASSERT_EQ(::run(QStringLiteral("xclip"),
                        {"-selection", "clipboard", "-t", "text/html", "-i"}, row.htmlBefore)
                      .status,
                  0);
        ASSERT_TRUE(
            waitUntil([&] { return xclip("clipboard", "text/html") == row.htmlBefore; }, 10000));
    }

    const Outcome r = runCommand(row);
    EXPECT_EQ(r.status, row.status) << r.err.toStdString();

    if (row.noPaste) {
        EXPECT_TRUE(waitUntil([&] { return xclip("clipboard") == row.clipboard; }, 10000))
            << "clipboard: " << xclip("clipboard").toStdString();
        ASSERT_TRUE(waitUntil([&] { return focused(); }, 10000));
        keys(QStringLiteral("ctrl+v"));
    } else if (!row.clipboard.isNull()) {
        EXPECT_TRUE(waitUntil([&] { return xclip("clipboard") == row.clipboard; }, 10000))
            << "clipboard: " << xclip("clipboard").toStdString();
    } else if (row.htmlBefore.isEmpty()) {
        // Every flavour comes back once the editor has pasted.
        EXPECT_TRUE(waitUntil(
            [&] {
                return xclip("clipboard") == PreviousText
                       && xclip("clipboard", "text/html").contains(PreviousHtml);
            },
            10000))
            << "clipboard: " << xclip("clipboard").toStdString();
    } else {
        EXPECT_TRUE(
            waitUntil([&] { return xclip("clipboard", "text/html") == row.htmlBefore; }, 10000))
            << "clipboard: " << xclip("clipboard", "text/html").toStdString();
    }

    // Only the editor's own window is left: no panel, no "format not available" dialog.
    EXPECT_TRUE(waitUntil([&] { return x->clients().size() == 1 && focused(); }, 10000))
        << x->clients().size() << " windows, the active one is "
        << x->title(x->active()).toStdString();

    QByteArray document;
    waitUntil(
        [&] {
            document = documentText();
            return document == row.document;
        },
        10000);
    EXPECT_EQ(document.left(200).toStdString(), row.document.left(200).toStdString());
    EXPECT_EQ(document.size(), row.document.size());

    if (row.notifications > 0) {
        ASSERT_TRUE(notifications->waitFor(row.notifications, 10000));
        const NotificationServer::Notification n = notifications->notifications().value(0);
        const QString text = n.summary + u'\n' + n.body;
        EXPECT_TRUE(text.contains(QString::fromUtf8(row.typed))) << text.toStdString();
        EXPECT_TRUE(text.contains(u"Division by zero")) << text.toStdString();
    }
    if (row.notifications >= 0) {
        EXPECT_EQ(notifications->notifications().size(), row.notifications);
    } // Substitute and add cost no provider's start.
    const std::string_view service = row.service;
    if (row.provider == Provider::None && (service == "substitute" || service == "add")) {
        EXPECT_EQ(providerPid(), 0u) << "a provider was started";
    }
}

INSTANTIATE_TEST_SUITE_P(Editors, DesktopTest, testing::ValuesIn(Rows),
                         [](const testing::TestParamInfo<Row> &info) {
                             return std::string(info.param.name);
                         });

} // namespace
