// The desktop clipboard and PRIMARY under a private Xvfb, cross-checked with xclip, and the
// Wayland tools through stand-ins.
#include "tests/pasteboard/pasteboardtesting.h"
#include "tests/support/guitest.h"

#include "pasteboard/clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QTemporaryDir>

namespace {

using namespace PasteboardType;

const QString Utf8 = QStringLiteral("UTF8_STRING");

QByteArray xclip(const char *selection, const QString &target) {
    return xclipRead(selection, target).out;
}

// What a process without a GUI application reads, over its own X connection.
Ran readWithoutGui(const char *selection, const QString &type = {}) {
    const QStringList args{"--read-pasteboard", selection, type};
    return run(self(), type.isEmpty() ? args.first(2) : args);
}

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
    const QByteArray plain = "2*(3+4)^2 = 98\n";
    const QByteArray euro = "2*(3+4)^2 = 98 \xe2\x82\xac\n";
    const struct {
        QString type;
        QByteArray data;
        QString target;
        QStringList types; // as this program reads them back
        QByteArray utf8;   // null: no plain text offered
    } cases[] = {
        {String, euro, Utf8, {String, HTML}, euro},
        {"text/plain", "", Utf8, {String, HTML}, ""},
        {RTF, rtf, "text/rtf", {RTF, String, HTML}, plain},
        // Pictures travel inside the RTF; other programs know the RTF name only.
        {RTFD, rtf, "text/rtf", {RTF, String, HTML}, plain},
        {URIList, "file:///tmp\r\n", URIList, {URIList}, {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.type.toStdString() + " as " + c.target.toStdString());
        ClipboardPasteboard clipboard(ClipboardSelection::Clipboard);
        clipboard.declareTypes({c.type});
        ASSERT_TRUE(clipboard.setData(c.data, c.type));
        const Ran read = xclipRead("clipboard", c.target);
        EXPECT_EQ(read.status, 0);
        EXPECT_EQ(read.out, c.data);
        EXPECT_EQ(xclipRead("clipboard", Utf8).out, c.utf8);
        EXPECT_FALSE(xclipTargets("clipboard").contains(RTFD));

        EXPECT_TRUE(waitUntil([&] { return clipboard.types() == c.types; }))
            << clipboard.types().join(u' ').toStdString();
        const QString expected = ClipboardPasteboard::desktopType(c.type);
        EXPECT_EQ(clipboard.dataForType(expected), c.data);
        EXPECT_EQ(readWithoutGui("clipboard").out, c.types.join(u'\n').toUtf8());
        EXPECT_EQ(readWithoutGui("clipboard", expected).out, c.data);
    }
    // The writer's process ends; the holder it started keeps the clipboard.
    ASSERT_EQ(run(self(), {"--write-clipboard", RTF}, "{\\rtf1 42}").status, 0);
    EXPECT_EQ(xclip("clipboard", "text/rtf"), "{\\rtf1 42}");
}

TEST_F(ClipboardTest, LargeFlavourArrivesWhole) {
    // Far above the size of one X request: the owner sends it in parts.
    const QByteArray rtf =
        "{\\rtf1\\ansi "
        + QByteArray("0123456789 abcdefghijklmnopqrstuvwxyz \\par\n").repeated(70000) + "}";
    ASSERT_TRUE(holdClipboard(RTF, rtf));
    EXPECT_EQ(xclip("clipboard", "text/rtf"), rtf);
    EXPECT_EQ(readWithoutGui("clipboard", RTF).out, rtf);
    EXPECT_TRUE(waitUntil([&] { return Pasteboard::generalPasteboard().dataForType(RTF) == rtf; }));
}

TEST_F(ClipboardTest, PrimaryIsReadableAndSeparate) {
    xclipWrite("clipboard", Utf8, "clipboard text");
    xclipWrite("primary", Utf8, "6*7");
    Pasteboard &selection = Pasteboard::selectionPasteboard();
    EXPECT_EQ(selection.name(), SelectionPboard);
    EXPECT_TRUE(waitUntil([&] { return selection.stringForType(String) == u"6*7"; }));
    EXPECT_EQ(selection.types(), QStringList{String});
    EXPECT_EQ(Pasteboard::generalPasteboard().stringForType(String), u"clipboard text");
    EXPECT_EQ(readWithoutGui("primary", "text/plain").out, "6*7");

    ASSERT_TRUE(holdClipboard(String, "1+2", ClipboardSelection::Primary));
    EXPECT_EQ(xclip("primary", Utf8), "1+2");
    EXPECT_EQ(xclip("clipboard", Utf8), "clipboard text");
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
        {"text/rtf", "{\\rtf1 x}", {RTF}, String, {}},
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

TEST_F(ClipboardTest, ReadsWhatThisProcessPutOnTheClipboardItself) {
    // Qt claims the selection with the time of the last event it saw; the claim may need
    // the newer time that events bring.
    ASSERT_TRUE(waitUntil([] {
        auto *mime = new QMimeData;
        mime->setData("text/rtf", "{\\rtf1 own}");
        QGuiApplication::clipboard()->setMimeData(mime, QClipboard::Clipboard);
        return QGuiApplication::clipboard()->ownsClipboard();
    }));
    // Answered from our own data, not after a time-out waiting for our blocked event loop.
    Pasteboard &clipboard = Pasteboard::generalPasteboard();
    EXPECT_EQ(clipboard.types(), QStringList{RTF});
    EXPECT_EQ(clipboard.dataForType(RTF), "{\\rtf1 own}");
}

TEST_F(ClipboardTest, EmptySelectionOffersNothing) {
    for (Pasteboard *pboard :
         {&Pasteboard::generalPasteboard(), &Pasteboard::selectionPasteboard()}) {
        EXPECT_TRUE(waitUntil([&] { return pboard->types().isEmpty(); }));
        EXPECT_TRUE(pboard->dataForType(String).isNull());
        EXPECT_TRUE(pboard->stringForType(String).isNull());
    }
    EXPECT_EQ(readWithoutGui("clipboard", String).status, 3);
    EXPECT_TRUE(readWithoutGui("primary").out.isEmpty());
}

TEST_F(ClipboardTest, UndeclaredTypeLeavesClipboardAlone) {
    xclipWrite("clipboard", Utf8, "kept");
    ClipboardPasteboard clipboard(ClipboardSelection::Clipboard);
    EXPECT_FALSE(clipboard.setData("{\\rtf1 x}", RTF)); // nothing declared
    clipboard.declareTypes({String});
    EXPECT_FALSE(clipboard.setData("{\\rtf1 x}", RTF));
    EXPECT_EQ(xclip("clipboard", Utf8), "kept");
}

TEST_F(ClipboardTest, WithoutAnyDisplayWritesFailAndReadsAreEmpty) {
    Environment env;
    env.set("DISPLAY");
    env.set("WAYLAND_DISPLAY");
    for (ClipboardBackend backend :
         {ClipboardBackend::Automatic, ClipboardBackend::X11, ClipboardBackend::None}) {
        ClipboardPasteboard clipboard(ClipboardSelection::Clipboard, backend);
        clipboard.declareTypes({String});
        EXPECT_FALSE(clipboard.setData("1", String));
        EXPECT_TRUE(clipboard.types().isEmpty());
        EXPECT_TRUE(clipboard.dataForType(String).isNull());
    }
    for (const char *display : {"", ":9999"}) {
        if (*display)
            env.set("DISPLAY", display);
        EXPECT_FALSE(x11DisplayAvailable()) << display;
        EXPECT_FALSE(holdClipboard(String, "1")) << display;
    }
}

// Stand-ins for wl-copy and wl-paste that record how they were called.
class WaylandClipboardTest : public ClipboardTest {
protected:
    void SetUp() override {
        ClipboardTest::SetUp();
        if (IsSkipped())
            return;
        ASSERT_TRUE(dir.isValid());
        file("wl-copy", R"sh(#!/bin/sh
d=$(dirname "$0"); printf '%s\n' "$@" > "$d/copy-args"; cat > "$d/copy-data"
exit "$(cat "$d/copy-status" 2>/dev/null || echo 0)"
)sh");
        file("wl-paste", R"sh(#!/bin/sh
d=$(dirname "$0"); printf '%s\n' "$@" >> "$d/paste-args"; [ -f "$d/paste-fails" ] && exit 1
case " $* " in *" --list-types "*) cat "$d/types"; exit 0;; esac
while [ $# -gt 0 ]; do [ "$1" = --type ] && type=$2; shift; done
cat "$d/data-$(printf '%s' "$type" | tr '/;=' '___')"
)sh");
        env.set("WAYLAND_DISPLAY", "wayland-sumwise-test");
        env.set("PATH", QFile::encodeName(dir.path()) + ':' + qgetenv("PATH"));
    }
    void file(const QString &name, const QByteArray &text) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
        f.setPermissions(f.permissions() | QFile::ExeOwner);
    }
    QByteArray contents(const QString &name) {
        QFile f(dir.filePath(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    QTemporaryDir dir;
    Environment env;
};

TEST_F(WaylandClipboardTest, WritesGoToWlCopyWhenNoXServerIsReachable) {
    env.set("DISPLAY");
    const struct {
        ClipboardSelection selection;
        QString type;
        QByteArray data, args;
    } cases[] = {
        {ClipboardSelection::Clipboard, Utf8, QByteArray("1+1\n\0x", 6),
         "--type\ntext/plain;charset=utf-8\n"},
        {ClipboardSelection::Clipboard, RTFD, "{\\rtf1 p}", "--type\ntext/rtf\n"},
        {ClipboardSelection::Primary, RTF, "{\\rtf1 q}", "--primary\n--type\ntext/rtf\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.type.toStdString());
        ClipboardPasteboard pboard(c.selection);
        pboard.declareTypes({c.type});
        EXPECT_TRUE(pboard.setData(c.data, c.type));
        EXPECT_EQ(contents("copy-args"), c.args);
        EXPECT_EQ(contents("copy-data"), c.data);
    }
    file("copy-status", "1");
    ClipboardPasteboard clipboard(ClipboardSelection::Clipboard);
    clipboard.declareTypes({String});
    EXPECT_FALSE(clipboard.setData("x", String));
    // Without the tools there is no clipboard at all.
    env.set("PATH", "/nonexistent");
    EXPECT_FALSE(clipboard.setData("x", String));
    EXPECT_TRUE(clipboard.types().isEmpty());
}

TEST_F(WaylandClipboardTest, ReadsComeFromWlPaste) {
    env.set("DISPLAY");
    file("types", "text/plain\nUTF8_STRING\ntext/rtf\nTARGETS\nimage/png\n");
    file("data-text_plain", "2^10");
    file("data-text_rtf", "{\\rtf1 r}");
    ClipboardPasteboard primary(ClipboardSelection::Primary);
    EXPECT_EQ(primary.types(), (QStringList{String, RTF, "image/png"}));
    EXPECT_EQ(primary.stringForType(String), u"2^10");
    EXPECT_EQ(primary.dataForType(RTF), "{\\rtf1 r}");
    EXPECT_TRUE(primary.dataForType(HTML).isNull());
    const QByteArray args = contents("paste-args");
    EXPECT_TRUE(args.contains("--primary\n--no-newline\n--type\ntext/plain\n")) << args.constData();

    file("paste-fails", "");
    EXPECT_TRUE(primary.types().isEmpty());
    EXPECT_TRUE(primary.dataForType(String).isNull());
}

TEST_F(WaylandClipboardTest, ReachableXServerIsPreferred) {
    ClipboardPasteboard clipboard(ClipboardSelection::Clipboard);
    clipboard.declareTypes({String});
    ASSERT_TRUE(clipboard.setData("via X", String));
    EXPECT_EQ(xclip("clipboard", Utf8), "via X");
    EXPECT_FALSE(QFile::exists(dir.filePath("copy-args")));
}

} // namespace
