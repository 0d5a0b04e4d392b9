// The clipboard holder as other programs meet it: the selection protocol spoken with raw xcb
// requests, the request it reads and what it does after a paste.
#include "tests/support/guitest.h"

#include "pasteboard/clipboardholder.h"
#include "platform/detachedprocess.h"
#include "platform/fdio.h"

#include <QCoreApplication>
#include <QFile>
#include <QThread>

#include <gtest/gtest.h>

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <optional>
#include <thread>

namespace {

QString self() {
    return QCoreApplication::applicationFilePath();
}

// A requestor window of its own that converts a selection and reads the answer.
class Requestor {
public:
    explicit Requestor(const char *selection = "clipboard")
        : m_selection(x.selection(selection)) {
        m_window = xcb_generate_id(x.c);
        const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_create_window(x.c, XCB_COPY_FROM_PARENT, m_window, x.root, 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK,
                          &mask);
        x.sync();
    }

    struct Answer {
        bool refused = true;
        xcb_atom_t type = XCB_ATOM_NONE;
        QByteArray data;
        bool incremental = false;
    };

    /// The property the owner names in its SelectionNotify; nullopt when it stays silent.
    std::optional<xcb_atom_t> convert(xcb_atom_t target, xcb_atom_t property) {
        xcb_convert_selection(x.c, m_window, m_selection, target, property, XCB_CURRENT_TIME);
        auto *notify = waitFor(XCB_SELECTION_NOTIFY);
        if (!notify)
            return std::nullopt;
        const xcb_atom_t named = reinterpret_cast<xcb_selection_notify_event_t *>(notify)->property;
        std::free(notify);
        return named;
    }

    /// Converts to a target and reads the whole answer; with stopAfterParts, leaves an INCR
    /// transfer unfinished after that many parts.
    Answer fetch(const char *target, int stopAfterParts = -1) {
        Answer answer;
        const xcb_atom_t property = x.atom("SUMWISE_TEST");
        const std::optional<xcb_atom_t> named = convert(x.atom(target), property);
        if (!named || *named == XCB_ATOM_NONE)
            return answer;
        answer.refused = false;
        QByteArray part = take(property, &answer.type);
        if (answer.type != x.atom("INCR")) {
            answer.data = part;
            return answer;
        }
        answer.incremental = true;
        for (int parts = 0; parts != stopAfterParts; ++parts) {
            free(waitFor(XCB_PROPERTY_NOTIFY, property, XCB_PROPERTY_NEW_VALUE));
            part = take(property, &answer.type);
            if (part.isEmpty())
                break;
            answer.data.append(part);
        }
        return answer;
    }

    /// A property of the requestor window, deleted once read.
    QByteArray take(xcb_atom_t property, xcb_atom_t *type = nullptr) {
        auto *reply = xcb_get_property_reply(
            x.c, xcb_get_property(x.c, 1, m_window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, ~0U),
            nullptr);
        QByteArray data;
        if (reply) {
            data = QByteArray(static_cast<const char *>(xcb_get_property_value(reply)),
                              xcb_get_property_value_length(reply));
            if (type)
                *type = reply->type;
        }
        std::free(reply);
        return data;
    }

    /// The server's time now, from a property event on our window.
    xcb_timestamp_t serverTime() {
        const xcb_atom_t clock = x.atom("SUMWISE_TEST_CLOCK");
        xcb_change_property(x.c, XCB_PROP_MODE_APPEND, m_window, clock, XCB_ATOM_STRING, 8, 0,
                            nullptr);
        auto *event = waitFor(XCB_PROPERTY_NOTIFY, clock, XCB_PROPERTY_NEW_VALUE);
        const xcb_timestamp_t time =
            event ? reinterpret_cast<xcb_property_notify_event_t *>(event)->time : 0;
        std::free(event);
        return time;
    }

    X11 x;
    xcb_window_t m_window;

private:
    xcb_generic_event_t *waitFor(uint8_t kind, xcb_atom_t atom = XCB_ATOM_NONE, uint8_t state = 0) {
        xcb_flush(x.c);
        for (;;) {
            while (xcb_generic_event_t *event = xcb_poll_for_event(x.c)) {
                const auto *property = reinterpret_cast<xcb_property_notify_event_t *>(event);
                if ((event->response_type & 0x7f) == kind
                    && (kind != XCB_PROPERTY_NOTIFY
                        || (property->atom == atom && property->state == state)))
                    return event;
                std::free(event);
            }
            pollfd p{xcb_get_file_descriptor(x.c), POLLIN, 0};
            if (poll(&p, 1, 5000) <= 0)
                return nullptr;
        }
    }

    xcb_atom_t m_selection;
};

QString name(X11 &x, xcb_atom_t atom) {
    auto *reply = xcb_get_atom_name_reply(x.c, xcb_get_atom_name(x.c, atom), nullptr);
    QString text = reply ? QString::fromLatin1(xcb_get_atom_name_name(reply),
                                               xcb_get_atom_name_name_length(reply))
                         : QString();
    std::free(reply);
    return text;
}

bool processEnded(qint64 pid) {
    QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
    const QByteArray stat = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    const qsizetype state = stat.lastIndexOf(')') + 2;
    return stat.isEmpty() || stat.mid(state, 1) == "Z";
}

QStringList atomNames(X11 &x, const QByteArray &list) {
    QStringList names;
    for (qsizetype i = 0; i + 4 <= list.size(); i += 4)
        names.append(name(x, *reinterpret_cast<const xcb_atom_t *>(list.constData() + i)));
    return names;
}

HoldRequest request(const Flavours &flavours) {
    HoldRequest r;
    r.flavours = flavours;
    return r;
}

class ClipboardHolderTest : public X11Test {
protected:
    void SetUp() override {
        X11Test::SetUp();
        if (!ready())
            return;
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
         "<meta charset=\"utf-8\">x\xc2\xb2 \xe2\x82\xac \xf0\x9d\x84\x9e "
         "&lt;a&amp;b&gt;<br>",
         "text/html"},
        {"image/png", {}, nullptr},
        {"text/rtf", {}, nullptr},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.target);
        const Requestor::Answer answer = r.fetch(c.target);
        EXPECT_EQ(answer.refused, c.data.isNull());
        EXPECT_EQ(answer.data, c.data);
        if (c.type) {
            EXPECT_EQ(name(r.x, answer.type), QString::fromLatin1(c.type));
        }
    }
    const QStringList targets = atomNames(r.x, r.fetch("TARGETS").data);
    QStringList expected{"TARGETS", "TIMESTAMP", "MULTIPLE", "SAVE_TARGETS"};
    for (const Flavour &f : textFlavours(text))
        expected.append(QString::fromLatin1(f.target));
    EXPECT_EQ(targets, expected);
}

TEST_F(ClipboardHolderTest, RichTextComesWithItsPlainForms) {
    const QByteArray rtf = "{\\rtf1\\ansi 2+3 = {\\b 5}\\par}";
    ASSERT_TRUE(holdClipboard(QStringLiteral("text/rtf"), rtf));
    Requestor r;
    EXPECT_EQ(r.fetch("text/rtf").data, rtf);
    EXPECT_EQ(r.fetch("application/rtf").data, rtf);
    EXPECT_EQ(r.fetch("UTF8_STRING").data, "2+3 = 5\n");
    EXPECT_EQ(r.fetch("STRING").data, "2+3 = 5\n");
}

TEST_F(ClipboardHolderTest, MultipleAnswersEachPairAndTimestampIsWhenItTookOwnership) {
    Requestor r;
    const xcb_timestamp_t before = r.serverTime();
    ASSERT_TRUE(holdClipboard(request({{"UTF8_STRING", "42"}})));
    const xcb_atom_t known = r.x.atom("SUMWISE_KNOWN"), unknown = r.x.atom("SUMWISE_UNKNOWN"),
                     list = r.x.atom("SUMWISE_PAIRS");
    const xcb_atom_t pairs[] = {r.x.atom("UTF8_STRING"), known, r.x.atom("image/png"), unknown};
    r.x.setProperty(r.m_window, list, r.x.atom("ATOM_PAIR"), 32, pairs, 4);
    ASSERT_EQ(r.convert(r.x.atom("MULTIPLE"), list), list);
    const QByteArray answered = r.take(list);
    ASSERT_EQ(answered.size(), 16);
    const auto *atoms = reinterpret_cast<const xcb_atom_t *>(answered.constData());
    EXPECT_EQ(atoms[1], known);
    EXPECT_EQ(atoms[3], xcb_atom_t(XCB_ATOM_NONE)) << "the unknown pair's property set to None";
    EXPECT_EQ(r.take(known), "42");
    // MULTIPLE without a property to read is refused.
    EXPECT_EQ(r.convert(r.x.atom("MULTIPLE"), XCB_ATOM_NONE), xcb_atom_t(XCB_ATOM_NONE));

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
        Requestor dying;
        const Requestor::Answer partial = dying.fetch("UTF8_STRING", 3);
        ASSERT_TRUE(partial.incremental);
        ASSERT_LT(partial.data.size(), text.size());
    }
    Requestor first, second;
    // Both transfers are under way at once: the second starts before the first is read.
    const xcb_atom_t property = first.x.atom("SUMWISE_TEST");
    ASSERT_EQ(first.convert(first.x.atom("UTF8_STRING"), property), property);
    const Requestor::Answer whole = second.fetch("UTF8_STRING");
    EXPECT_TRUE(whole.incremental);
    EXPECT_TRUE(whole.data == text) << whole.data.size() << " bytes";
    xcb_atom_t type = XCB_ATOM_NONE;
    first.take(property, &type);
    EXPECT_EQ(name(first.x, type), u"INCR");
    // A requestor that stops reading does not hold the owner up for the others.
    Requestor third;
    EXPECT_TRUE(third.fetch("UTF8_STRING").data == text);
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
        HoldRequest hold = request(textFlavours(u"98"));
        hold.restore = true;
        hold.previous = c.previous;
        hold.restoreTimeoutMs = c.fetch ? 60000 : 500;
        qint64 pid = 0;
        ASSERT_TRUE(holdClipboard(hold, &pid));
        Requestor r;
        // The target list alone is no paste.
        EXPECT_EQ(atomNames(r.x, r.fetch("TARGETS").data).size(), 4 + textFlavours(u"98").size());
        if (c.fetch) {
            EXPECT_EQ(r.fetch("UTF8_STRING").data, "98");
            EXPECT_EQ(r.fetch("text/html").data, "<meta charset=\"utf-8\">98");
        }
        if (c.previous.isEmpty()) {
            EXPECT_TRUE(waitUntil([&] { return r.x.owner("clipboard") == XCB_WINDOW_NONE; }));
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
        X11().clear("clipboard");
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
        if (c.answer.isNull()) {
            close(channel[1]);
        } else if (c.answer.isEmpty()) {
            close(channel[1]);
            close(channel[0]);
            channel[0] = platform::startDetached("--hold-clipboard");
        } else {
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
    HoldRequest restoring = request({{"UTF8_STRING", "1"}});
    restoring.restore = true;
    restoring.previous = {{"UTF8_STRING", "0"}};
    const QByteArray good = encodeHoldRequest(restoring);
    ASSERT_TRUE(decodeHoldRequest(good).has_value());
    HoldRequest notRestoring = restoring;
    notRestoring.restore = false;
    QByteArray badSelection = good, lyingCount = good;
    badSelection[4] = 2;
    QByteArray badSession = good;
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
    EXPECT_EQ(run(self(), {QStringLiteral("--hold-clipboard"), QStringLiteral("x")}, good).status,
              2);
}

} // namespace
