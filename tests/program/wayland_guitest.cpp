// The shortcut routine on Wayland compositors with data-control: headless Sway and KWin with a
// Wayland-native editor, the formula typed and selected through a keyboard of the test's own,
// `sumwise SERVICE --selection` run as the compositor's key binding runs it, and the document
// read back from the editor.
#include "pasteboard/waylanddesktop.h"
#include "tests/support/notificationserver.h"
#include "tests/support/sessionbus.h"
#include "tests/support/waylandsession.h"

#include <tuple>

namespace {

enum Case {
    Plain,
    HtmlBefore, // the clipboard held HTML before
    KeysHeld,   // the shortcut's Ctrl+Alt are still down when the command starts
    Terminal,   // the focus in a terminal running cat, with nothing selected
};

struct Row {
    const char *name, *service;
    QString typed;
    QByteArray document;
    int status = 0;
    Case what = Plain;
    friend void PrintTo(const Row &row, std::ostream *os) { *os << row.name; }
};

// The first on every compositor; the others take routes that do not depend on it (how each
// compositor takes keys and names the focused window is the pasteboard's tests').
const Row Rows[] = {
    {"Substitute", "substitute", "2*(3+4)^2", "98"},
    {"AddAfterHtmlClipboard", "add", "2+3", "2+3 = 5", 0, HtmlBefore},
    {"KeysHeld", "add", "2^10", "2^10 = 1024", 0, KeysHeld},
    {"FailureLeavesTheFormula", "substitute", "1/0", "1/0", 1},
    // A terminal copies with Ctrl+Shift+C: a Ctrl+C would interrupt the program running in it.
    {"TerminalIsNotInterrupted", "substitute", "1+1", "1+1", 1, Terminal},
};

const QByteArray Previous = "previous clipboard";

class WaylandRoutineTest : public SessionBusTest,
                           public testing::WithParamInterface<std::tuple<Compositor, Row>> {
protected:
    std::unique_ptr<WaylandSession> session = std::make_unique<WaylandSession>();
    std::unique_ptr<NotificationServer> notifications;
    std::unique_ptr<WaylandKeyboard> keyboard;

    void SetUp() override {
        QString why;
        if (!session->start(std::get<Compositor>(GetParam()),
                            {"mousepad", "wl-paste", "wl-copy", "dbus-daemon"}, &why,
                            {QCoreApplication::applicationFilePath(), bin + "/sumwise"}))
            GTEST_SKIP() << why.toStdString();
        session->startEditor();
        keyboard = session->openKeyboard();
        ASSERT_TRUE(keyboard && session->editorTakesKeys(*keyboard))
            << "the editor did not take keys";
        ASSERT_TRUE(startBus(environment()));
        notifications = std::make_unique<NotificationServer>(connection("notifications"));
        ASSERT_TRUE(notifications->registered());
    }

    void TearDown() override {
        keyboard.reset();
        session.reset();
        notifications.reset();
        QDBusConnection::disconnectFromBus("notifications");
        SessionBusTest::TearDown();
    }
};

TEST_P(WaylandRoutineTest, ResultInPlaceAndClipboardGivenBack) {
    const Row &row = std::get<Row>(GetParam());
    const QString previousType = row.what == HtmlBefore ? "text/html" : "text/plain;charset=utf-8";
    // The probe's text is selected: typing replaces it.
    ASSERT_TRUE(keyboard->type(row.typed));
    ASSERT_TRUE(keyboard->sendChord(u"shift+Home"));
    ASSERT_TRUE(waitUntil([&] { return session->paste(true) == row.typed.toUtf8(); }));
    ASSERT_TRUE(session->copy(Previous, previousType));
    ASSERT_TRUE(waitUntil([&] { return session->paste(false, previousType) == Previous; }));
    QProcess *terminal = nullptr;
    if (row.what == Terminal) {
        if (QStandardPaths::findExecutable("foot").isEmpty())
            GTEST_SKIP() << "foot is not installed (scripts/install-deps.sh)";
        // The account's shell may refuse logins; cat keeps the terminal open.
        terminal = session->launch("foot", {"cat"});
        const std::unique_ptr<WaylandDesktop> desktop = WaylandDesktop::open();
        ASSERT_TRUE(
            waitUntil([&] { return desktop->activeWindowClass() == QStringList{"foot"}; }, 10000));
    }

    // The command as the compositor's key binding starts it.
    const QStringList settings{
        "QT_QPA_PLATFORM", "SUMWISE_ALERT_ANSWER",
        "WAYLAND_DISPLAY=" + session->runtime.filePath(session->env.value("WAYLAND_DISPLAY"))};
    ASSERT_TRUE(row.what != KeysHeld || keyboard->setKeys(u"ctrl+Alt_L", true));
    const Ran outcome = run({row.service, "--selection"}, {}, with(environment(), settings));
    ASSERT_TRUE(row.what != KeysHeld || keyboard->setKeys(u"ctrl+Alt_L", false));
    EXPECT_EQ(outcome.status, row.status) << outcome.err.toStdString();
    EXPECT_EQ(notifications->notifications().size(), row.status);
    // The paste is served, then the clipboard holds again what it held, in its own type.
    EXPECT_TRUE(waitUntil([&] { return session->paste(false, previousType) == Previous; }))
        << session->paste().toStdString();
    if (terminal) {
        EXPECT_TRUE(outcome.err.contains("Nothing is selected")) << outcome.err.toStdString();
        EXPECT_FALSE(waitUntil([&] { return terminal->state() == QProcess::NotRunning; }, 1000));
        return;
    }
    // The editor's whole text, selected and read from PRIMARY, which leaves the clipboard be.
    QByteArray text;
    waitUntil([&] {
        keyboard->sendChord(u"ctrl+a");
        return (text = session->paste(true)) == row.document;
    });
    EXPECT_EQ(text, row.document);
}

std::string rowName(const testing::TestParamInfo<std::tuple<Compositor, Row>> &info) {
    return std::get<Row>(info.param).name;
}

INSTANTIATE_TEST_SUITE_P(Sway, WaylandRoutineTest,
                         testing::Combine(testing::Values(Compositor::Sway),
                                          testing::ValuesIn(Rows)),
                         rowName);
// foot 1.13 dies of SIGFPE on headless KWin's virtual output: no terminal row there.
INSTANTIATE_TEST_SUITE_P(KWin, WaylandRoutineTest,
                         testing::Combine(testing::Values(Compositor::KWin),
                                          testing::ValuesIn(Rows, Rows + 1)),
                         rowName);

} // namespace
