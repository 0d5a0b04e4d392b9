// The real program as a command that serves itself, without a session bus.
#include "tests/support/sessionbus.h"

#include <QRegularExpression>

namespace {

class CommandTest : public SessionBusTest {
protected:
    Outcome substitute(const QByteArray &input, const QStringList &settings = {}) {
        QProcessEnvironment e = environment();
        for (const QString &kv : settings)
            e.insert(kv.section(u'=', 0, 0), kv.section(u'=', 1));
        return run({QStringLiteral("substitute")}, input, e);
    }
};

TEST_F(CommandTest, SubstituteFilterOutcomes) {
    struct {
        QByteArray in;
        QByteArray out;
        QByteArray err;
        int status;
    } const cases[] = {
        {"2*(3+4)^2", "98", "", 0},
        {"sqrt(2)/2\r\n", "0.707106781187\r\n", "", 0},
        {"  1 000 000 \n\n", "1000000\n", "", 0},
        // A failure gives the selection back untouched.
        {"1/0\n", "1/0\n", "Error: Division by zero\n", 1},
        {"", "", "Error: Syntax error\n", 1},
        // NUL counts as white space, like every other blank.
        {QByteArray("1+\0"
                    "2",
                    4),
         "3", "", 0},
    };
    for (const auto &c : cases) {
        const Outcome r = substitute(c.in);
        EXPECT_EQ(r.out, c.out) << c.in.toStdString();
        EXPECT_EQ(r.err, c.err) << c.in.toStdString();
        EXPECT_EQ(r.status, c.status) << c.in.toStdString();
    }
    // A formula in the arguments, its words joined; a failure prints nothing.
    EXPECT_EQ(run({QStringLiteral("substitute"), QStringLiteral("1"), QStringLiteral("000")}).out,
              "1000\n");
    const Outcome r = run({QStringLiteral("substitute"), QStringLiteral("1/0")});
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "Error: Division by zero\n");
    EXPECT_EQ(r.status, 1);
}

TEST_F(CommandTest, VariablesPersistAcrossProcesses) {
    EXPECT_EQ(substitute("Rate=1,25").out, "1.25");
    EXPECT_EQ(substitute("rate*4").out, "5");
}

TEST_F(CommandTest, FollowsTheLocale) {
    const QStringList german{QStringLiteral("LC_ALL=de_DE.UTF-8")};
    EXPECT_EQ(substitute("1/3", german).out, "0,333333333333");
    const Outcome r = substitute("1/0", german);
    EXPECT_EQ(r.err, "Error: Division durch null\n");
    EXPECT_EQ(r.status, 1);
    // The number separator comes from LC_NUMERIC when LC_ALL is unset.
    const QStringList numeric{QStringLiteral("LC_ALL="), QStringLiteral("LANG=en_US.UTF-8"),
                              QStringLiteral("LC_NUMERIC=fr_FR.UTF-8")};
    EXPECT_EQ(substitute("0.5", numeric).out, "0,5");
    EXPECT_EQ(substitute("2$", numeric).err, "Error: Syntax error\n");
}

TEST_F(CommandTest, HelpVersionAndUsageErrors) {
    Outcome r = run({QStringLiteral("--help")});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.contains("substitute"));
    r = run({QStringLiteral("--version")});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^sumwise \\d+\\.\\d+\\.\\d+\\n$"))
                    .match(QString::fromUtf8(r.out))
                    .hasMatch());
    // Help after the command is help, not a formula.
    for (const char *help : {"--help", "-h"}) {
        r = run({QStringLiteral("substitute"), QString::fromLatin1(help)});
        EXPECT_EQ(r.status, 0) << help;
        EXPECT_TRUE(r.out.startsWith("Usage:")) << help;
    }
    // "--" ends the options, so a formula may start with "-"; "=" joins an option's value.
    r = run({QStringLiteral("substitute"), QStringLiteral("--"), QStringLiteral("-2*3")});
    EXPECT_EQ(r.out, "-6\n");
    r = run({QStringLiteral("add"), QStringLiteral("--type=text/rtf")}, "{\\rtf1 2+3}");
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.startsWith("{\\rtf1")) << r.out.constData();
    for (const QStringList &args :
         {QStringList{QStringLiteral("frobnicate")},
          QStringList{QStringLiteral("substitute"), QStringLiteral("--bogus")},
          QStringList{QStringLiteral("substitute"), QStringLiteral("--type")},
          QStringList{QStringLiteral("substitute"), QStringLiteral("--type=")},
          QStringList{QStringLiteral("substitute"), QStringLiteral("--no-paste")}}) {
        r = run(args);
        EXPECT_EQ(r.status, 2);
        EXPECT_TRUE(r.out.isEmpty());
        EXPECT_TRUE(r.err.contains("sumwise --help"));
    }
}

// A named display that cannot be reached, and Qt left to choose: nothing may abort, a panel
// nobody sees is a failure that says why, and the selection stays as it was.
TEST_F(CommandTest, WithoutAReachableDisplay) {
    QProcessEnvironment e = environment();
    e.remove(QStringLiteral("QT_QPA_PLATFORM"));
    e.insert(QStringLiteral("WAYLAND_DISPLAY"), QStringLiteral("sumwise-test-no-compositor"));
    struct {
        QStringList args;
        QByteArray in, out, err;
        int status;
    } const cases[] = {
        {{"show"}, "2+3", "2+3", "the panel cannot be shown", 1},
        {{"show", "--selection"}, "", "", "the panel cannot be shown", 1},
        {{"copy"}, "2+", "2+", "Error: Syntax error", 1},
        {{"substitute", "--selection"}, "", "", "reached: the Wayland compositor", 1},
    };
    for (const auto &c : cases) {
        const Outcome r = run(c.args, c.in, e);
        const std::string row = c.args.join(u' ').toStdString();
        EXPECT_EQ(r.status, c.status) << row << r.err.toStdString();
        EXPECT_EQ(r.out, c.out) << row;
        EXPECT_TRUE(r.err.contains(c.err)) << row << r.err.toStdString();
        // The commands that start a GUI say which display they missed.
        if (c.args.first() != u"substitute") {
            EXPECT_TRUE(r.err.contains("no display could be opened")) << row << r.err.toStdString();
        }
    }
}

} // namespace
