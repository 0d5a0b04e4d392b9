// The shortcut routine on a wlroots compositor: headless Sway with a Wayland-native editor,
// the formula typed and selected through a virtual keyboard, `sumwise SERVICE --selection`
// run as the compositor's key binding runs it, and the document read back from the editor.
#include "pasteboard/waylandkeyboard.h"
#include "pasteboard/waylandwindows.h"
#include "tests/support/guitest.h"
#include "tests/support/notificationserver.h"
#include "tests/support/sessionbus.h"
#include "tests/support/swaysession.h"

namespace {

struct Row {
    const char *name;
    const char *service;
    QString typed;
    QByteArray document;
    int status = 0;
    bool german = false;
    QString previousType = u"text/plain;charset=utf-8"_qs; // of the clipboard before
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
};

const QByteArray Previous = "previous clipboard";

class SwayRoutineTest : public SessionBusTest, public testing::WithParamInterface<Row> {
protected:
    std::unique_ptr<SwaySession> sway;
    std::unique_ptr<NotificationServer> notifications;
    std::unique_ptr<WaylandKeyboard> keyboard;

    void SetUp() override {
        sway = std::make_unique<SwaySession>();
        QString why;
        if (!sway->start({u"mousepad"_qs, u"wl-paste"_qs, u"wl-copy"_qs, u"dbus-daemon"_qs},
                         &why)) {
            GTEST_SKIP() << why.toStdString();
        }
        // The test's own keyboard speaks to the compositor from this process.
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(sway->runtime.path()));
        qputenv("WAYLAND_DISPLAY", QFile::encodeName(sway->env.value(u"WAYLAND_DISPLAY"_qs)));
        sway->startEditor();
        ASSERT_TRUE(waitUntil([&] { return bool(keyboard = WaylandKeyboard::open()); }, 10000));
        // Until the editor has the focus, what the keyboard types goes nowhere.
        ASSERT_TRUE(waitUntil(
            [&] {
                return keyboard->type(u"ready") && keyboard->sendChord(u"ctrl+a")
                       && sway->paste(true) == "ready";
            },
            20000))
            << "the editor did not take keys";
        ASSERT_TRUE(startBus(environment()));
        notifications = std::make_unique<NotificationServer>(
            QDBusConnection::connectToBus(address, u"notifications"_qs));
        ASSERT_TRUE(notifications->registered());
    }

    void TearDown() override {
        keyboard.reset();
        sway.reset();
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
                   sway->runtime.filePath(sway->env.value(u"WAYLAND_DISPLAY"_qs)));
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
                return (text = sway->paste(true)) == expected;
            },
            5000);
        return text;
    }
};

TEST_P(SwayRoutineTest, ResultInPlaceAndClipboardGivenBack) {
    const Row &row = GetParam();
    // The probe's text is selected: typing replaces it.
    ASSERT_TRUE(keyboard->type(row.typed));
    ASSERT_TRUE(keyboard->sendChord(u"shift+Home"));
    ASSERT_TRUE(waitUntil([&] { return sway->paste(true) == row.typed.toUtf8(); }));
    ASSERT_TRUE(sway->copy(Previous, row.previousType));
    ASSERT_TRUE(waitUntil([&] { return sway->paste(false, row.previousType) == Previous; }));

    const Outcome outcome = runAsShortcut(row.service, row.german);
    EXPECT_EQ(outcome.status, row.status) << outcome.err.toStdString();

    // The paste is served, then the clipboard holds again what it held, in its own type.
    EXPECT_TRUE(waitUntil([&] { return sway->paste(false, row.previousType) == Previous; }))
        << sway->paste().toStdString();
    EXPECT_EQ(document(row.document), row.document);
    EXPECT_EQ(notifications->notifications().size(), row.status ? 1 : 0);
}

// A terminal copies with Ctrl+Shift+C: a Ctrl+C would interrupt the program running in it.
TEST_F(SwayRoutineTest, TerminalIsNotInterrupted) {
    if (QStandardPaths::findExecutable(u"foot"_qs).isEmpty())
        GTEST_SKIP() << "foot is not installed (scripts/install-deps.sh)";
    QProcess *terminal = sway->startAsSessionUser(sway->env, u"foot"_qs, {u"cat"_qs});
    ASSERT_TRUE(waitUntil([] { return activeWaylandWindowClass() == QStringList{u"foot"_qs}; },
                          10000));
    const Outcome outcome = runAsShortcut("substitute");
    EXPECT_EQ(outcome.status, 1) << outcome.err.toStdString();
    EXPECT_TRUE(outcome.err.contains("Nothing is selected")) << outcome.err.toStdString();
    EXPECT_EQ(notifications->notifications().size(), 1);
    EXPECT_FALSE(waitUntil([&] { return terminal->state() == QProcess::NotRunning; }, 1000));
}

INSTANTIATE_TEST_SUITE_P(Sway, SwayRoutineTest, testing::ValuesIn(Rows),
                         [](const auto &info) { return std::string(info.param.name); });

} // namespace
