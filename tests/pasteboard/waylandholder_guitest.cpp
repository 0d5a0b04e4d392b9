// The clipboard holder on a wlroots compositor, through data-control: what it serves, when it
// gives the previous contents back, and when it ends.
#include "pasteboard/clipboardholder.h"
#include "tests/support/guitest.h"
#include "tests/support/waylandsession.h"

#include <QCoreApplication>

#include <csignal>

namespace {

class WaylandHolderTest : public testing::Test {
protected:
    std::unique_ptr<WaylandSession> sway = std::make_unique<WaylandSession>();
    std::unique_ptr<QProcess> holder;

    void SetUp() override {
        QString why;
        if (!sway->start(Compositor::Sway, {u"wl-paste"_qs, u"wl-copy"_qs}, &why))
            GTEST_SKIP() << why.toStdString();
    }

    void TearDown() override {
        if (holder) {
            holder->kill();
            holder->waitForFinished();
        }
    }

    // Runs the program's holder on the request; true once it said it is ready.
    bool hold(const HoldRequest &request) {
        holder = std::make_unique<QProcess>();
        holder->setProcessEnvironment(sway->env);
        holder->start(QCoreApplication::applicationDirPath() + u"/sumwise"_qs,
                      {u"--hold-clipboard"_qs});
        holder->write(encodeHoldRequest(request));
        holder->closeWriteChannel();
        return holder->waitForReadyRead(10000) && holder->readLine().startsWith("ready ");
    }
    void pasteChordSent() { ::kill(pid_t(holder->processId()), SIGUSR1); }
    bool holderEnds() { return holder->waitForFinished(5000) && holder->exitCode() == 0; }
};

HoldRequest request(ClipboardSelection selection, const Flavours &flavours, bool restore = false,
                    const Flavours &previous = {}) {
    return {selection, DisplaySession::Wayland, flavours, restore, previous, 30000};
}

TEST_F(WaylandHolderTest, ServesEveryFormUntilAnotherProgramTakesOver) {
    const QByteArray big = QByteArray("0123456789").repeated(200000);
    for (const auto selection : {ClipboardSelection::Clipboard, ClipboardSelection::Primary}) {
        const bool primary = selection == ClipboardSelection::Primary;
        SCOPED_TRACE(primary ? "primary" : "clipboard");
        Flavours flavours = textFlavours(u"Grüße");
        flavours.append({"application/x-big", big});
        ASSERT_TRUE(hold(request(selection, flavours)));
        EXPECT_EQ(sway->paste(primary, u"text/plain;charset=utf-8"_qs), "Grüße");
        EXPECT_EQ(sway->paste(primary, u"STRING"_qs), "Gr\xfc\xdf"
                                                      "e");
        EXPECT_EQ(sway->paste(primary, u"application/x-big"_qs), big);
        // The other selection is left alone.
        EXPECT_NE(sway->paste(!primary), "Grüße");
        QProcess other;
        other.setProcessEnvironment(sway->env);
        other.start(u"wl-copy"_qs,
                    primary ? QStringList{u"--primary"_qs, u"other"_qs} : QStringList{u"other"_qs});
        other.waitForFinished(5000);
        EXPECT_TRUE(holderEnds());
        EXPECT_EQ(sway->paste(primary), "other");
    }
}

// Clipboard managers fetch each new selection at once; only a fetch after the paste chord is
// the paste, and the previous contents come back right after it.
TEST_F(WaylandHolderTest, GivesThePreviousContentsBackAfterThePaste) {
    const Flavours previous{{"text/html", "<b>before</b>"}, {"text/plain", "before"}};
    ASSERT_TRUE(hold(request(ClipboardSelection::Clipboard, textFlavours(u"98"), true, previous)));
    // Listing the types fetches nothing.
    const QStringList before{u"text/html"_qs, u"text/plain"_qs};
    EXPECT_EQ(sway->paste(), "98"); // the manager's fetch
    EXPECT_FALSE(waitUntil([&] { return sway->types() == before; }, 800));
    pasteChordSent();
    EXPECT_EQ(sway->paste(), "98"); // the application's paste
    EXPECT_TRUE(waitUntil([&] { return sway->types() == before; }));
    EXPECT_EQ(sway->paste(false, u"text/plain"_qs), "before");
    EXPECT_EQ(sway->paste(false, u"text/html"_qs), "<b>before</b>");
}

TEST_F(WaylandHolderTest, LeavesTheClipboardEmptyWhenItWasEmpty) {
    ASSERT_TRUE(hold(request(ClipboardSelection::Clipboard, textFlavours(u"98"), true)));
    pasteChordSent();
    EXPECT_EQ(sway->paste(), "98");
    EXPECT_TRUE(holderEnds());
    EXPECT_EQ(sway->paste(), "");
}

} // namespace
