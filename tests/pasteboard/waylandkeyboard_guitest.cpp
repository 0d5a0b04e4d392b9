// The virtual keyboard against headless Sway and a Wayland-native editor: what it types and
// selects is what the editor holds.
#include "pasteboard/waylandkeyboard.h"
#include "pasteboard/waylandwindows.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <wayland-server.h>

#include <cstring>
#include <functional>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace {

class SwayTest : public testing::Test {
protected:
    QTemporaryDir runtime;
    QProcess sway, bus, editor;
    QProcessEnvironment env;

    void SetUp() override {
        for (const char *tool : {"sway", "mousepad", "wl-paste", "dbus-daemon", "setpriv"}) {
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
                GTEST_SKIP() << tool << " is not installed (scripts/install-deps.sh)";
        }
        // Sway refuses to run as root; everything in the session runs as nobody.
        QStringList as;
        if (getuid() == 0) {
            as = {QStringLiteral("--reuid=nobody"), QStringLiteral("--regid=nogroup"),
                  QStringLiteral("--clear-groups")};
            ASSERT_EQ(chown(QFile::encodeName(runtime.path()).constData(), 65534, 65534), 0);
        }
        env.insert(QStringLiteral("PATH"), qEnvironmentVariable("PATH"));
        env.insert(QStringLiteral("HOME"), runtime.path());
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        env.insert(QStringLiteral("WLR_BACKENDS"), QStringLiteral("headless"));
        env.insert(QStringLiteral("WLR_LIBINPUT_NO_DEVICES"), QStringLiteral("1"));
        env.insert(QStringLiteral("WLR_RENDERER"), QStringLiteral("pixman"));
        QFile config(runtime.filePath(QStringLiteral("sway.conf")));
        ASSERT_TRUE(config.open(QIODevice::WriteOnly));
        config.write("output HEADLESS-1 resolution 1280x800\n");
        config.close();
        sway.setProcessEnvironment(env);
        sway.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        sway.setStandardOutputFile(QProcess::nullDevice());
        sway.start(
            QStringLiteral("setpriv"),
            as + QStringList{QStringLiteral("sway"), QStringLiteral("-c"), config.fileName()});
        // The compositor picks its socket's name.
        QStringList sockets;
        for (int i = 0; i < 100 && sockets.isEmpty(); ++i) {
            QThread::msleep(100);
            sockets = QDir(runtime.path()).entryList({QStringLiteral("wayland-?")}, QDir::System);
        }
        if (sockets.isEmpty())
            GTEST_SKIP() << "headless Sway did not start here";
        env.insert(QStringLiteral("WAYLAND_DISPLAY"), sockets.first());
        qputenv("WAYLAND_DISPLAY", QFile::encodeName(sockets.first()));
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
        // A bus of the session's own that ends with the test; settings stay in memory.
        const QString busAddress = QStringLiteral("unix:path=") + runtime.filePath(u"bus"_qs);
        bus.setProcessEnvironment(env);
        bus.setStandardOutputFile(QProcess::nullDevice());
        bus.start(QStringLiteral("setpriv"),
                  as
                      + QStringList{QStringLiteral("dbus-daemon"), QStringLiteral("--session"),
                                    QStringLiteral("--nofork"),
                                    QStringLiteral("--address=") + busAddress});
        for (int i = 0; i < 50 && !QFile::exists(runtime.filePath(u"bus"_qs)); ++i)
            QThread::msleep(100);
        QProcessEnvironment editorEnv = env;
        editorEnv.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), busAddress);
        editorEnv.insert(QStringLiteral("GSETTINGS_BACKEND"), QStringLiteral("memory"));
        editorEnv.insert(QStringLiteral("GDK_BACKEND"), QStringLiteral("wayland"));
        editorEnv.insert(QStringLiteral("NO_AT_BRIDGE"), QStringLiteral("1"));
        editor.setProcessEnvironment(editorEnv);
        editor.setStandardOutputFile(QProcess::nullDevice());
        editor.setStandardErrorFile(QProcess::nullDevice());
        editor.start(QStringLiteral("setpriv"), as + QStringList{QStringLiteral("mousepad")});
    }

    void TearDown() override {
        for (QProcess *p : {&editor, &bus, &sway}) {
            p->terminate();
            if (!p->waitForFinished(5000))
                p->kill();
            p->waitForFinished();
        }
    }

    QByteArray paste(const QStringList &args) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(QStringLiteral("wl-paste"), QStringList{QStringLiteral("--no-newline")} + args);
        p.waitForFinished(5000);
        return p.readAllStandardOutput();
    }

    // The editor's window takes a moment to map and take the focus.
    QByteArray waitFor(const QStringList &args, const QByteArray &wanted) {
        QByteArray got;
        for (int i = 0; i < 50 && (got = paste(args)) != wanted; ++i)
            QThread::msleep(100);
        return got;
    }
};

TEST_F(SwayTest, TypesSelectsAndCopiesInAWaylandEditor) {
    QString missing;
    std::unique_ptr<WaylandKeyboard> keyboard;
    for (int i = 0; i < 50 && !keyboard; ++i) {
        keyboard = WaylandKeyboard::open(&missing);
        QThread::msleep(100);
    }
    ASSERT_TRUE(keyboard) << missing.toStdString();
    // Until the editor has the focus, what the keyboard types goes nowhere: retry the probe.
    QByteArray typed;
    for (int i = 0; i < 50 && typed != "ready"; ++i) {
        ASSERT_TRUE(keyboard->type(u"ready"));
        ASSERT_TRUE(keyboard->sendChord(u"ctrl+a"));
        typed = paste({QStringLiteral("--primary")});
        QThread::msleep(100);
    }
    ASSERT_EQ(typed, "ready");
    // Characters on the shift level, a selection made with Shift, a Ctrl shortcut.
    ASSERT_TRUE(keyboard->type(u"2*(3+4)^2 = 98"));
    ASSERT_TRUE(keyboard->sendChord(u"shift+Home"));
    EXPECT_EQ(waitFor({QStringLiteral("--primary")}, "2*(3+4)^2 = 98"), "2*(3+4)^2 = 98");
    ASSERT_TRUE(keyboard->sendChord(u"ctrl+c"));
    EXPECT_EQ(waitFor({}, "2*(3+4)^2 = 98"), "2*(3+4)^2 = 98");
    // Keys the keymap does not have are refused, nothing half sent.
    EXPECT_FALSE(keyboard->sendChord(u"hyper+v"));
    EXPECT_FALSE(keyboard->sendChord(u"ctrl+NoSuchKey"));
    EXPECT_FALSE(keyboard->type(u"漢"));
}

TEST(WaylandKeyboardTest, SaysWhatTheSessionLacks) {
    const QByteArray saved = qgetenv("WAYLAND_DISPLAY");
    qunsetenv("WAYLAND_DISPLAY");
    QString missing;
    EXPECT_FALSE(WaylandKeyboard::open(&missing));
    EXPECT_TRUE(missing.contains(u"WAYLAND_DISPLAY")) << missing.toStdString();
    qputenv("WAYLAND_DISPLAY", "sumwise-test-no-compositor");
    EXPECT_FALSE(WaylandKeyboard::open(&missing));
    EXPECT_TRUE(missing.contains(u"cannot be reached")) << missing.toStdString();
    qputenv("WAYLAND_DISPLAY", saved);
}

} // namespace

const QString MousepadAppId = u"mousepad"_qs;

// Clients of the session run as the compositor's user.
QStringList asNobody() {
    if (getuid() != 0)
        return {};
    return {QStringLiteral("--reuid=nobody"), QStringLiteral("--regid=nogroup"),
            QStringLiteral("--clear-groups")};
}

// The focused window's app_id follows the focus: the editor, a terminal opened over it, the
// editor focused again, nothing once every window is gone.
TEST_F(SwayTest, NamesTheFocusedWindowsApplication) {
    // Printable for the failure message; the window takes a moment to map and take the focus.
    auto waitForActive = [](const QString &wanted) {
        QStringList got;
        for (int i = 0; i < 50 && got != QStringList{wanted}; ++i) {
            got = activeWaylandWindowClass();
            QThread::msleep(100);
        }
        return got.join(u',').toStdString();
    };
    ASSERT_EQ(waitForActive(MousepadAppId), MousepadAppId.toStdString());

    if (QStandardPaths::findExecutable(QStringLiteral("foot")).isEmpty())
        GTEST_SKIP() << "foot is not installed (scripts/install-deps.sh)";
    QProcess terminal;
    terminal.setProcessEnvironment(env);
    terminal.setStandardOutputFile(QProcess::nullDevice());
    terminal.setStandardErrorFile(QProcess::nullDevice());
    // The account's shell may refuse logins; cat keeps the terminal open.
    terminal.start(QStringLiteral("setpriv"),
                   asNobody() + QStringList{QStringLiteral("foot"), QStringLiteral("cat")});
    EXPECT_EQ(waitForActive(u"foot"_qs), "foot");
    QString missing;
    const std::optional<WaylandWindow> window = activeWaylandWindow(&missing);
    ASSERT_TRUE(window) << missing.toStdString();
    EXPECT_FALSE(window->title.isEmpty());
    // What the query costs on a session with two windows.
    for (int i = 0; i < 5; ++i) {
        QElapsedTimer timer;
        timer.start();
        activeWaylandWindow();
        RecordProperty("query_us_" + std::to_string(i), int(timer.nsecsElapsed() / 1000));
    }

    // The compositor lists the newest window first: the focus moved back to the editor tells
    // the activated window from the first one.
    const QStringList ipc =
        QDir(runtime.path()).entryList({QStringLiteral("sway-ipc.*.sock")}, QDir::System);
    ASSERT_FALSE(ipc.isEmpty());
    ASSERT_EQ(QProcess::execute(QStringLiteral("swaymsg"),
                                {QStringLiteral("-s"), runtime.filePath(ipc.first()),
                                 QStringLiteral("[app_id=mousepad] focus")}),
              0);
    EXPECT_EQ(waitForActive(MousepadAppId), MousepadAppId.toStdString());

    for (QProcess *p : {&terminal, &editor}) {
        p->kill();
        p->waitForFinished();
    }
    std::optional<WaylandWindow> none = window;
    for (int i = 0; i < 50 && none; ++i) {
        none = activeWaylandWindow(&missing);
        QThread::msleep(100);
    }
    EXPECT_FALSE(none);
    EXPECT_TRUE(missing.contains(u"no window has the focus")) << missing.toStdString();
}

// A stand-in compositor for as long as the object lives.
struct FakeCompositor {
    virtual ~FakeCompositor() = default;
};

// Listens and never answers, like a compositor that is stopped or stuck.
struct SilentCompositor : FakeCompositor {
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    explicit SilentCompositor(const QString &path) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, QFile::encodeName(path).constData(),
                     sizeof address.sun_path - 1);
        EXPECT_EQ(bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
        EXPECT_EQ(listen(fd, 4), 0);
    }
    ~SilentCompositor() override { close(fd); }
};

// Hangs up at once, like a compositor that dies. The connection is handed over by
// WAYLAND_SOCKET, which libwayland reads before WAYLAND_DISPLAY.
struct DeadCompositor : FakeCompositor {
    DeadCompositor() {
        int pair[2];
        EXPECT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
        close(pair[1]);
        qputenv("WAYLAND_SOCKET", QByteArray::number(pair[0]));
    }
    ~DeadCompositor() override { qunsetenv("WAYLAND_SOCKET"); }
};

// A real Wayland server that offers no globals at all.
struct BareCompositor : FakeCompositor {
    wl_display *display = wl_display_create();
    std::thread loop;
    explicit BareCompositor(const QString &name) {
        EXPECT_EQ(wl_display_add_socket(display, QFile::encodeName(name).constData()), 0);
        loop = std::thread([this] { wl_display_run(display); });
    }
    ~BareCompositor() override {
        wl_display_terminate(display);
        loop.join();
        wl_display_destroy(display);
    }
};

TEST(WaylandWindowsTest, SaysWhatTheSessionLacks) {
    QTemporaryDir runtime;
    const QByteArray savedDisplay = qgetenv("WAYLAND_DISPLAY");
    const QByteArray savedRuntime = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    const QString name = u"sumwise-test-0"_qs;
    const QString path = runtime.filePath(name);
    struct Row {
        const char *case_;
        QString display;
        std::function<std::unique_ptr<FakeCompositor>()> start;
        const char *missing;
    };
    const Row rows[] = {
        {"no session", QString(), nullptr, "WAYLAND_DISPLAY"},
        {"no compositor", name, nullptr, "cannot be reached"},
        {"stuck", name, [&] { return std::make_unique<SilentCompositor>(path); },
         "does not answer"},
        {"dies", name, [] { return std::make_unique<DeadCompositor>(); }, "closed the connection"},
        {"no window list", name, [&] { return std::make_unique<BareCompositor>(name); },
         "no foreign-toplevel protocol"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.case_);
        qputenv("WAYLAND_DISPLAY", QFile::encodeName(row.display));
        const std::unique_ptr<FakeCompositor> compositor = row.start ? row.start() : nullptr;
        QString missing;
        EXPECT_FALSE(activeWaylandWindow(&missing, QDeadlineTimer(300)));
        EXPECT_TRUE(missing.contains(QLatin1String(row.missing))) << missing.toStdString();
        QFile::remove(path);
    }
    qputenv("XDG_RUNTIME_DIR", savedRuntime);
    qputenv("WAYLAND_DISPLAY", savedDisplay);
}
