// The clipboard holder on a wlroots compositor, through data-control: what it serves, when it
// gives the previous contents back, and when it ends.
#include "pasteboard/clipboardholder.h"
#include "tests/support/guitest.h"
#include "tests/support/waylandsession.h"

namespace {

class WaylandHolderTest : public testing::Test {
protected:
    std::unique_ptr<WaylandSession> sway = std::make_unique<WaylandSession>();
    std::unique_ptr<QProcess> holder; // killed at the end, before the session

    void SetUp() override {
        QString why;
        if (!sway->start(Compositor::Sway, {u"wl-paste"_qs, u"wl-copy"_qs}, &why))
            GTEST_SKIP() << why.toStdString();
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
    Flavours flavours = textFlavours(u"Grüße");
    flavours.append({"application/x-big", big});
    ASSERT_TRUE(hold(request(ClipboardSelection::Primary, flavours)));
    EXPECT_EQ(sway->paste(true, u"text/plain;charset=utf-8"_qs), "Grüße");
    EXPECT_EQ(sway->paste(true, u"STRING"_qs), "Gr\xfc\xdf"
                                               "e");
    EXPECT_EQ(sway->paste(true, u"application/x-big"_qs), big);
    EXPECT_NE(sway->paste(false), "Grüße") << "the clipboard is left alone";
    sway->launch(u"wl-copy"_qs, {u"--primary"_qs, u"other"_qs});
    EXPECT_TRUE(holderEnds());
    EXPECT_EQ(sway->paste(true), "other");
}

// Clipboard managers fetch each new selection at once; only a fetch after the paste chord is
// the paste, and the previous contents come back right after it, or nothing if there was none.
TEST_F(WaylandHolderTest, GivesThePreviousContentsBackAfterThePaste) {
    const Flavours html{{"text/html", "<b>before</b>"}, {"text/plain", "before"}};
    for (const Flavours &previous : {html, Flavours()}) {
        SCOPED_TRACE(previous.isEmpty() ? "nothing before" : "HTML before");
        ASSERT_TRUE(
            hold(request(ClipboardSelection::Clipboard, textFlavours(u"98"), true, previous)));
        EXPECT_EQ(sway->paste(), "98"); // the manager's fetch
        // Listing the types fetches nothing.
        const QStringList before{u"text/html"_qs, u"text/plain"_qs};
        EXPECT_FALSE(waitUntil([&] { return sway->types() == before; }, 800));
        pasteChordSent();
        EXPECT_EQ(sway->paste(), "98"); // the application's paste
        if (previous.isEmpty()) {
            EXPECT_TRUE(holderEnds());
            EXPECT_EQ(sway->paste(), "");
            continue;
        }
        EXPECT_TRUE(waitUntil([&] { return sway->types() == before; }));
        for (const Flavour &f : previous)
            EXPECT_EQ(sway->paste(false, QString::fromLatin1(f.target)), f.data) << f.target.data();
    }
}

} // namespace
