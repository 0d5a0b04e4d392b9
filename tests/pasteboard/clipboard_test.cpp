// The desktop clipboard and PRIMARY under a private Xvfb, cross-checked with xclip, and the
// Wayland clipboard through a stand-in for wl-copy.
#include "tests/pasteboard/pasteboardtesting.h"

#include "pasteboard/clipboard.h"
#include "pasteboard/desktop.h"
#include "pasteboard/mimedatapasteboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QTemporaryDir>

namespace {

using namespace PasteboardType;

const QString Utf8 = QStringLiteral("UTF8_STRING");

class ClipboardTest : public X11Test {
protected:
    void SetUp() override {
        X11Test::SetUp();
        if (!ready())
            return;
        X11 x;
        x.clear("clipboard");
        x.clear("primary");
    }
};

TEST_F(ClipboardTest, OtherProgramsReadTheTypeWrittenInAllItsForms) {
    const QByteArray rtf = "{\\rtf1\\ansi 2*(3+4)^2 = {\\b 98}\\par}";
    const QByteArray euro = "2*(3+4)^2 = 98 \xe2\x82\xac\n";
    const struct {
        QString type;
        QByteArray data;
        QString target;
        QStringList types; // as this program reads them back
        QByteArray utf8;   // null: no plain text offered
    } cases[] = {
        {String, euro, Utf8, {String, HTML}, euro},
        // Pictures travel inside the RTF; other programs know the RTF name only.
        {RTFD, rtf, "text/rtf", {RTF, String, HTML}, "2*(3+4)^2 = 98\n"},
        {URIList, "file:///tmp\r\n", URIList, {URIList}, {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.type.toStdString());
        ClipboardPasteboard clipboard(ClipboardSelection::Clipboard);
        clipboard.declareTypes({c.type});
        ASSERT_TRUE(clipboard.setData(c.data, c.type));
        EXPECT_EQ(xclipRead("clipboard", c.target).out, c.data);
        EXPECT_EQ(xclipRead("clipboard", Utf8).out, c.utf8);
        EXPECT_FALSE(xclipTargets("clipboard").contains(RTFD));

        EXPECT_TRUE(waitUntil([&] { return clipboard.types() == c.types; }))
            << clipboard.types().join(u' ').toStdString();
        const QString expected = ClipboardPasteboard::desktopType(c.type);
        EXPECT_EQ(clipboard.dataForType(expected), c.data);
        EXPECT_EQ(readWithoutGui("clipboard").out, c.types.join(u'\n').toUtf8());
        EXPECT_EQ(readWithoutGui("clipboard", expected).out, c.data);
    }
}

TEST_F(ClipboardTest, EmptySelectionsOfferNothingAndPrimaryIsApart) {
    EXPECT_TRUE(waitUntil([&] { return Pasteboard::selectionPasteboard().types().isEmpty(); }));
    EXPECT_TRUE(Pasteboard::selectionPasteboard().dataForType(String).isNull());
    EXPECT_EQ(readWithoutGui("clipboard", String).status, 3);

    xclipWrite("clipboard", Utf8, "clipboard text");
    xclipWrite("primary", Utf8, "6*7");
    EXPECT_TRUE(waitUntil(
        [&] { return Pasteboard::selectionPasteboard().stringForType(String) == u"6*7"; }));
    EXPECT_EQ(Pasteboard::generalPasteboard().stringForType(String), u"clipboard text");
    EXPECT_EQ(readWithoutGui("primary", "text/plain").out, "6*7");
    ASSERT_TRUE(holdClipboard(String, "1+2", ClipboardSelection::Primary));
    EXPECT_EQ(xclipRead("primary", Utf8).out, "1+2");
    EXPECT_EQ(xclipRead("clipboard", Utf8).out, "clipboard text");
}

TEST_F(ClipboardTest, ReadsWhatOtherProgramsOffer) {
    const struct {
        QString target;
        QByteArray data;
        QStringList types;
        QString asked;
        QByteArray expected; // null: nothing
    } cases[] = {
        {"application/rtf", "{\\rtf1 x}", {RTF}, RTF, "{\\rtf1 x}"},
        // Latin-1 text comes back as UTF-8.
        {"STRING", "\xe4", {String}, String, "\xc3\xa4"},
        {"image/png", "\x89PNG", {"image/png"}, String, {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.target.toStdString() + " asked as " + c.asked.toStdString());
        xclipWrite("clipboard", c.target, c.data);
        Pasteboard &clipboard = Pasteboard::generalPasteboard();
        EXPECT_TRUE(waitUntil([&] { return clipboard.types() == c.types; }))
            << clipboard.types().join(u' ').toStdString();
        const QByteArray data = clipboard.dataForType(c.asked);
        EXPECT_EQ(data.isNull(), c.expected.isNull());
        EXPECT_EQ(data, c.expected);
        const Ran withoutGui = readWithoutGui("clipboard", c.asked);
        EXPECT_EQ(withoutGui.status, c.expected.isNull() ? 3 : 0);
        EXPECT_EQ(withoutGui.out, c.expected);
    }
}

// The shortcut's own reading: the first wanted type on offer, and every flavour kept aside.
TEST_F(ClipboardTest, DesktopReadsLatin1AsUtf8AndSavesTheContentsAlone) {
    xclipWrite("clipboard", "STRING", "\xe4");
    Environment env;
    env.set("WAYLAND_DISPLAY"); // no compositor: the X server
    const std::unique_ptr<Desktop> desktop = Desktop::open();
    ASSERT_TRUE(desktop);
    EXPECT_EQ(desktop->readFirstOf(ClipboardSelection::Clipboard, {RTF, String}),
              std::pair(String, QByteArray("\xc3\xa4")));
    EXPECT_EQ(desktop->saveFlavours(ClipboardSelection::Clipboard), (Flavours{{"STRING", "\xe4"}}));
}

TEST_F(ClipboardTest, MimeDataOffersEveryFlavourWrittenAndThisProcessReadsItsOwn) {
    MimeDataPasteboard mime;
    mime.declareTypes({String, RTF});
    EXPECT_FALSE(mime.setData("x", HTML));
    // Qt claims the selection with the time of the last event it saw; the claim may need
    // the newer time that events bring.
    ASSERT_TRUE(waitUntil([&] {
        return mime.setData("{\\rtf1 own}", RTF) && mime.setData("6*7", String)
               && QGuiApplication::clipboard()->ownsClipboard();
    }));
    EXPECT_EQ(mime.dataForType(RTF), "{\\rtf1 own}");
    EXPECT_EQ(mime.dataForType(String), "6*7");
    // Answered from our own data, not after a time-out waiting for our blocked event loop.
    Pasteboard &clipboard = Pasteboard::generalPasteboard();
    EXPECT_EQ(clipboard.types(), (QStringList{RTF, String}));
    EXPECT_EQ(clipboard.dataForType(RTF), "{\\rtf1 own}");
}

TEST_F(ClipboardTest, WritesGoToWlCopyOnlyWhenNoXServerIsReachable) {
    // A stand-in for wl-copy that records its arguments and input, and fails when told to.
    QTemporaryDir dir;
    const QString tool = putFile(
        dir.filePath("wl-copy"),
        "#!/bin/sh\n{ printf '%s\\n' \"$@\"; cat; } > \"$0.out\"\nexit ${WL_COPY_FAILS:-0}\n");
    QFile::setPermissions(tool, QFile::permissions(tool) | QFile::ExeOwner);
    auto recorded = [&] { return readFile(tool + ".out"); };
    Environment env;
    env.set("WAYLAND_DISPLAY", "wayland-sumwise-test");
    env.set("PATH", QFile::encodeName(dir.path()) + ':' + qgetenv("PATH"));
    ClipboardPasteboard clipboard(ClipboardSelection::Clipboard);
    clipboard.declareTypes({String});
    ASSERT_TRUE(clipboard.setData("via X", String));
    EXPECT_EQ(xclipRead("clipboard", Utf8).out, "via X");
    EXPECT_EQ(recorded(), "<missing>");
    env.set("DISPLAY");
    const struct {
        ClipboardSelection selection;
        QString type;
        QByteArray data, args;
    } cases[] = {
        {ClipboardSelection::Clipboard, Utf8, QByteArray("1+1\n\0x", 6),
         "--type\ntext/plain;charset=utf-8\n"},
        {ClipboardSelection::Primary, RTFD, "{\\rtf1 q}", "--primary\n--type\ntext/rtf\n"},
    };
    for (const auto &c : cases) {
        ClipboardPasteboard pboard(c.selection);
        pboard.declareTypes({c.type});
        EXPECT_TRUE(pboard.setData(c.data, c.type));
        EXPECT_EQ(recorded(), c.args + c.data);
    }
    env.set("WL_COPY_FAILS", "1");
    EXPECT_FALSE(clipboard.setData("x", String));
    // Without the tools there is no clipboard at all.
    env.set("PATH", "/nonexistent");
    EXPECT_FALSE(clipboard.setData("x", String));
    EXPECT_TRUE(clipboard.types().isEmpty());
}

} // namespace
