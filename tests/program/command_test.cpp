// The real program as a command that serves itself, without a session bus.
#include "tests/support/sessionbus.h"

namespace {

class CommandTest : public SessionBusTest {};

// (The filter's outcomes and its locale by each route are the provider's tests.)
TEST_F(CommandTest, ArgumentsHelpVersionAndUsageErrors) {
    struct {
        QStringList args;
        QByteArray in, out; // out: its start
        int status = 0;
        QByteArray err = {};
    } const cases[] = {
        // A formula in the arguments, its words joined, prints a line; a failure prints nothing.
        {{"substitute", "1", "000"}, "", "1000\n"},
        {{"substitute", "1/0"}, "", "", 1, "Error: Division by zero\n"},
        {{"--help"}, "", "Usage:"},
        {{"--version"}, "", "sumwise "},
        // Help after the command is help, not a formula.
        {{"substitute", "--help"}, "", "Usage:"},
        // "--" ends the options, so a formula may start with "-"; "=" joins an option's value.
        {{"substitute", "--", "-2*3"}, "", "-6\n"},
        {{"add", "--type=text/rtf"}, "{\\rtf1 2+3}", "{\\rtf1"},
        {{"frobnicate"}, "", "", 2, "sumwise --help"},
        {{"substitute", "--bogus"}, "", "", 2, "sumwise --help"},
        {{"substitute", "--type="}, "", "", 2, "sumwise --help"},
        {{"substitute", "--no-paste"}, "", "", 2, "sumwise --help"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.args.join(u' ').toStdString());
        const Ran r = run(c.args, c.in);
        EXPECT_EQ(r.status, c.status);
        EXPECT_TRUE(c.out.isEmpty() ? r.out.isEmpty() : r.out.startsWith(c.out)) << r.out.data();
        EXPECT_TRUE(r.err.contains(c.err)) << r.err.data();
    }
}

// A named display that cannot be reached, and Qt left to choose: nothing may abort, a panel
// nobody sees is a failure that says why, and the selection stays as it was.
TEST_F(CommandTest, WithoutAReachableDisplay) {
    struct {
        QStringList args;
        QByteArray in, err;
    } const cases[] = {
        {{"show"}, "2+3", "the panel cannot be shown"},
        {{"substitute", "--selection"}, "", "reached: the Wayland compositor"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.args.join(u' ').toStdString());
        const Ran r = run(
            c.args, c.in,
            with(environment(), {"QT_QPA_PLATFORM", "WAYLAND_DISPLAY=sumwise-test-no-compositor"}));
        EXPECT_EQ(r.status, 1) << r.err.toStdString();
        EXPECT_EQ(r.out, c.in);
        EXPECT_TRUE(r.err.contains(c.err)) << r.err.toStdString();
        // The commands that start a GUI say which display they missed.
        EXPECT_TRUE(c.args[0] == u"substitute" || r.err.contains("no display could be opened"))
            << r.err.toStdString();
    }
}

} // namespace
