// The desktop clipboard and PRIMARY under a private Xvfb, cross-checked with xclip; the
// Wayland tools through stand-ins; the active application's name.
#include "tests/support/guitest.h"

#include "pasteboard/clipboard.h"
#include "pasteboard/clipboardholder.h"
#include "platform/activeapplication.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QMimeData>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <optional>
#include <unistd.h>

namespace {

using namespace PasteboardType;

const QString Utf8 = QStringLiteral("UTF8_STRING");

QString self() {
    return QCoreApplication::applicationFilePath();
}

// Fields of /proc/PID/stat after the command name: state, ppid, pgrp, session, ...
QList<QByteArray> procStat(qint64 pid) {
    QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
    const QByteArray stat = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    return stat.isEmpty() ? QList<QByteArray>() : stat.mid(stat.lastIndexOf(')') + 2).split(' ');
}

bool processEnded(qint64 pid) {
    const QList<QByteArray> stat = procStat(pid);
    return stat.isEmpty() || stat[0] == "Z" || stat[0] == "X";
}

bool hasZombieChildren() {
    for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        const QList<QByteArray> stat = procStat(entry.toLongLong());
        if (stat.size() > 1 && stat[0] == "Z" && stat[1].toLongLong() == getpid())
            return true;
    }
    return false;
}

// Sets or removes environment variables for one test.
class Environment {
public:
    ~Environment() {
        for (auto it = m_saved.rbegin(); it != m_saved.rend(); ++it)
            it->second ? qputenv(it->first, *it->second) : qunsetenv(it->first);
    }
    void set(const char *name, const std::optional<QByteArray> &value = std::nullopt) {
        m_saved.append(
            {name, qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt});
        value ? qputenv(name, *value) : qunsetenv(name);
    }

private:
    QList<std::pair<const char *, std::optional<QByteArray>>> m_saved;
};

void clearSelection(const char *selection) {
    X11().clear(selection);
}

QByteArray xclip(const char *selection, const QString &target) {
    return xclipRead(selection, target).out;
}

class ClipboardTest : public X11Test {
protected:
    void SetUp() override {
        X11Test::SetUp();
        if (!ready())
            return;
        clearSelection("clipboard");
        clearSelection("primary");
    }

    // What a process without a GUI application reads, over its own X connection.
    static Ran readWithoutGui(const char *selection, const QString &type = {}) {
        QStringList args{QStringLiteral("--read-pasteboard"), QString::fromLatin1(selection)};
        if (!type.isEmpty())
            args.append(type);
        return run(self(), args);
    }
};

TEST_F(ClipboardTest, OtherProgramsReadTheTypeWrittenInAllItsForms) {
    const QByteArray rtf = "{\\rtf1\\ansi 2*(3+4)^2 = {\\b 98}\\par}";
    const QByteArray plain = "2*(3+4)^2 = 98\n";
    const struct {
        QString type;
        QByteArray data;
        QString target;
        QStringList types; // as this program reads them back
        QByteArray utf8;   // null: no plain text offered
    } cases[] = {
        {String,
         "2*(3+4)^2 = 98 \xe2\x82\xac\n",
         Utf8,
         {String, HTML},
         "2*(3+4)^2 = 98 \xe2\x82\xac\n"},
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

TEST_F(ClipboardTest, ProgramHoldsClipboardUntilAnotherProgramTakesIt) {
    QProcess holder;
    holder.setStandardErrorFile(QProcess::nullDevice());
    holder.start(QCoreApplication::applicationDirPath() + "/sumwise", {"--hold-clipboard"});
    ASSERT_TRUE(holder.waitForStarted(10000));
    HoldRequest request;
    request.flavours = textFlavours(u"7*6");
    holder.write(encodeHoldRequest(request));
    holder.closeWriteChannel();
    ASSERT_TRUE(waitUntil(
        [&] { return holder.canReadLine() || holder.state() != QProcess::Running; }, 15000));
    EXPECT_TRUE(holder.readLine().startsWith("ready "));
    EXPECT_EQ(xclip("clipboard", Utf8), "7*6");
    EXPECT_EQ(holder.state(), QProcess::Running);

    xclipWrite("clipboard", Utf8, "other");
    ASSERT_TRUE(waitUntil([&] { return holder.state() == QProcess::NotRunning; }, 10000));
    EXPECT_EQ(holder.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(holder.exitCode(), 0);
    EXPECT_EQ(xclip("clipboard", Utf8), "other");
}

TEST_F(ClipboardTest, HolderIsDetachedOutlivesTheWriterAndEndsWhenItsSelectionIsTaken) {
    ASSERT_EQ(run(self(), {"--write-clipboard", RTF}, "{\\rtf1 42}").status, 0);
    EXPECT_EQ(xclip("clipboard", "text/rtf"), "{\\rtf1 42}");

    qint64 pid = 0, next = 0, primary = 0;
    ASSERT_TRUE(holdClipboard(String, "held", ClipboardSelection::Clipboard, &pid));
    const QList<QByteArray> stat = procStat(pid);
    ASSERT_GE(stat.size(), 4);
    EXPECT_NE(stat[1].toLongLong(), getpid()) << "still our child";
    EXPECT_NE(stat[3].toLongLong(), getsid(0)) << "still in our session";
    for (const char *link : {"fd/0", "fd/1", "fd/2", "cwd"})
        EXPECT_EQ(QFile::symLinkTarget(QStringLiteral("/proc/%1/%2").arg(pid).arg(link)),
                  QString(link[0] == 'f' ? "/dev/null" : "/"))
            << link;
    EXPECT_EQ(xclip("clipboard", Utf8), "held");
    ASSERT_TRUE(holdClipboard(String, "again", ClipboardSelection::Clipboard, &next));
    EXPECT_TRUE(waitUntil([&] { return processEnded(pid); }));
    // A holder of PRIMARY does not care about the clipboard.
    ASSERT_TRUE(holdClipboard(String, "p", ClipboardSelection::Primary, &primary));
    // The new owner is gone before the holder hears of it: Qt alone would miss this.
    clearSelection("clipboard");
    EXPECT_TRUE(waitUntil([&] { return processEnded(next); }));
    EXPECT_FALSE(processEnded(primary));
    clearSelection("primary");
    EXPECT_TRUE(waitUntil([&] { return processEnded(primary); }));
    EXPECT_FALSE(hasZombieChildren());

    for (const QStringList &bad : {QStringList{"--hold-clipboard", QString()},
                                   QStringList{"--hold-clipboard", String, "--primary", "x"}})
        EXPECT_EQ(run(self(), bad, "x").status, 2) << bad.join(u' ').toStdString();
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

TEST_F(ClipboardTest, ActiveApplicationIsTheClassOfTheActiveWindow) {
    X11 x;
    xcb_delete_property(x.c, x.root, x.atom("_NET_ACTIVE_WINDOW"));
    x.sync();
    EXPECT_EQ(platform::activeApplicationName(), QString()) << "no window manager";
    const struct {
        std::optional<QByteArray> wmClass;
        QString expected;
    } cases[] = {
        {QByteArray("sumwise-test\0Calculator\0", 24), "Calculator"},
        {QByteArray("no-terminator"), QString()},
        {QByteArray("x\0\xc4rger\0", 8), "\u00c4rger"},
        {QByteArray("x\0\xc3\x84rger\0", 9), "\u00c4rger"},
        {std::nullopt, QString()},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.wmClass.value_or("(none)").toStdString());
        const xcb_window_t w = x.window();
        if (c.wmClass)
            x.setProperty(w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8, c.wmClass->constData(),
                          uint32_t(c.wmClass->size()));
        x.setActive(w);
        EXPECT_EQ(platform::activeApplicationName(), c.expected);
        xcb_destroy_window(x.c, w);
        x.sync();
        EXPECT_EQ(platform::activeApplicationName(), QString()) << "active window gone";
    }
    x.setActive(XCB_WINDOW_NONE);
    EXPECT_EQ(platform::activeApplicationName(), QString());
    Environment env;
    for (const char *display : {"", ":9999"}) {
        env.set("DISPLAY", *display ? std::optional<QByteArray>(display) : std::nullopt);
        EXPECT_EQ(platform::activeApplicationName(), QString()) << display;
    }
}

} // namespace
