// The virtual keyboard against headless Sway and a Wayland-native editor: what it types and
// selects is what the editor holds.
#include "pasteboard/waylandkeyboard.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

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
