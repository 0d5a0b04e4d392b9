// The clipboard holder as other programs meet it: the selection protocol spoken with raw xcb
// requests, the request it reads, what it does after a paste and when it ends.
#include "tests/pasteboard/pasteboardtesting.h"
#include "tests/support/guitest.h"

#include "pasteboard/clipboardholder.h"
#include "pasteboard/pasteboard.h"
#include "platform/detachedprocess.h"
#include "platform/fdio.h"

#include <QDir>

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <memory>
#include <thread>

namespace {

using Event = std::unique_ptr<xcb_generic_event_t, decltype(&std::free)>;

// A requestor window of its own that converts the clipboard and reads the answer.
struct Requestor : X11 {
    xcb_window_t w = window();
    xcb_atom_t property = atom("SUMWISE_TEST");

    Requestor() {
        const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_change_window_attributes(c, w, XCB_CW_EVENT_MASK, &mask);
        sync();
    }

    // The next event of a kind (of properties, a new value of one); null after 5 s of silence.
    Event next(uint8_t kind, xcb_atom_t name = XCB_ATOM_NONE) {
        xcb_flush(c);
        for (pollfd p{xcb_get_file_descriptor(c), POLLIN, 0};; p.revents = 0) {
            while (xcb_generic_event_t *e = xcb_poll_for_event(c)) {
                const auto *changed = reinterpret_cast<xcb_property_notify_event_t *>(e);
                if ((e->response_type & 0x7f) == kind
                    && (kind != XCB_PROPERTY_NOTIFY
                        || (changed->atom == name && changed->state == XCB_PROPERTY_NEW_VALUE)))
                    return Event(e, &std::free);
                std::free(e);
            }
            if (poll(&p, 1, 5000) <= 0)
                return Event(nullptr, &std::free);
        }
    }

    // The property the owner names in its answer: XCB_ATOM_NONE when it refuses, -1 when silent.
    xcb_atom_t convert(xcb_atom_t target, xcb_atom_t into) {
        xcb_convert_selection(c, w, selection("clipboard"), target, into, XCB_CURRENT_TIME);
        const Event notify = next(XCB_SELECTION_NOTIFY);
        return notify ? reinterpret_cast<xcb_selection_notify_event_t *>(notify.get())->property
                      : xcb_atom_t(-1);
    }

    // A property of our window, deleted once read.
    QByteArray take(xcb_atom_t name, xcb_atom_t *type = nullptr) {
        std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
            xcb_get_property_reply(
                c, xcb_get_property(c, 1, w, name, XCB_GET_PROPERTY_TYPE_ANY, 0, ~0U), nullptr),
            &std::free);
        if (reply && type)
            *type = reply->type;
        return reply ? QByteArray(static_cast<const char *>(xcb_get_property_value(reply.get())),
                                  xcb_get_property_value_length(reply.get()))
                     : QByteArray();
    }

    struct Answer {
        bool refused = true, incremental = false;
        xcb_atom_t type = XCB_ATOM_NONE;
        QByteArray data;
    };

    // The whole answer for a target; with stopAfterParts, an INCR transfer left unfinished.
    Answer fetch(const char *target, int stopAfterParts = -1) {
        Answer a;
        if (convert(atom(target), property) == XCB_ATOM_NONE)
            return a;
        a.refused = false;
        a.data = take(property, &a.type);
        if ((a.incremental = a.type == atom("INCR")))
            a.data.clear();
        for (int parts = 0; a.incremental && parts != stopAfterParts; ++parts) {
            next(XCB_PROPERTY_NOTIFY, property);
            const QByteArray part = take(property, &a.type);
            if (part.isEmpty())
                break;
            a.data.append(part);
        }
        return a;
    }

    // The server's time now, from a property event on our window.
    xcb_timestamp_t serverTime() {
        const xcb_atom_t clock = atom("SUMWISE_TEST_CLOCK");
        xcb_change_property(c, XCB_PROP_MODE_APPEND, w, clock, XCB_ATOM_STRING, 8, 0, nullptr);
        const Event e = next(XCB_PROPERTY_NOTIFY, clock);
        return e ? reinterpret_cast<xcb_property_notify_event_t *>(e.get())->time : 0;
    }

    // The atoms of a list, as a TARGETS answer or a MULTIPLE request holds them.
    QByteArray atoms(const QList<const char *> &names) {
        QByteArray list;
        for (const char *n : names) {
            const xcb_atom_t a = atom(n);
            list.append(reinterpret_cast<const char *>(&a), sizeof a);
        }
        return list;
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
    const QByteArray utf8 = text.toUtf8();
    ASSERT_TRUE(holdClipboard(request(textFlavours(text))));
    Requestor r;
    const struct {
        const char *target;
        QByteArray data; // null: refused
        const char *type;
    } cases[] = {
        {"UTF8_STRING", utf8, "UTF8_STRING"},
        {"text/plain;charset=utf-8", utf8, "text/plain;charset=utf-8"},
        {"text/plain", utf8, "text/plain"},
        {"TEXT", utf8, "UTF8_STRING"},
        // One '?' for each character outside Latin-1, the one beyond 16 bits included.
        {"STRING", "x\xb2 ? ? <a&b>\n", "STRING"},
        {"text/plain;charset=utf-16",
         QByteArray(reinterpret_cast<const char *>(text.utf16()), text.size() * 2),
         "text/plain;charset=utf-16"},
        {"text/html",
         "<meta charset=\"utf-8\">x\xc2\xb2 \xe2\x82\xac \xf0\x9d\x84\x9e &lt;a&amp;b&gt;<br>",
         "text/html"},
        {"image/png", {}, nullptr},
        {"text/rtf", {}, nullptr},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.target);
        const Requestor::Answer answer = r.fetch(c.target);
        EXPECT_EQ(answer.refused, c.data.isNull());
        EXPECT_EQ(answer.data, c.data);
        EXPECT_EQ(answer.type, c.type ? r.atom(c.type) : xcb_atom_t(XCB_ATOM_NONE));
    }
    const Flavours flavours = textFlavours(text);
    QList<const char *> expected{"TARGETS", "TIMESTAMP", "MULTIPLE", "SAVE_TARGETS"};
    for (const Flavour &f : flavours)
        expected.append(f.target.constData());
    EXPECT_EQ(r.fetch("TARGETS").data, r.atoms(expected));
}

TEST_F(ClipboardHolderTest, MultipleAnswersEachPairAndTimestampIsWhenItTookOwnership) {
    Requestor r;
    const xcb_timestamp_t before = r.serverTime();
    ASSERT_TRUE(holdClipboard(request({{"UTF8_STRING", "42"}})));
    const xcb_atom_t list = r.atom("SUMWISE_PAIRS");
    const QByteArray pairs = r.atoms({"UTF8_STRING", "SUMWISE_KNOWN", "image/png", "SUMWISE_NO"});
    r.setProperty(r.w, list, r.atom("ATOM_PAIR"), 32, pairs.constData(), 4);
    ASSERT_EQ(r.convert(r.atom("MULTIPLE"), list), list);
    // The unknown pair's property is set to None.
    EXPECT_EQ(r.take(list), pairs.first(12) + QByteArray(4, '\0'));
    EXPECT_EQ(r.take(r.atom("SUMWISE_KNOWN")), "42");
    // MULTIPLE without a property to read is refused.
    EXPECT_EQ(r.convert(r.atom("MULTIPLE"), XCB_ATOM_NONE), xcb_atom_t(XCB_ATOM_NONE));

    const Requestor::Answer timestamp = r.fetch("TIMESTAMP");
    ASSERT_EQ(timestamp.data.size(), 4);
    EXPECT_EQ(timestamp.type, xcb_atom_t(XCB_ATOM_INTEGER));
    const xcb_timestamp_t taken = *reinterpret_cast<const xcb_timestamp_t *>(timestamp.data.data());
    EXPECT_NE(taken, xcb_timestamp_t(XCB_CURRENT_TIME));
    EXPECT_GE(taken, before);
    EXPECT_LE(taken, r.serverTime());
}

TEST_F(ClipboardHolderTest, LargeTextGoesInPartsToSeveralRequestorsEvenWhenOneDies) {
    QByteArray text(10 * 1024 * 1024, '\0');
    for (qsizetype i = 0; i < text.size(); ++i)
        text[i] = char('a' + i * 7 % 26);
    ASSERT_TRUE(holdClipboard(request({{"UTF8_STRING", text}})));
    {
        // Dies after three parts, its window and connection gone with it.
        const Requestor::Answer partial = Requestor().fetch("UTF8_STRING", 3);
        ASSERT_TRUE(partial.incremental);
        ASSERT_LT(partial.data.size(), text.size());
    }
    // Both transfers are under way at once: the second starts before the first is read. A
    // requestor that stops reading does not hold the owner up for the others.
    Requestor first, second, third;
    ASSERT_EQ(first.convert(first.atom("UTF8_STRING"), first.property), first.property);
    const Requestor::Answer whole = second.fetch("UTF8_STRING");
    EXPECT_TRUE(whole.incremental);
    EXPECT_TRUE(whole.data == text) << whole.data.size() << " bytes";
    EXPECT_TRUE(third.fetch("UTF8_STRING").data == text);
    xcb_atom_t type = XCB_ATOM_NONE;
    first.take(first.property, &type);
    EXPECT_EQ(type, first.atom("INCR"));
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
        Requestor r;
        // The target list alone is no paste.
        EXPECT_EQ(r.fetch("TARGETS").data.size(), 4 * (4 + textFlavours(u"98").size()));
        if (c.fetch) {
            EXPECT_EQ(r.fetch("UTF8_STRING").data, "98");
            EXPECT_EQ(r.fetch("text/html").data, "<meta charset=\"utf-8\">98");
        }
        if (c.previous.isEmpty()) {
            EXPECT_TRUE(waitUntil([&] { return r.owner("clipboard") == XCB_WINDOW_NONE; }));
            EXPECT_TRUE(waitUntil([&] { return processEnded(pid); }));
            continue;
        }
        // Every request restarts the holder's wait for the paste to be over: ask seldom.
        const Flavour &before = c.previous.first();
        bool back = false;
        for (int pause = 300; !back && pause < 10000; pause *= 2) {
            QThread::msleep(pause);
            back = r.fetch(before.target).data == before.data;
        }
        EXPECT_TRUE(back);
        EXPECT_TRUE(r.fetch("UTF8_STRING").refused == (before.target != "UTF8_STRING"));
        r.clear("clipboard");
    }
}

TEST_F(ClipboardHolderTest, HolderIsDetachedAndEndsWhenItsSelectionIsTaken) {
    qint64 pid = 0, next = 0, primary = 0;
    ASSERT_TRUE(holdClipboard(PasteboardType::String, "held", ClipboardSelection::Clipboard, &pid));
    const QList<QByteArray> stat = procStat(pid);
    ASSERT_GE(stat.size(), 4);
    EXPECT_NE(stat[1].toLongLong(), getpid()) << "still our child";
    EXPECT_NE(stat[3].toLongLong(), getsid(0)) << "still in our session";
    for (const char *link : {"fd/0", "fd/1", "fd/2", "cwd"})
        EXPECT_EQ(QFile::symLinkTarget(QStringLiteral("/proc/%1/%2").arg(pid).arg(link)),
                  QString(link[0] == 'f' ? "/dev/null" : "/"))
            << link;
    EXPECT_EQ(Requestor().fetch("UTF8_STRING").data, "held");
    ASSERT_TRUE(
        holdClipboard(PasteboardType::String, "again", ClipboardSelection::Clipboard, &next));
    EXPECT_TRUE(waitUntil([&] { return processEnded(pid); }));
    // A holder of PRIMARY does not care about the clipboard.
    ASSERT_TRUE(holdClipboard(PasteboardType::String, "p", ClipboardSelection::Primary, &primary));
    // The new owner is gone before the holder hears of it: Qt alone would miss this.
    X11 x;
    x.clear("clipboard");
    EXPECT_TRUE(waitUntil([&] { return processEnded(next); }));
    EXPECT_FALSE(processEnded(primary));
    x.clear("primary");
    EXPECT_TRUE(waitUntil([&] { return processEnded(primary); }));
    // No zombie children left behind.
    for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        const QList<QByteArray> s = procStat(entry.toLongLong());
        EXPECT_FALSE(s.size() > 1 && s[0] == "Z" && s[1].toLongLong() == getpid())
            << entry.toStdString();
    }
}

TEST_F(ClipboardHolderTest, AHolderStartedAheadIsUsedOrReplaced) {
    // What a stand-in for the holder adopted ahead answers once it has read the request;
    // null: it is gone, empty: a real holder.
    const struct {
        const char *label;
        QByteArray answer;
    } cases[] = {
        {"ready", "ready 4242\n"},
        {"gone", {}},
        {"says something else", "no display\n"},
        {"a real one", ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.label);
        int channel[2];
        ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, channel), 0);
        std::thread fake;
        if (c.answer.isNull() || c.answer.isEmpty())
            close(channel[1]);
        if (c.answer.isEmpty() && !c.answer.isNull()) {
            close(channel[0]);
            channel[0] = platform::startDetached("--hold-clipboard");
        } else if (!c.answer.isEmpty()) {
            fake = std::thread([fd = channel[1], answer = c.answer] {
                platform::readAll(fd);
                platform::writeAll(fd, answer);
                close(fd);
            });
        }
        adoptClipboardHolder(channel[0]);
        qint64 pid = 0;
        EXPECT_TRUE(holdClipboard(request({{"UTF8_STRING", c.label}}), &pid));
        if (fake.joinable())
            fake.join();
        EXPECT_EQ(pid == 4242, c.answer.startsWith("ready"));
        if (pid != 4242) { // a real holder serves the clipboard
            EXPECT_EQ(Requestor().fetch("UTF8_STRING").data, c.label);
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
    QByteArray badSelection = good, badSession = good, lyingCount = good;
    badSelection[4] = 2;
    badSession[5] = 2;
    lyingCount[11] = '\x7f'; // the flavour count, far beyond the bytes that follow
    const struct {
        const char *label;
        QByteArray bytes;
    } cases[] = {
        {"empty", {}},
        {"other magic", "XXXX" + good.mid(4)},
        {"truncated", good.chopped(1)},
        {"trailing byte", good + 'x'},
        {"selection byte", badSelection},
        {"session byte", badSession},
        {"count beyond the input", lyingCount},
        {"nothing offered", encodeHoldRequest(request({}))},
        {"empty target", encodeHoldRequest(request({{"", "1"}}))},
        {"a target the holder answers itself", encodeHoldRequest(request({{"TARGETS", "1"}}))},
        {"previous without restore", encodeHoldRequest(notRestoring)},
    };
    Requestor r;
    ASSERT_TRUE(holdClipboard(request({{"UTF8_STRING", "kept"}})));
    for (const auto &c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_FALSE(decodeHoldRequest(c.bytes).has_value());
        EXPECT_EQ(run(self(), {QStringLiteral("--hold-clipboard")}, c.bytes).status, 2);
        EXPECT_EQ(r.fetch("UTF8_STRING").data, "kept");
    }
    for (const QStringList &bad :
         {QStringList{"--hold-clipboard", "x"}, QStringList{"--hold-clipboard", QString()},
          QStringList{"--hold-clipboard", "--primary", "x"}})
        EXPECT_EQ(run(self(), bad, good).status, 2) << bad.join(u' ').toStdString();
}

} // namespace
