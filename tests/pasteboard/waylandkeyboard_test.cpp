// The keyboard's reading of chords, its choice of protocol, and what the Wayland queries say
// when the session lacks something; the keys themselves are pressed in the gui tests.
#include "pasteboard/kwinwindows.h"
#include "pasteboard/waylandkeyboard.h"

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

TEST(WaylandKeyboard, SaysWhatTheSessionLacks) {
    const QByteArray saved = qgetenv("WAYLAND_DISPLAY");
    const struct {
        const char *display;
        const char16_t *says;
    } cases[] = {
        {nullptr, u"WAYLAND_DISPLAY"},
        {"sumwise-test-no-compositor", u"cannot be reached"},
    };
    for (const auto &c : cases) {
        if (c.display)
            qputenv("WAYLAND_DISPLAY", c.display);
        else
            qunsetenv("WAYLAND_DISPLAY");
        QString missing;
        EXPECT_FALSE(WaylandKeyboard::open(&missing));
        EXPECT_TRUE(missing.contains(QStringView(c.says))) << missing.toStdString();
        missing.clear();
        EXPECT_TRUE(activeAppIdOnKWin(&missing).isEmpty());
        EXPECT_TRUE(missing.contains(QStringView(c.says))) << missing.toStdString();
    }
    qputenv("WAYLAND_DISPLAY", saved);
}

} // namespace
