// The keyboard and the focused window's application on headless Sway and KWin with a
// Wayland-native editor: what the keyboard types, selects, copies and pastes is what the
// editor holds, read back through data-control.
#include "pasteboard/waylanddesktop.h"
#include "pasteboard/waylandkeyboard.h"
#include "tests/support/guitest.h"
#include "tests/support/waylandsession.h"

namespace {

class CompositorTest : public testing::TestWithParam<Compositor> {
protected:
    WaylandSession session;

    void SetUp() override {
        QString why;
        if (!session.start(GetParam(), {u"mousepad"_qs, u"wl-paste"_qs, u"wl-copy"_qs}, &why,
                           {QCoreApplication::applicationFilePath()})) {
            GTEST_SKIP() << why.toStdString();
        }
        session.startEditor();
    }

    QByteArray waitFor(bool primary, const QByteArray &wanted) {
        QByteArray got;
        waitUntil([&] { return (got = session.paste(primary)) == wanted; });
        return got;
    }
};

TEST_P(CompositorTest, TypesSelectsCopiesAndPastes) {
    QString missing;
    const std::unique_ptr<WaylandKeyboard> keyboard = session.openKeyboard(&missing);
    ASSERT_TRUE(keyboard) << missing.toStdString();
    EXPECT_EQ(keyboard->protocol(), GetParam() == Compositor::Sway
                                        ? waylandkeyboard::Protocol::VirtualKeyboard
                                        : waylandkeyboard::Protocol::FakeInput);
    ASSERT_TRUE(session.editorTakesKeys(*keyboard));
    // Characters on the shift level (KWin's German keymap has them elsewhere), a selection
    // made with Shift, Ctrl shortcuts.
    ASSERT_TRUE(keyboard->type(u"2*(3+4)^2 = 98"));
    ASSERT_TRUE(keyboard->sendChord(u"shift+Home"));
    EXPECT_EQ(waitFor(true, "2*(3+4)^2 = 98"), "2*(3+4)^2 = 98");
    ASSERT_TRUE(keyboard->sendChord(u"ctrl+c"));
    EXPECT_EQ(waitFor(false, "2*(3+4)^2 = 98"), "2*(3+4)^2 = 98");
    ASSERT_TRUE(session.copy("98"));
    ASSERT_EQ(waitFor(false, "98"), "98");
    ASSERT_TRUE(keyboard->sendChord(u"ctrl+v"));
    EXPECT_TRUE(
        waitUntil([&] { return keyboard->sendChord(u"ctrl+a") && session.paste(true) == "98"; }));
    // Keys the keymap does not have are refused, nothing half sent.
    EXPECT_FALSE(keyboard->sendChord(u"ctrl+NoSuchKey"));
    EXPECT_FALSE(keyboard->type(u"漢"));
}

// The focused window's application follows the focus: the editor, a terminal opened over it,
// the editor again.
TEST_P(CompositorTest, NamesTheFocusedWindowsApplication) {
    const std::unique_ptr<WaylandDesktop> desktop = WaylandDesktop::open();
    ASSERT_TRUE(desktop);
    auto focused = [&](const QString &wanted) {
        QStringList got;
        waitUntil([&] { return (got = desktop->activeWindowClass()) == QStringList{wanted}; });
        return got.join(u',').toStdString();
    };
    EXPECT_EQ(focused(u"mousepad"_qs), "mousepad");
    if (QStandardPaths::findExecutable(u"foot"_qs).isEmpty())
        GTEST_SKIP() << "foot is not installed (scripts/install-deps.sh)";
    if (GetParam() == Compositor::KWin)
        GTEST_SKIP() << "foot 1.13 dies of SIGFPE on headless KWin's virtual output";
    // The account's shell may refuse logins; cat keeps the terminal open.
    QProcess *terminal = session.launch(u"foot"_qs, {u"cat"_qs});
    EXPECT_EQ(focused(u"foot"_qs), "foot");
    // Sway lists the newest window first: the editor focused with the terminal still open.
    const QStringList ipc =
        QDir(session.runtime.path()).entryList({u"sway-ipc.*.sock"_qs}, QDir::System);
    ASSERT_FALSE(ipc.isEmpty());
    ASSERT_EQ(QProcess::execute(u"swaymsg"_qs, {u"-s"_qs, session.runtime.filePath(ipc.first()),
                                                u"[app_id=mousepad] focus"_qs}),
              0);
    EXPECT_EQ(focused(u"mousepad"_qs), "mousepad");
    terminal->kill();
    EXPECT_EQ(focused(u"mousepad"_qs), "mousepad");
}

INSTANTIATE_TEST_SUITE_P(Wayland, CompositorTest,
                         testing::Values(Compositor::Sway, Compositor::KWin), [](const auto &info) {
                             return info.param == Compositor::Sway ? "Sway" : "KWin";
                         });

} // namespace
