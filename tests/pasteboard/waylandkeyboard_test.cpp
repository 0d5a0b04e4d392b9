// The keyboard's reading of chords, its choice of protocol, and what the Wayland queries say
// when the session lacks something; the keys themselves are pressed in the gui tests.
#include "pasteboard/kwinwindows.h"
#include "pasteboard/waylandkeyboard.h"
#include "pasteboard/waylandwindows.h"

#include <QFile>
#include <QTemporaryDir>

#include <wayland-server.h>

#include <cstring>
#include <functional>
#include <memory>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

#include <gtest/gtest.h>
#include <xkbcommon/xkbcommon-keysyms.h>

namespace {

using namespace waylandkeyboard;

TEST(WaylandKeyboard, ParsesChords) {
    const struct {
        const char16_t *in;
        bool valid;
        unsigned modifiers;
        uint32_t keysym;
    } cases[] = {
        {u"ctrl+v", true, Ctrl, XKB_KEY_v},
        {u"v", true, 0, XKB_KEY_v},
        {u"Ctrl+Shift+c", true, Ctrl | Shift, XKB_KEY_c},
        {u" shift + Home ", true, Shift, XKB_KEY_Home},
        {u"control+alt+super+Insert", true, Ctrl | Alt | Super, XKB_KEY_Insert},
        {u"ctrl+plus", true, Ctrl, XKB_KEY_plus},
        {u"hyper+v", false, 0, 0},
        {u"ctrl+NoSuchKey", false, 0, 0},
        {u"", false, 0, 0},
        {u"ctrl+", false, 0, 0},
        {u"+", false, 0, 0},
        {u"ctrl++v", false, 0, 0},
    };
    for (const auto &c : cases) {
        const std::optional<Chord> chord = parseChord(c.in);
        ASSERT_EQ(chord.has_value(), c.valid) << QString::fromUtf16(c.in).toStdString();
        if (chord) {
            EXPECT_EQ(chord->modifiers, c.modifiers) << QString::fromUtf16(c.in).toStdString();
            EXPECT_EQ(chord->keysym, c.keysym) << QString::fromUtf16(c.in).toStdString();
        }
    }
}

TEST(WaylandKeyboard, ChoosesTheVirtualKeyboardThenFakeInput) {
    const struct {
        Globals globals;
        Protocol protocol;
        const char16_t *says;
    } cases[] = {
        {{true, true, 0}, Protocol::VirtualKeyboard, nullptr},
        {{true, true, 4}, Protocol::VirtualKeyboard, nullptr},
        // Fake input presses the compositor's own keys: it needs no seat.
        {{false, true, 4}, Protocol::FakeInput, nullptr},
        {{true, false, 5}, Protocol::FakeInput, nullptr},
        {{true, false, 3}, Protocol::None, u"version 3"},
        {{false, true, 0}, Protocol::None, u"no seat"},
        {{true, false, 0}, Protocol::None, u"org_kde_kwin_fake_input"},
    };
    for (const auto &c : cases) {
        QString missing;
        EXPECT_EQ(choose(c.globals, &missing), c.protocol) << c.globals.fakeInputVersion;
        if (c.says)
            EXPECT_TRUE(missing.contains(QStringView(c.says))) << missing.toStdString();
        else
            EXPECT_TRUE(missing.isEmpty()) << missing.toStdString();
    }
}

// A stand-in compositor for as long as the object lives.
struct FakeCompositor {
    virtual ~FakeCompositor() = default;
};

// Listens and never answers, like a compositor that is stopped or stuck.
struct SilentCompositor : FakeCompositor {
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    explicit SilentCompositor(const QString &path) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, QFile::encodeName(path).constData(),
                     sizeof address.sun_path - 1);
        EXPECT_EQ(bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
        EXPECT_EQ(listen(fd, 4), 0);
    }
    ~SilentCompositor() override { close(fd); }
};

// Hangs up at once, like a compositor that dies. The connection is handed over by
// WAYLAND_SOCKET, which libwayland reads before WAYLAND_DISPLAY.
struct DeadCompositor : FakeCompositor {
    DeadCompositor() {
        int pair[2];
        EXPECT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
        close(pair[1]);
        qputenv("WAYLAND_SOCKET", QByteArray::number(pair[0]));
    }
    ~DeadCompositor() override { qunsetenv("WAYLAND_SOCKET"); }
};

// A real Wayland server that offers no globals at all.
struct BareCompositor : FakeCompositor {
    wl_display *display = wl_display_create();
    std::thread loop;
    explicit BareCompositor(const QString &name) {
        EXPECT_EQ(wl_display_add_socket(display, QFile::encodeName(name).constData()), 0);
        loop = std::thread([this] { wl_display_run(display); });
    }
    ~BareCompositor() override {
        wl_display_terminate(display);
        loop.join();
        wl_display_destroy(display);
    }
};

TEST(WaylandQueries, SayWhatTheSessionLacks) {
    QTemporaryDir runtime;
    const QByteArray savedDisplay = qgetenv("WAYLAND_DISPLAY");
    const QByteArray savedRuntime = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    const QString name = u"sumwise-test-0"_qs;
    const QString path = runtime.filePath(name);
    struct Row {
        const char *case_;
        QString display;
        std::function<std::unique_ptr<FakeCompositor>()> start;
        const char *missing;
    };
    const Row rows[] = {
        {"no session", QString(), nullptr, "WAYLAND_DISPLAY"},
        {"no compositor", name, nullptr, "cannot be reached"},
        {"stuck", name, [&] { return std::make_unique<SilentCompositor>(path); },
         "does not answer"},
        {"dies", name, [] { return std::make_unique<DeadCompositor>(); }, "closed the connection"},
        {"no window list", name, [&] { return std::make_unique<BareCompositor>(name); },
         "no foreign-toplevel protocol"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.case_);
        qputenv("WAYLAND_DISPLAY", QFile::encodeName(row.display));
        const std::unique_ptr<FakeCompositor> compositor = row.start ? row.start() : nullptr;
        QString missing;
        EXPECT_FALSE(activeWaylandWindow(&missing, QDeadlineTimer(300)));
        EXPECT_TRUE(missing.contains(QLatin1String(row.missing))) << missing.toStdString();
        // The keyboard and KWin's window list connect the same way; their checks are alike.
        if (row.start)
            continue;
        EXPECT_FALSE(WaylandKeyboard::open(&missing));
        EXPECT_TRUE(missing.contains(QLatin1String(row.missing))) << missing.toStdString();
        EXPECT_TRUE(activeAppIdOnKWin(&missing).isEmpty());
        EXPECT_TRUE(missing.contains(QLatin1String(row.missing))) << missing.toStdString();
        QFile::remove(path);
    }
    qputenv("XDG_RUNTIME_DIR", savedRuntime);
    qputenv("WAYLAND_DISPLAY", savedDisplay);
}

} // namespace
