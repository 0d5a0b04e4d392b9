// The clipboard holder as other programs meet it: the selection protocol spoken with raw xcb
// requests, the request it reads, what it does after a paste and when it ends.
#include "tests/pasteboard/pasteboardtesting.h"

#include "pasteboard/clipboardholder.h"
#include "pasteboard/pasteboard.h"
#include "platform/detachedprocess.h"
#include "platform/fdio.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <thread>

namespace {

// A requestor window of its own that asks the clipboard's owner for a target and reads
// nothing: a reader that stalls, or dies once its window and connection are gone.
struct Requestor : X11 {
    xcb_window_t w = window();
    xcb_atom_t property = atom("SUMWISE_TEST");

    // The property the owner names in its answer: XCB_ATOM_NONE when it refuses, -1 when silent.
    xcb_atom_t convert(const char *target) {
        xcb_convert_selection(c, w, selection("clipboard"), atom(target), property,
                              XCB_CURRENT_TIME);
        xcb_flush(c);
        for (pollfd p{xcb_get_file_descriptor(c), POLLIN, 0}; poll(&p, 1, 5000) > 0;) {
            while (xcb_generic_event_t *e = xcb_poll_for_event(c)) {
                const auto notify = *reinterpret_cast<xcb_selection_notify_event_t *>(e);
                std::free(e);
                if ((notify.response_type & 0x7f) == XCB_SELECTION_NOTIFY)
                    return notify.property;
            }
        }
        return xcb_atom_t(-1);
    }
};

HoldRequest request(const Flavours &flavours) {
    HoldRequest r;
    r.flavours = flavours;
    return r;
}

class ClipboardHolderTest : public X11Test {
protected:
    void SetUp() override {
        X11Test::SetUp();
        if (ready())
            X11().clear("clipboard");
    }
};

TEST_F(ClipboardHolderTest, EveryTextTargetCarriesItsForm) {
    // Latin-1, beyond it, and beyond the 16-bit range; markup characters for the HTML form.
    const QString text = QStringLiteral("x\u00b2 \u20ac \U0001d11e <a&b>\n");
    ASSERT_TRUE(holdClipboard(request(textFlavours(text))));
    const struct {
        const char *target;
        QByteArray data;
    } cases[] = {
        {"UTF8_STRING", text.toUtf8()},
        {"TEXT", text.toUtf8()},
        // One '?' for each character outside Latin-1, the one beyond 16 bits included.
        {"STRING", "x\xb2 ? ? <a&b>\n"},
        {"text/plain;charset=utf-16",
         QByteArray(reinterpret_cast<const char *>(text.utf16()), text.size() * 2)},
        {"text/html",
         "<meta charset=\"utf-8\">x\xc2\xb2 \xe2\x82\xac \xf0\x9d\x84\x9e &lt;a&amp;b&gt;<br>"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(xclipRead("clipboard", c.target).out, c.data) << c.target;
    EXPECT_EQ(Requestor().convert("image/png"), xcb_atom_t(XCB_ATOM_NONE));
}

TEST_F(ClipboardHolderTest, HugeTextReachesEveryReaderInPartsEvenWhenOneDiesOrStalls) {
    QByteArray text(3 * 1024 * 1024, '\0');
    for (qsizetype i = 0; i < text.size(); ++i)
        text[i] = char('a' + i * 7 % 26);
    ASSERT_TRUE(holdClipboard(request({{"UTF8_STRING", text}})));
    // One dies with its transfer begun, one never reads its own; the others are served.
    Requestor stalled;
    ASSERT_EQ(Requestor().convert("UTF8_STRING"), stalled.property);
    ASSERT_EQ(stalled.convert("UTF8_STRING"), stalled.property);
    EXPECT_TRUE(xclipRead("clipboard", "UTF8_STRING").out == text);
    EXPECT_TRUE(readWithoutGui("clipboard", PasteboardType::String).out == text);
    EXPECT_TRUE(waitUntil([&] {
        return Pasteboard::generalPasteboard().dataForType(PasteboardType::String) == text;
    }));
}

TEST_F(ClipboardHolderTest, PreviousContentsComeBackAfterThePasteOrTheTimeOut) {
    const struct {
        const char *label;
        bool fetch;
        Flavours previous;
    } cases[] = {
        {"fetched, previous back", true, {{"text/html", "<b>before</b>"}}},
        {"never fetched, previous back after the time-out", false, {{"UTF8_STRING", "before"}}},
        {"fetched, nothing before: no owner afterwards", true, {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.label);
        const HoldRequest hold{.flavours = textFlavours(u"98"),
                               .restore = true,
                               .previous = c.previous,
                               .restoreTimeoutMs = c.fetch ? 60000 : 500};
        qint64 pid = 0;
        ASSERT_TRUE(holdClipboard(hold, &pid));
        // The target list alone is no paste.
        EXPECT_FALSE(xclipTargets("clipboard").isEmpty());
        if (c.fetch) {
            EXPECT_EQ(xclipRead("clipboard", "UTF8_STRING").out, "98");
        }
        X11 x;
        if (c.previous.isEmpty()) {
            EXPECT_TRUE(waitUntil([&] { return x.owner("clipboard") == XCB_WINDOW_NONE; }));
            EXPECT_TRUE(waitUntil([&] { return processEnded(pid); }));
            continue;
        }
        // Every request restarts the holder's wait for the paste to be over: ask seldom.
        const Flavour &before = c.previous.first();
        bool back = false;
        for (int pause = 300; !back && pause < 10000; pause *= 2) {
            QThread::msleep(pause);
            back = xclipRead("clipboard", before.target).out == before.data;
        }
        EXPECT_TRUE(back);
        EXPECT_EQ(Requestor().convert("UTF8_STRING") == XCB_ATOM_NONE,
                  before.target != "UTF8_STRING");
        x.clear("clipboard");
    }
}

TEST_F(ClipboardHolderTest, HolderIsDetachedAndEndsWhenItsSelectionIsTaken) {
    qint64 pid = 0, primary = 0;
    ASSERT_TRUE(holdClipboard(PasteboardType::String, "held", ClipboardSelection::Clipboard, &pid));
    const QList<QByteArray> stat = procStat(pid);
    ASSERT_GE(stat.size(), 4);
    EXPECT_NE(stat[1].toLongLong(), getpid()) << "still our child";
    EXPECT_NE(stat[3].toLongLong(), getsid(0)) << "still in our session";
    for (const char *link : {"fd/0", "fd/1", "fd/2", "cwd"})
        EXPECT_EQ(QFile::symLinkTarget(QStringLiteral("/proc/%1/%2").arg(pid).arg(link)),
                  QString(link[0] == 'f' ? "/dev/null" : "/"))
            << link;
    // A holder of PRIMARY does not care about the clipboard.
    ASSERT_TRUE(holdClipboard(PasteboardType::String, "p", ClipboardSelection::Primary, &primary));
    // The new owner is gone before the holder hears of it: Qt alone would miss this.
    X11 x;
    x.clear("clipboard");
    EXPECT_TRUE(waitUntil([&] { return processEnded(pid); }));
    EXPECT_FALSE(processEnded(primary));
    x.clear("primary");
    EXPECT_TRUE(waitUntil([&] { return processEnded(primary); }));
}

TEST_F(ClipboardHolderTest, AHolderStartedAheadIsUsedOrReplaced) {
    for (const bool alive : {true, false}) {
        SCOPED_TRACE(alive ? "ready" : "gone");
        int channel[2];
        ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, channel), 0);
        std::thread fake; // a stand-in that says it is ready once it has read the request
        if (alive) {
            fake = std::thread([fd = channel[1]] {
                platform::readAll(fd);
                platform::writeAll(fd, "ready 4242\n");
                close(fd);
            });
        } else {
            close(channel[1]);
        }
        adoptClipboardHolder(channel[0]);
        qint64 pid = 0;
        EXPECT_TRUE(holdClipboard(request({{"UTF8_STRING", "served"}}), &pid));
        if (alive) {
            fake.join();
            EXPECT_EQ(pid, 4242);
        } else { // replaced by a real holder
            EXPECT_EQ(xclipRead("clipboard", "UTF8_STRING").out, "served");
        }
    }
}

TEST_F(ClipboardHolderTest, MalformedRequestIsRefusedWithoutTakingTheClipboard) {
    HoldRequest restoring{
        .flavours = {{"UTF8_STRING", "1"}}, .restore = true, .previous = {{"UTF8_STRING", "0"}}};
    const QByteArray good = encodeHoldRequest(restoring);
    ASSERT_TRUE(decodeHoldRequest(good).has_value());
    HoldRequest notRestoring = restoring;
    notRestoring.restore = false;
    QByteArray badSession = good, lyingCount = good;
    badSession[5] = 2;
    lyingCount[11] = '\x7f'; // the flavour count, far beyond the bytes that follow
    const struct {
        const char *label;
        QByteArray bytes;
    } cases[] = {
        {"empty", {}},
        {"truncated", good.chopped(1)},
        {"trailing byte", good + 'x'},
        {"session byte", badSession},
        {"count beyond the input", lyingCount},
        {"nothing offered", encodeHoldRequest(request({}))},
        {"empty target", encodeHoldRequest(request({{"", "1"}}))},
        {"a target the holder answers itself", encodeHoldRequest(request({{"TARGETS", "1"}}))},
        {"previous without restore", encodeHoldRequest(notRestoring)},
    };
    ASSERT_TRUE(holdClipboard(request({{"UTF8_STRING", "kept"}})));
    for (const auto &c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_FALSE(decodeHoldRequest(c.bytes).has_value());
        EXPECT_EQ(run(self(), {QStringLiteral("--hold-clipboard")}, c.bytes).status, 2);
    }
    EXPECT_EQ(run(self(), {"--hold-clipboard", "--primary"}, good).status, 2);
    EXPECT_EQ(xclipRead("clipboard", "UTF8_STRING").out, "kept");
}

} // namespace
