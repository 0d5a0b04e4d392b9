// The shortcut routine on Wayland compositors with data-control: headless Sway and KWin with a
// Wayland-native editor, the formula typed and selected through a keyboard of the test's own,
// `sumwise SERVICE --selection` run as the compositor's key binding runs it, and the document
// read back from the editor.
#include "pasteboard/waylanddesktop.h"
#include "pasteboard/waylandkeyboard.h"
#include "tests/support/guitest.h"
#include "tests/support/notificationserver.h"
#include "tests/support/sessionbus.h"
#include "tests/support/waylandsession.h"

#include <tuple>

namespace {

struct Row {
    const char *name;
    const char *service;
    QString typed;
    QByteArray document;
    int status = 0;
    bool german = false;
    QString previousType = u"text/plain;charset=utf-8"_qs; // of the clipboard before
    bool terminal = false; // the focus in a terminal running cat, with nothing selected
    bool keysHeld = false; // the shortcut's Ctrl+Alt are still down when the command starts
};

void PrintTo(const Row &row, std::ostream *os) {
    *os << row.name;
}

const Row Rows[] = {
    {.name = "Substitute", .service = "substitute", .typed = u"2*(3+4)^2"_qs, .document = "98"},
    {.name = "AddAfterHtmlClipboard",
     .service = "add",
     .typed = u"2+3"_qs,
     .document = "2+3 = 5",
     .previousType = u"text/html"_qs},
    {.name = "FailureLeavesTheFormula",
     .service = "substitute",
     .typed = u"1/0"_qs,
     .document = "1/0",
     .status = 1},
    {.name = "German",
     .service = "substitute",
     .typed = u"1/2"_qs,
     .document = "0,5",
     .german = true},
    {.name = "KeysHeld",
     .service = "add",
     .typed = u"2^10"_qs,
     .document = "2^10 = 1024",
     .keysHeld = true},
    // A terminal copies with Ctrl+Shift+C: a Ctrl+C would interrupt the program running in it.
    {.name = "TerminalIsNotInterrupted",
     .service = "substitute",
     .typed = u"1+1"_qs,
     .document = "1+1",
     .status = 1,
     .terminal = true},
};

const QByteArray Previous = "previous clipboard";

class WaylandRoutineTest : public SessionBusTest,
                           public testing::WithParamInterface<std::tuple<Compositor, Row>> {
protected:
    std::unique_ptr<WaylandSession> session;
    std::unique_ptr<NotificationServer> notifications;
    std::unique_ptr<WaylandKeyboard> keyboard;

    void SetUp() override {
        session = std::make_unique<WaylandSession>();
        QString why;
        if (!session->start(std::get<Compositor>(GetParam()),
                            {u"mousepad"_qs, u"wl-paste"_qs, u"wl-copy"_qs, u"dbus-daemon"_qs},
                            &why,
                            {QCoreApplication::applicationFilePath(), bin + u"/sumwise"_qs})) {
            GTEST_SKIP() << why.toStdString();
        }
        session->startEditor();
        keyboard = session->openKeyboard();
        ASSERT_TRUE(keyboard && session->editorTakesKeys(*keyboard))
            << "the editor did not take keys";
        ASSERT_TRUE(startBus(environment()));
        notifications = std::make_unique<NotificationServer>(
            QDBusConnection::connectToBus(address, u"notifications"_qs));
        ASSERT_TRUE(notifications->registered());
    }

    void TearDown() override {
        keyboard.reset();
        session.reset();
        notifications.reset();
        QDBusConnection::disconnectFromBus(u"notifications"_qs);
        if (!address.isEmpty()) {
            EXPECT_TRUE(providerEnds()) << "the provider is still running";
        }
        SessionBusTest::TearDown();
    }

    // The command as the compositor's key binding starts it.
    Outcome runAsShortcut(const char *service, bool german = false) {
        QProcessEnvironment env = environment();
        env.remove(u"QT_QPA_PLATFORM"_qs);
        env.remove(u"SUMWISE_ALERT_ANSWER"_qs);
        env.insert(u"WAYLAND_DISPLAY"_qs,
                   session->runtime.filePath(session->env.value(u"WAYLAND_DISPLAY"_qs)));
        if (german) {
            env.remove(u"LC_ALL"_qs);
            env.insert(u"LANG"_qs, u"de_DE.UTF-8"_qs);
        }
        return run({QString::fromLatin1(service), u"--selection"_qs}, {}, env);
    }

    // The editor's whole text, selected and read from PRIMARY, which leaves the clipboard be.
    QByteArray document(const QByteArray &expected) {
        QByteArray text;
        waitUntil(
            [&] {
                keyboard->sendChord(u"ctrl+a");
                return (text = session->paste(true)) == expected;
            },
            5000);
        return text;
    }
};

TEST_P(WaylandRoutineTest, ResultInPlaceAndClipboardGivenBack) {
    const Row &row = std::get<Row>(GetParam());
    // The probe's text is selected: typing replaces it.
    ASSERT_TRUE(keyboard->type(row.typed));
    ASSERT_TRUE(keyboard->sendChord(u"shift+Home"));
    ASSERT_TRUE(waitUntil([&] { return session->paste(true) == row.typed.toUtf8(); }));
    ASSERT_TRUE(session->copy(Previous, row.previousType));
    ASSERT_TRUE(waitUntil([&] { return session->paste(false, row.previousType) == Previous; }));
    QProcess *terminal = nullptr;
    if (row.terminal) {
        if (QStandardPaths::findExecutable(u"foot"_qs).isEmpty())
            GTEST_SKIP() << "foot is not installed (scripts/install-deps.sh)";
        if (std::get<Compositor>(GetParam()) == Compositor::KWin)
            GTEST_SKIP() << "foot 1.13 dies of SIGFPE on headless KWin's virtual output";
        // The account's shell may refuse logins; cat keeps the terminal open.
        terminal = session->launch(u"foot"_qs, {u"cat"_qs});
        const std::unique_ptr<WaylandDesktop> desktop = WaylandDesktop::open();
        ASSERT_TRUE(waitUntil(
            [&] { return desktop->activeWindowClass() == QStringList{u"foot"_qs}; }, 10000));
    }

    if (row.keysHeld) {
        ASSERT_TRUE(keyboard->setKeys(u"ctrl+Alt_L", true));
    }
    const Outcome outcome = runAsShortcut(row.service, row.german);
    if (row.keysHeld) {
        ASSERT_TRUE(keyboard->setKeys(u"ctrl+Alt_L", false));
    }
    EXPECT_EQ(outcome.status, row.status) << outcome.err.toStdString();
    EXPECT_EQ(notifications->notifications().size(), row.status ? 1 : 0);
    // The paste is served, then the clipboard holds again what it held, in its own type.
    EXPECT_TRUE(waitUntil([&] { return session->paste(false, row.previousType) == Previous; }))
        << session->paste().toStdString();
    if (terminal) {
        EXPECT_TRUE(outcome.err.contains("Nothing is selected")) << outcome.err.toStdString();
        EXPECT_FALSE(waitUntil([&] { return terminal->state() == QProcess::NotRunning; }, 1000));
        return;
    }
    EXPECT_EQ(document(row.document), row.document);
}

INSTANTIATE_TEST_SUITE_P(
    Wayland, WaylandRoutineTest,
    testing::Combine(testing::Values(Compositor::Sway, Compositor::KWin), testing::ValuesIn(Rows)),
    [](const auto &info) {
        return std::string(std::get<Compositor>(info.param) == Compositor::Sway ? "Sway" : "KWin")
               + std::get<Row>(info.param).name;
    });

} // namespace
