// The keyboard's reading of chords, its choice of protocol, and what the Wayland queries say
// when the session lacks something; the keys themselves are pressed in the gui tests.
#include "tests/support/guitest.h"

#include "pasteboard/kwinwindows.h"
#include "pasteboard/waylandkeyboard.h"
#include "pasteboard/waylandwindows.h"

#include <QFile>
#include <QTemporaryDir>

#include <wayland-server.h>

#include <memory>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

#include <xkbcommon/xkbcommon-keysyms.h>

namespace {

using namespace waylandkeyboard;

TEST(WaylandKeyboard, ParsesChords) {
    // Spaces, any case and "plus" are fine; unknown modifiers and keys and stray '+' are not.
    const std::optional<Chord> chord = parseChord(u" Shift + control+alt+super+plus ");
    ASSERT_TRUE(chord);
    EXPECT_EQ(chord->modifiers, Ctrl | Shift | Alt | Super);
    EXPECT_EQ(chord->keysym, uint32_t(XKB_KEY_plus));
    for (const char16_t *bad : {u"hyper+v", u"ctrl+NoSuchKey", u"ctrl+", u"ctrl++v"})
        EXPECT_FALSE(parseChord(bad)) << QString::fromUtf16(bad).toStdString();
}

TEST(WaylandKeyboard, ChoosesTheVirtualKeyboardThenFakeInput) {
    const struct {
        Globals globals;
        Protocol protocol;
        const char16_t *says;
    } cases[] = {
        {{true, true, 4}, Protocol::VirtualKeyboard, u""},
        // Fake input presses the compositor's own keys: it needs no seat.
        {{false, true, 4}, Protocol::FakeInput, u""},
        {{true, false, 3}, Protocol::None, u"version 3"},
        {{false, true, 0}, Protocol::None, u"no seat"},
        {{true, false, 0}, Protocol::None, u"org_kde_kwin_fake_input"},
    };
    for (const auto &c : cases) {
        QString missing;
        EXPECT_EQ(choose(c.globals, &missing), c.protocol) << c.globals.fakeInputVersion;
        EXPECT_EQ(missing.isEmpty(), !*c.says);
        EXPECT_TRUE(missing.contains(QStringView(c.says))) << missing.toStdString();
    }
}

// Listens and never answers, like a compositor that is stopped or stuck.
struct SilentCompositor {
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    explicit SilentCompositor(const QString &path) {
        sockaddr_un address{.sun_family = AF_UNIX, .sun_path = {}};
        std::strncpy(address.sun_path, QFile::encodeName(path).constData(),
                     sizeof address.sun_path - 1);
        EXPECT_EQ(bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
        EXPECT_EQ(listen(fd, 4), 0);
    }
    ~SilentCompositor() { close(fd); }
};

// Hangs up at once, like a compositor that dies. The connection is handed over by
// WAYLAND_SOCKET, which libwayland reads before WAYLAND_DISPLAY.
struct DeadCompositor {
    Environment env;
    DeadCompositor() {
        int pair[2];
        EXPECT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
        close(pair[1]);
        env.set("WAYLAND_SOCKET", QByteArray::number(pair[0]));
    }
};

// A real Wayland server that offers no globals at all.
struct BareCompositor {
    wl_display *display = wl_display_create();
    std::thread loop;
    explicit BareCompositor(const QString &name) {
        EXPECT_EQ(wl_display_add_socket(display, QFile::encodeName(name).constData()), 0);
        loop = std::thread([this] { wl_display_run(display); });
    }
    ~BareCompositor() {
        wl_display_terminate(display);
        loop.join();
        wl_display_destroy(display);
    }
};

TEST(WaylandQueries, SayWhatTheSessionLacks) {
    QTemporaryDir runtime;
    Environment env;
    env.set("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    const QString name = u"sumwise-test-0"_qs;
    const struct {
        const char *case_;
        QString display;
        std::function<std::shared_ptr<void>()> start; // a stand-in compositor while it lives
        const char *missing;
    } rows[] = {
        {"no session", QString(), nullptr, "WAYLAND_DISPLAY"},
        {"no compositor", name, nullptr, "cannot be reached"},
        {"stuck", name, [&] { return std::make_shared<SilentCompositor>(runtime.filePath(name)); },
         "does not answer"},
        {"dies", name, [] { return std::make_shared<DeadCompositor>(); }, "closed the connection"},
        {"no window list", name, [&] { return std::make_shared<BareCompositor>(name); },
         "no foreign-toplevel protocol"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.case_);
        env.set("WAYLAND_DISPLAY", QFile::encodeName(row.display));
        const std::shared_ptr<void> compositor = row.start ? row.start() : nullptr;
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
    }
}

} // namespace
