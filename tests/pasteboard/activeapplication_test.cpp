// The active application's name, from the active window on the private X server (the harness
// that starts one lives with the clipboard tests).
#include "tests/support/guitest.h"

#include "platform/activeapplication.h"

namespace {

class ActiveApplicationTest : public X11Test {};

TEST_F(ActiveApplicationTest, IsTheClassOfTheActiveWindow) {
    X11 x;
    xcb_delete_property(x.c, x.root, x.atom("_NET_ACTIVE_WINDOW"));
    x.sync();
    EXPECT_EQ(platform::activeApplicationName(), QString()) << "no window manager";
    const struct {
        QByteArray wmClass; // empty: none
        QString expected;
    } cases[] = {
        {QByteArray("x\0\xc3\x84rger\0", 9), "\u00c4rger"},
        {QByteArray("x\0\xc4rger\0", 8), "\u00c4rger"}, // not UTF-8: Latin-1
        {"no-terminator", QString()},
        {"", QString()},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.wmClass.toStdString());
        const xcb_window_t w = x.window();
        if (!c.wmClass.isEmpty())
            x.setProperty(w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8, c.wmClass.constData(),
                          uint32_t(c.wmClass.size()));
        x.setActive(w);
        EXPECT_EQ(platform::activeApplicationName(), c.expected);
        xcb_destroy_window(x.c, w);
        x.sync();
        EXPECT_EQ(platform::activeApplicationName(), QString()) << "active window gone";
    }
    Environment env;
    env.set("DISPLAY", ":9999");
    EXPECT_EQ(platform::activeApplicationName(), QString()) << "no X server";
}

} // namespace
