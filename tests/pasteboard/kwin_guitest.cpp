// The keyboard and the active window's id against a headless KWin (KDE Plasma's compositor)
// with a Wayland-native editor.
#include "pasteboard/kwinwindows.h"
#include "tests/support/waylandsession.h"

#include <QCoreApplication>

namespace {

class KWinTest : public WaylandSessionTest {
protected:
    void SetUp() override {
        WaylandSessionTest::SetUp();
        const QString tool = lacking({QStringLiteral("kwin_wayland"), QStringLiteral("mousepad"),
                                      QStringLiteral("wl-paste"), QStringLiteral("dbus-daemon")});
        if (!tool.isEmpty())
            GTEST_SKIP() << tool.toStdString() << " is not installed (scripts/install-deps.sh)";
        // The installed KWin carries a file capability that containers often may not grant
        // ("Operation not permitted"); a copy has none. KWin needs its own name.
        const QString kwin = runtime.filePath(QStringLiteral("bin/kwin_wayland"));
        ASSERT_TRUE(QDir(runtime.path()).mkpath(QStringLiteral("bin")));
        ASSERT_TRUE(
            QFile::copy(QStandardPaths::findExecutable(QStringLiteral("kwin_wayland")), kwin));
        // KWin offers fake input and window management only to programs whose desktop file
        // names their executable by its absolute path and lists the interfaces. KWin stays
        // with the test's user: it reads the client's /proc/PID/exe.
        const QString applications = runtime.filePath(QStringLiteral("share/applications"));
        ASSERT_TRUE(QDir().mkpath(applications));
        QFile entry(applications + QStringLiteral("/sumwise-kwin-test.desktop"));
        ASSERT_TRUE(entry.open(QIODevice::WriteOnly));
        entry.write("[Desktop Entry]\nType=Application\nName=Sumwise KWin test\nNoDisplay=true\n"
                    "Exec=\""
                    + QCoreApplication::applicationFilePath().toUtf8()
                    + "\"\nX-KDE-Wayland-Interfaces="
                      "org_kde_kwin_fake_input,org_kde_plasma_window_management\n");
        entry.close();
        env.insert(QStringLiteral("XDG_DATA_DIRS"),
                   runtime.filePath(QStringLiteral("share")) + QStringLiteral(":/usr/share"));
        // QPainter compositing: no GPU needed.
        env.insert(QStringLiteral("KWIN_COMPOSE"), QStringLiteral("Q"));
        // A German keyboard (Y and Z swapped, symbols elsewhere) for KWin alone: fake input
        // must press KWin's keys, not those of the default keymap. Without dead keys "^" is
        // a key of its own.
        QProcessEnvironment kwinEnv = env;
        kwinEnv.insert(QStringLiteral("XKB_DEFAULT_LAYOUT"), QStringLiteral("de"));
        kwinEnv.insert(QStringLiteral("XKB_DEFAULT_VARIANT"), QStringLiteral("nodeadkeys"));
        compositor.setProcessEnvironment(kwinEnv);
        compositor.setStandardOutputFile(QProcess::nullDevice());
        compositor.setStandardErrorFile(runtime.filePath(QStringLiteral("kwin.log")));
        compositor.start(kwin, {QStringLiteral("--virtual"), QStringLiteral("--socket"),
                                QStringLiteral("kwin-test"), QStringLiteral("--width"),
                                QStringLiteral("1280"), QStringLiteral("--height"),
                                QStringLiteral("800"), QStringLiteral("--no-lockscreen"),
                                QStringLiteral("--no-global-shortcuts"),
                                QStringLiteral("--no-kactivities")});
        if (!useSocket(QStringLiteral("kwin-test"))) {
            QFile log(runtime.filePath(QStringLiteral("kwin.log")));
            log.open(QIODevice::ReadOnly);
            GTEST_SKIP() << "headless KWin did not start here: "
                         << log.readAll().right(500).constData();
        }
        startEditor();
    }
};

TEST_F(KWinTest, TypesSelectsAndCopiesThroughFakeInput) {
    QString missing;
    const std::unique_ptr<WaylandKeyboard> keyboard = openKeyboard(&missing);
    ASSERT_TRUE(keyboard) << missing.toStdString();
    EXPECT_EQ(keyboard->protocol(), waylandkeyboard::Protocol::FakeInput);
    typeSelectAndCopy(*keyboard);
}

TEST_F(KWinTest, TellsTheActiveWindowsApplication) {
    QString missing;
    QString appId;
    for (int i = 0; i < 50 && appId.isEmpty(); ++i) {
        appId = activeAppIdOnKWin(&missing);
        if (appId.isEmpty())
            QThread::msleep(100);
    }
    EXPECT_EQ(appId, u"mousepad") << missing.toStdString();
}

} // namespace
