// The desktop clipboard and PRIMARY under a private Xvfb, cross-checked with xclip; the
// Wayland tools through stand-ins; the active application's name.
#include "guitest.h"

#include "platform/activeapplication.h"
#include "service/clipboard.h"
#include "service/clipboardholder.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
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

bool waitUntil(const std::function<bool()> &done, int ms = 5000);
xcb_window_t selectionOwner(const char *selection);
void clearSelection(const char *selection);

// xclip takes the selection from a background process of its own, after its first process
// has ended: wait until someone owns the selection that was cleared before.
void xclipWrite(const char *selection, const QString &target, const QByteArray &data) {
    clearSelection(selection);
    QProcess p;
    p.setStandardOutputFile(QProcess::nullDevice());
    p.setStandardErrorFile(QProcess::nullDevice());
    p.start(QStringLiteral("xclip"), {QStringLiteral("-selection"), QString::fromLatin1(selection),
                                      QStringLiteral("-t"), target, QStringLiteral("-i")});
    ASSERT_TRUE(p.waitForStarted(10000));
    p.write(data);
    p.closeWriteChannel();
    ASSERT_TRUE(p.waitForFinished(10000));
    ASSERT_TRUE(waitUntil([&] { return selectionOwner(selection) != XCB_WINDOW_NONE; }));
}

bool waitUntil(const std::function<bool()> &done, int ms) {
    const QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired()) {
        QCoreApplication::processEvents();
        if (done())
            return true;
        QThread::msleep(20);
    }
    return done();
}

QString self() {
    return QCoreApplication::applicationFilePath();
}

// Fields of /proc/PID/stat after the command name: state, ppid, pgrp, session, ...
QList<QByteArray> procStat(qint64 pid) {
    QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray stat = f.readAll();
    return stat.mid(stat.lastIndexOf(')') + 2).split(' ');
}

bool processEnded(qint64 pid) {
    const QList<QByteArray> stat = procStat(pid);
    return stat.isEmpty() || stat[0] == "Z" || stat[0] == "X";
}

QList<qint64> zombieChildren() {
    QList<qint64> zombies;
    for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool isPid = false;
        const qint64 pid = entry.toLongLong(&isPid);
        const QList<QByteArray> stat = isPid ? procStat(pid) : QList<QByteArray>();
        if (stat.size() > 1 && stat[0] == "Z" && stat[1].toLongLong() == getpid())
            zombies.append(pid);
    }
    return zombies;
}

// Sets or removes environment variables for one test.
class Environment {
public:
    ~Environment() {
        for (auto it = m_saved.rbegin(); it != m_saved.rend(); ++it) {
            if (it->second)
                qputenv(it->first, *it->second);
            else
                qunsetenv(it->first);
        }
    }
    void set(const char *name, const QByteArray &value) {
        save(name);
        qputenv(name, value);
    }
    void unset(const char *name) {
        save(name);
        qunsetenv(name);
    }

private:
    void save(const char *name) {
        m_saved.append({name, qEnvironmentVariableIsSet(name)
                                  ? std::optional<QByteArray>(qgetenv(name))
                                  : std::nullopt});
    }
    QList<std::pair<const char *, std::optional<QByteArray>>> m_saved;
};

// A connection of the test's own to the server, for windows and selection owners.
class X11 {
public:
    X11()
        : c(xcb_connect(nullptr, nullptr)) {
        root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    }
    ~X11() { xcb_disconnect(c); }

    xcb_atom_t atom(const char *name) {
        xcb_intern_atom_reply_t *reply =
            xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(strlen(name)), name), nullptr);
        const xcb_atom_t a = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(reply);
        return a;
    }
    xcb_window_t window() {
        const xcb_window_t w = xcb_generate_id(c);
        xcb_create_window(c, XCB_COPY_FROM_PARENT, w, root, 0, 0, 10, 10, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
        return w;
    }
    void setProperty(xcb_window_t w, xcb_atom_t name, xcb_atom_t type, uint8_t format,
                     const void *data, uint32_t units) {
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, name, type, format, units, data);
        sync();
    }
    void setActive(xcb_window_t w) {
        setProperty(root, atom("_NET_ACTIVE_WINDOW"), XCB_ATOM_WINDOW, 32, &w, 1);
    }
    // Leaves a selection without owner: owned by a window that is then destroyed.
    void clearSelection(xcb_atom_t selection) {
        const xcb_window_t w = window();
        xcb_set_selection_owner(c, w, selection, XCB_CURRENT_TIME);
        xcb_destroy_window(c, w);
        sync();
    }
    void sync() { std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr)); }

    xcb_connection_t *c;
    xcb_window_t root;
};

xcb_atom_t selectionAtom(X11 &x, const char *selection) {
    return std::strcmp(selection, "primary") == 0 ? xcb_atom_t(XCB_ATOM_PRIMARY)
                                                  : x.atom("CLIPBOARD");
}

xcb_window_t selectionOwner(const char *selection) {
    X11 x;
    xcb_get_selection_owner_reply_t *reply = xcb_get_selection_owner_reply(
        x.c, xcb_get_selection_owner(x.c, selectionAtom(x, selection)), nullptr);
    const xcb_window_t owner = reply ? reply->owner : xcb_window_t(XCB_WINDOW_NONE);
    std::free(reply);
    return owner;
}

void clearSelection(const char *selection) {
    X11 x;
    x.clearSelection(selectionAtom(x, selection));
}

class ClipboardTest : public testing::Test {
protected:
    void SetUp() override {
        QString why;
        const X11Status status = startX11(&why);
        if (status == X11Status::NotInstalled)
            GTEST_SKIP() << why.toStdString();
        ASSERT_EQ(status, X11Status::Ready) << why.toStdString();
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

TEST_F(ClipboardTest, OtherProgramsReadTheOneFlavourWritten) {
    const QByteArray rtf = "{\\rtf1\\ansi 2*(3+4)^2 = {\\b 98}\\par}";
    const struct {
        QString type;
        QByteArray data;
        QString target;
        QStringList absent;
    } cases[] = {
        {PasteboardType::String,
         "2*(3+4)^2 = 98 \xe2\x82\xac\n",
         QStringLiteral("UTF8_STRING"),
         {QStringLiteral("text/rtf")}},
        {PasteboardType::String, "\xc3\xbc", PasteboardType::String, {}},
        {QStringLiteral("text/plain"), "", QStringLiteral("UTF8_STRING"), {}},
        {PasteboardType::RTF,
         rtf,
         QStringLiteral("text/rtf"),
         {QStringLiteral("UTF8_STRING"), QStringLiteral("text/plain"), QStringLiteral("STRING")}},
        {QStringLiteral("application/rtf"),
         rtf,
         QStringLiteral("text/rtf"),
         {QStringLiteral("UTF8_STRING")}},
        // Pictures travel inside the RTF; other programs know the RTF name only.
        {PasteboardType::RTFD,
         rtf,
         QStringLiteral("text/rtf"),
         {PasteboardType::RTFD, QStringLiteral("UTF8_STRING")}},
        {PasteboardType::HTML, "<b>98</b>", PasteboardType::HTML, {QStringLiteral("UTF8_STRING")}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.type.toStdString() + " as " + c.target.toStdString());
        ClipboardPasteboard clipboard(ClipboardSelection::Clipboard);
        clipboard.declareTypes({c.type});
        ASSERT_TRUE(clipboard.setData(c.data, c.type));
        const Ran read = xclipRead("clipboard", c.target);
        EXPECT_EQ(read.status, 0);
        EXPECT_EQ(read.out, c.data);
        const QStringList targets = xclipTargets("clipboard");
        for (const QString &absent : c.absent)
            EXPECT_FALSE(targets.contains(absent)) << absent.toStdString();

        const QString expected = ClipboardPasteboard::desktopType(c.type);
        EXPECT_TRUE(waitUntil([&] { return clipboard.types() == QStringList{expected}; }))
            << clipboard.types().join(u' ').toStdString();
        EXPECT_EQ(clipboard.dataForType(expected), c.data);
        EXPECT_EQ(readWithoutGui("clipboard").out, expected.toUtf8());
        EXPECT_EQ(readWithoutGui("clipboard", expected).out, c.data);
    }
}

TEST_F(ClipboardTest, LargeFlavourArrivesWhole) {
    // Far above the size of one X request: the owner sends it in parts.
    QByteArray rtf = "{\\rtf1\\ansi ";
    while (rtf.size() < 3'000'000)
        rtf += "0123456789 abcdefghijklmnopqrstuvwxyz \\par\n";
    rtf += "}";
    ASSERT_TRUE(holdClipboard(PasteboardType::RTF, rtf));
    EXPECT_EQ(xclipRead("clipboard", QStringLiteral("text/rtf")).out, rtf);
    EXPECT_EQ(readWithoutGui("clipboard", PasteboardType::RTF).out, rtf);
    EXPECT_TRUE(waitUntil(
        [&] { return Pasteboard::generalPasteboard().dataForType(PasteboardType::RTF) == rtf; }));
}

TEST_F(ClipboardTest, ContentsOutliveTheWriter) {
    Ran writer =
        run(self(), {QStringLiteral("--write-clipboard"), PasteboardType::RTF}, "{\\rtf1 42}");
    ASSERT_EQ(writer.status, 0);
    EXPECT_EQ(xclipRead("clipboard", QStringLiteral("text/rtf")).out, "{\\rtf1 42}");
    EXPECT_TRUE(zombieChildren().isEmpty());
}

TEST_F(ClipboardTest, ProgramHoldsClipboardUntilAnotherProgramTakesIt) {
    const QString sumwise = QCoreApplication::applicationDirPath() + QStringLiteral("/sumwise");
    ASSERT_TRUE(QFile::exists(sumwise));
    QProcess holder;
    holder.setStandardErrorFile(QProcess::nullDevice());
    holder.start(sumwise, {QStringLiteral("--hold-clipboard"), PasteboardType::String});
    ASSERT_TRUE(holder.waitForStarted(10000));
    holder.write("7*6");
    holder.closeWriteChannel();
    ASSERT_TRUE(waitUntil(
        [&] { return holder.canReadLine() || holder.state() != QProcess::Running; }, 15000));
    EXPECT_TRUE(holder.readLine().startsWith("ready "));
    EXPECT_EQ(xclipRead("clipboard", QStringLiteral("UTF8_STRING")).out, "7*6");
    EXPECT_EQ(holder.state(), QProcess::Running);

    xclipWrite("clipboard", QStringLiteral("UTF8_STRING"), "other");
    ASSERT_TRUE(waitUntil([&] { return holder.state() == QProcess::NotRunning; }, 10000));
    EXPECT_EQ(holder.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(holder.exitCode(), 0);
    EXPECT_EQ(xclipRead("clipboard", QStringLiteral("UTF8_STRING")).out, "other");
}

TEST_F(ClipboardTest, HolderIsDetachedAndEndsWhenReplaced) {
    qint64 pid = 0;
    ASSERT_TRUE(
        holdClipboard(PasteboardType::String, "first", ClipboardSelection::Clipboard, &pid));
    ASSERT_GT(pid, 0);
    const QList<QByteArray> stat = procStat(pid);
    ASSERT_GE(stat.size(), 4);
    EXPECT_NE(stat[1].toLongLong(), getpid()) << "still our child";
    EXPECT_NE(stat[3].toLongLong(), getsid(0)) << "still in our session";
    for (int fd = 0; fd <= 2; ++fd) {
        EXPECT_EQ(QFile::symLinkTarget(QStringLiteral("/proc/%1/fd/%2").arg(pid).arg(fd)),
                  QStringLiteral("/dev/null"))
            << "fd " << fd;
    }
    EXPECT_EQ(QFile::symLinkTarget(QStringLiteral("/proc/%1/cwd").arg(pid)), QStringLiteral("/"));
    EXPECT_TRUE(zombieChildren().isEmpty());
}

TEST_F(ClipboardTest, HolderEndsWhenItsSelectionIsTaken) {
    const struct {
        const char *how;
        std::function<void()> take;
    } cases[] = {
        {"xclip", [] { xclipWrite("clipboard", QStringLiteral("UTF8_STRING"), "xclip"); }},
        {"another holder", [] { ASSERT_TRUE(holdClipboard(PasteboardType::String, "again")); }},
        // The new owner is gone before the holder hears of it: Qt alone would miss this.
        {"cleared", [] { clearSelection("clipboard"); }},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.how);
        qint64 pid = 0;
        ASSERT_TRUE(
            holdClipboard(PasteboardType::String, "held", ClipboardSelection::Clipboard, &pid));
        EXPECT_EQ(xclipRead("clipboard", QStringLiteral("UTF8_STRING")).out, "held");
        c.take();
        EXPECT_TRUE(waitUntil([&] { return processEnded(pid); }))
            << procStat(pid).join(' ').constData();
    }
    // A holder of PRIMARY does not care about the clipboard.
    qint64 pid = 0;
    ASSERT_TRUE(holdClipboard(PasteboardType::String, "p", ClipboardSelection::Primary, &pid));
    clearSelection("clipboard");
    QThread::msleep(300);
    EXPECT_FALSE(processEnded(pid));
    clearSelection("primary");
    EXPECT_TRUE(waitUntil([&] { return processEnded(pid); }));
}

TEST_F(ClipboardTest, HolderRefusesBadUsage) {
    const QStringList bad[] = {
        {QStringLiteral("--hold-clipboard")},
        {QStringLiteral("--hold-clipboard"), QString()},
        {QStringLiteral("--hold-clipboard"), PasteboardType::String, QStringLiteral("--secondary")},
        {QStringLiteral("--hold-clipboard"), PasteboardType::String, QStringLiteral("--primary"),
         QStringLiteral("x")},
    };
    for (const QStringList &args : bad)
        EXPECT_EQ(run(self(), args, "x").status, 2) << args.join(u' ').toStdString();
}

TEST_F(ClipboardTest, PrimaryIsReadableAndSeparate) {
    xclipWrite("clipboard", QStringLiteral("UTF8_STRING"), "clipboard text");
    xclipWrite("primary", QStringLiteral("UTF8_STRING"), "6*7");
    Pasteboard &selection = Pasteboard::selectionPasteboard();
    EXPECT_EQ(selection.name(), SelectionPboard);
    EXPECT_TRUE(
        waitUntil([&] { return selection.stringForType(PasteboardType::String) == u"6*7"; }));
    EXPECT_EQ(selection.types(), QStringList{PasteboardType::String});
    EXPECT_EQ(Pasteboard::generalPasteboard().stringForType(PasteboardType::String),
              u"clipboard text");
    EXPECT_EQ(readWithoutGui("primary", QStringLiteral("text/plain")).out, "6*7");

    ASSERT_TRUE(holdClipboard(PasteboardType::String, "1+2", ClipboardSelection::Primary));
    EXPECT_EQ(xclipRead("primary", QStringLiteral("UTF8_STRING")).out, "1+2");
    EXPECT_EQ(xclipRead("clipboard", QStringLiteral("UTF8_STRING")).out, "clipboard text");
}

TEST_F(ClipboardTest, ReadsWhatOtherProgramsOffer) {
    const struct {
        QString target;
        QByteArray data;
        QStringList types;
        QString asked;
        QByteArray expected; // null: nothing
    } cases[] = {
        {QStringLiteral("text/rtf"),
         "{\\rtf1 x}",
         {PasteboardType::RTF},
         PasteboardType::RTF,
         "{\\rtf1 x}"},
        {QStringLiteral("text/rtf"),
         "{\\rtf1 x}",
         {PasteboardType::RTF},
         PasteboardType::String,
         {}},
        {QStringLiteral("application/rtf"),
         "{\\rtf1 y}",
         {PasteboardType::RTF},
         PasteboardType::RTF,
         "{\\rtf1 y}"},
        {QStringLiteral("UTF8_STRING"),
         "\xe2\x88\x9a"
         "2",
         {PasteboardType::String},
         QStringLiteral("text/plain"),
         "\xe2\x88\x9a"
         "2"},
        // Latin-1 text comes back as UTF-8.
        {QStringLiteral("STRING"),
         "\xe4",
         {PasteboardType::String},
         PasteboardType::String,
         "\xc3\xa4"},
        {QStringLiteral("image/png"),
         "\x89PNG",
         {QStringLiteral("image/png")},
         PasteboardType::String,
         {}},
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
        mime->setData(QStringLiteral("text/rtf"), "{\\rtf1 own}");
        QGuiApplication::clipboard()->setMimeData(mime, QClipboard::Clipboard);
        return QGuiApplication::clipboard()->ownsClipboard();
    }));
    QElapsedTimer timer;
    timer.start();
    Pasteboard &clipboard = Pasteboard::generalPasteboard();
    EXPECT_EQ(clipboard.types(), QStringList{PasteboardType::RTF});
    EXPECT_EQ(clipboard.dataForType(PasteboardType::RTF), "{\\rtf1 own}");
    // Answered at once, not after waiting for our own blocked event loop.
    EXPECT_LT(timer.elapsed(), 1000);
}

TEST_F(ClipboardTest, EmptySelectionOffersNothing) {
    for (Pasteboard *pboard :
         {&Pasteboard::generalPasteboard(), &Pasteboard::selectionPasteboard()}) {
        EXPECT_TRUE(waitUntil([&] { return pboard->types().isEmpty(); }));
        EXPECT_TRUE(pboard->dataForType(PasteboardType::String).isNull());
        EXPECT_TRUE(pboard->stringForType(PasteboardType::String).isNull());
    }
    EXPECT_EQ(readWithoutGui("clipboard", PasteboardType::String).status, 3);
    EXPECT_TRUE(readWithoutGui("primary").out.isEmpty());
}

TEST_F(ClipboardTest, UndeclaredTypeLeavesClipboardAlone) {
    xclipWrite("clipboard", QStringLiteral("UTF8_STRING"), "kept");
    ClipboardPasteboard clipboard(ClipboardSelection::Clipboard);
    EXPECT_FALSE(clipboard.setData("{\\rtf1 x}", PasteboardType::RTF)); // nothing declared
    clipboard.declareTypes({PasteboardType::String});
    EXPECT_FALSE(clipboard.setData("{\\rtf1 x}", PasteboardType::RTF));
    EXPECT_EQ(xclipRead("clipboard", QStringLiteral("UTF8_STRING")).out, "kept");
}

TEST_F(ClipboardTest, WithoutAnyDisplayWritesFailAndReadsAreEmpty) {
    Environment env;
    env.unset("DISPLAY");
    env.unset("WAYLAND_DISPLAY");
    for (ClipboardBackend backend :
         {ClipboardBackend::Automatic, ClipboardBackend::X11, ClipboardBackend::None}) {
        ClipboardPasteboard clipboard(ClipboardSelection::Clipboard, backend);
        clipboard.declareTypes({PasteboardType::String});
        EXPECT_FALSE(clipboard.setData("1", PasteboardType::String));
        EXPECT_TRUE(clipboard.types().isEmpty());
        EXPECT_TRUE(clipboard.dataForType(PasteboardType::String).isNull());
    }
    EXPECT_FALSE(holdClipboard(PasteboardType::String, "1"));
    EXPECT_FALSE(x11DisplayAvailable());
    env.set("DISPLAY", ":9999");
    EXPECT_FALSE(x11DisplayAvailable());
    EXPECT_FALSE(holdClipboard(PasteboardType::String, "1"));
}

// Stand-ins for wl-copy and wl-paste that record how they were called.
class WaylandClipboardTest : public ClipboardTest {
protected:
    void SetUp() override {
        ClipboardTest::SetUp();
        if (IsSkipped())
            return;
        ASSERT_TRUE(dir.isValid());
        script(QStringLiteral("wl-copy"), R"sh(#!/bin/sh
dir=$(dirname "$0")
printf '%s\n' "$@" > "$dir/copy-args"
cat > "$dir/copy-data"
exit "$(cat "$dir/copy-status" 2>/dev/null || echo 0)"
)sh");
        script(QStringLiteral("wl-paste"), R"sh(#!/bin/sh
dir=$(dirname "$0")
printf '%s\n' "$@" >> "$dir/paste-args"
[ -f "$dir/paste-fails" ] && exit 1
type=
while [ $# -gt 0 ]; do
  case "$1" in
    --list-types) cat "$dir/types"; exit 0;;
    --type) type=$2; shift;;
  esac
  shift
done
file="$dir/data-$(printf '%s' "$type" | tr '/;=' '___')"
[ -f "$file" ] || exit 1
cat "$file"
)sh");
        env.set("WAYLAND_DISPLAY", "wayland-sumwise-test");
        env.set("PATH", QFile::encodeName(dir.path()) + ':' + qgetenv("PATH"));
    }
    void script(const QString &name, const QByteArray &text) { file(name, text, true); }
    void file(const QString &name, const QByteArray &text, bool executable = false) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
        if (executable)
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
    env.unset("DISPLAY");
    const struct {
        ClipboardSelection selection;
        QString type;
        QByteArray data;
        QByteArray args;
    } cases[] = {
        {ClipboardSelection::Clipboard, QStringLiteral("UTF8_STRING"), QByteArray("1+1\n\0x", 6),
         "--type\ntext/plain;charset=utf-8\n"},
        {ClipboardSelection::Clipboard, PasteboardType::RTFD, "{\\rtf1 p}", "--type\ntext/rtf\n"},
        {ClipboardSelection::Primary, PasteboardType::RTF, "{\\rtf1 q}",
         "--primary\n--type\ntext/rtf\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.type.toStdString());
        ClipboardPasteboard pboard(c.selection);
        pboard.declareTypes({c.type});
        EXPECT_TRUE(pboard.setData(c.data, c.type));
        EXPECT_EQ(contents(QStringLiteral("copy-args")), c.args);
        EXPECT_EQ(contents(QStringLiteral("copy-data")), c.data);
    }
    file(QStringLiteral("copy-status"), "1");
    ClipboardPasteboard clipboard(ClipboardSelection::Clipboard);
    clipboard.declareTypes({PasteboardType::String});
    EXPECT_FALSE(clipboard.setData("x", PasteboardType::String));
}

TEST_F(WaylandClipboardTest, ReadsComeFromWlPaste) {
    env.unset("DISPLAY");
    file(QStringLiteral("types"), "text/plain\nUTF8_STRING\ntext/rtf\nTARGETS\nimage/png\n");
    file(QStringLiteral("data-text_plain"), "2^10");
    file(QStringLiteral("data-text_rtf"), "{\\rtf1 r}");
    ClipboardPasteboard primary(ClipboardSelection::Primary);
    EXPECT_EQ(primary.types(), (QStringList{PasteboardType::String, PasteboardType::RTF,
                                            QStringLiteral("image/png")}));
    EXPECT_EQ(primary.stringForType(PasteboardType::String), u"2^10");
    EXPECT_EQ(primary.dataForType(PasteboardType::RTF), "{\\rtf1 r}");
    EXPECT_TRUE(primary.dataForType(PasteboardType::HTML).isNull());
    const QByteArray args = contents(QStringLiteral("paste-args"));
    EXPECT_TRUE(args.contains("--primary\n--no-newline\n--type\ntext/plain\n")) << args.constData();

    file(QStringLiteral("paste-fails"), "");
    EXPECT_TRUE(primary.types().isEmpty());
    EXPECT_TRUE(primary.dataForType(PasteboardType::String).isNull());
}

TEST_F(WaylandClipboardTest, ReachableXServerIsPreferred) {
    ClipboardPasteboard clipboard(ClipboardSelection::Clipboard);
    clipboard.declareTypes({PasteboardType::String});
    ASSERT_TRUE(clipboard.setData("via X", PasteboardType::String));
    EXPECT_EQ(xclipRead("clipboard", QStringLiteral("UTF8_STRING")).out, "via X");
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("copy-args"))));
}

TEST_F(WaylandClipboardTest, MissingToolsMeanNoClipboard) {
    env.unset("DISPLAY");
    env.set("PATH", "/nonexistent");
    ClipboardPasteboard clipboard(ClipboardSelection::Clipboard);
    clipboard.declareTypes({PasteboardType::String});
    EXPECT_FALSE(clipboard.setData("x", PasteboardType::String));
    EXPECT_TRUE(clipboard.types().isEmpty());
}

TEST_F(ClipboardTest, ActiveApplicationIsTheClassOfTheActiveWindow) {
    X11 x;
    const xcb_atom_t activeAtom = x.atom("_NET_ACTIVE_WINDOW");
    xcb_delete_property(x.c, x.root, activeAtom);
    x.sync();
    EXPECT_EQ(activeApplicationName(), QString()) << "no window manager";

    const struct {
        std::optional<QByteArray> wmClass;
        QString expected;
    } cases[] = {
        {QByteArray("sumwise-test\0Calculator\0", 24), QStringLiteral("Calculator")},
        {QByteArray("mail\0Mail", 9), QStringLiteral("Mail")},
        {QByteArray("only-instance\0", 14), QString()},
        {QByteArray("no-terminator"), QString()},
        {QByteArray("x\0\xc4rger\0", 8), QStringLiteral("\u00c4rger")},
        {QByteArray("x\0\xc3\x84rger\0", 9), QStringLiteral("\u00c4rger")},
        {std::nullopt, QString()},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.wmClass.value_or("(none)").toStdString());
        const xcb_window_t w = x.window();
        if (c.wmClass)
            x.setProperty(w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8, c.wmClass->constData(),
                          uint32_t(c.wmClass->size()));
        x.setActive(w);
        EXPECT_EQ(activeApplicationName(), c.expected);
        xcb_destroy_window(x.c, w);
        x.sync();
        EXPECT_EQ(activeApplicationName(), QString()) << "active window gone";
    }
    x.setActive(XCB_WINDOW_NONE);
    EXPECT_EQ(activeApplicationName(), QString());

    Environment env;
    env.unset("DISPLAY");
    EXPECT_EQ(activeApplicationName(), QString());
    env.set("DISPLAY", ":9999");
    EXPECT_EQ(activeApplicationName(), QString());
}

} // namespace
