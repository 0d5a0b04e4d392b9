// The virtual keyboard against headless Sway and a Wayland-native editor: what it types and
// selects is what the editor holds.
#include "pasteboard/kwinwindows.h"
#include "tests/support/waylandsession.h"

#include <unistd.h>

namespace {

class SwayTest : public WaylandSessionTest {
protected:
    void SetUp() override {
        WaylandSessionTest::SetUp();
        const QString tool =
            lacking({QStringLiteral("sway"), QStringLiteral("mousepad"), QStringLiteral("wl-paste"),
                     QStringLiteral("dbus-daemon"), QStringLiteral("setpriv")});
        if (!tool.isEmpty())
            GTEST_SKIP() << tool.toStdString() << " is not installed (scripts/install-deps.sh)";
        // Sway refuses to run as root; everything in the session runs as nobody.
        if (getuid() == 0) {
            as = {QStringLiteral("--reuid=nobody"), QStringLiteral("--regid=nogroup"),
                  QStringLiteral("--clear-groups")};
            ASSERT_EQ(chown(QFile::encodeName(runtime.path()).constData(), 65534, 65534), 0);
        }
        env.insert(QStringLiteral("WLR_BACKENDS"), QStringLiteral("headless"));
        env.insert(QStringLiteral("WLR_LIBINPUT_NO_DEVICES"), QStringLiteral("1"));
        env.insert(QStringLiteral("WLR_RENDERER"), QStringLiteral("pixman"));
        QFile config(runtime.filePath(QStringLiteral("sway.conf")));
        ASSERT_TRUE(config.open(QIODevice::WriteOnly));
        config.write("output HEADLESS-1 resolution 1280x800\n");
        config.close();
        compositor.setProcessEnvironment(env);
        compositor.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        compositor.setStandardOutputFile(QProcess::nullDevice());
        launch(compositor, QStringLiteral("sway"), {QStringLiteral("-c"), config.fileName()});
        // The compositor picks its socket's name.
        if (!useSocket(QStringLiteral("wayland-?")))
            GTEST_SKIP() << "headless Sway did not start here";
        startEditor();
    }
};

TEST_F(SwayTest, TypesSelectsAndCopiesInAWaylandEditor) {
    QString missing;
    const std::unique_ptr<WaylandKeyboard> keyboard = openKeyboard(&missing);
    ASSERT_TRUE(keyboard) << missing.toStdString();
    EXPECT_EQ(keyboard->protocol(), waylandkeyboard::Protocol::VirtualKeyboard);
    typeSelectAndCopy(*keyboard);
    // Sway does not tell which window is active the way KWin does.
    EXPECT_TRUE(activeAppIdOnKWin(&missing).isEmpty());
    EXPECT_TRUE(missing.contains(u"org_kde_plasma_window_management")) << missing.toStdString();
}

} // namespace
