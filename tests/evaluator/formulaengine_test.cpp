// The formula engine: grammar, scanner, built-ins, formatting and the named values it keeps.
#include "evaluator/formulaengine.h"
#include "platform/doublevalue.h"
#include "platform/userdefaults.h"

#include <QFile>
#include <QLocale>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/inotify.h>
#include <unistd.h>

namespace {

constexpr char Syntax[] = "Syntax error";
constexpr char DivZero[] = "Division by zero";

// A formula and its result text, or the error it fails with (then the text is "0").
struct Outcome {
    std::string formula, result;
    const char *error = nullptr;
};

// Each test gets a store of its own.
class SumwiseTest : public testing::Test {
protected:
    UserDefaults defaults{UserDefaults::InMemory{}};
    FormulaEngine sumwise{defaults};

    std::string run(const std::string &formula) {
        return sumwise.doSumwise(QString::fromStdString(formula)).toStdString();
    }
};

class OutcomeTest : public SumwiseTest, public testing::WithParamInterface<Outcome> {};

TEST_P(OutcomeTest, GivesResultOrError) {
    const Outcome &o = GetParam();
    SCOPED_TRACE(o.formula.substr(0, 40));
    EXPECT_EQ(run(o.formula), o.result);
    EXPECT_EQ(sumwise.succeeded(), !o.error);
    EXPECT_EQ(sumwise.errorMessage().isNull(), !o.error);
    EXPECT_EQ(sumwise.errorMessage().toStdString(), o.error ? o.error : "");
}

const auto results = testing::Values(
    // Precedence, associativity and signs; then the parser stopping at the first token that cannot
    // continue the expression.
    Outcome{"2+3*4", "14"}, Outcome{"2/4/2", "0.25"}, Outcome{"2^3^2", "64"}, Outcome{"-2^2", "-4"},
    Outcome{"2^-2^2", "0.0625"}, Outcome{"+-+2", "-2"}, Outcome{"-0", "-0"}, Outcome{"-7%3", "-1"},
    Outcome{"2;3", "2"}, Outcome{"2pi", "2"},
    // Names in either case; numbers with a comma or a point, several of them grouping digits, and
    // spaces between digits.
    Outcome{"pi", "3.14159265359"}, Outcome{".5", "0.5"}, Outcome{"1,5", "1.5"},
    Outcome{"1,234", "1.234"}, Outcome{"1.234,5", "1234.5"}, Outcome{"1.000.000,5", "1000000.5"},
    Outcome{"1 000 000", "1000000"}, Outcome{"1\xc2\xa0\x35", "15"}, Outcome{"e0", "1.6021892e-19"},
    // Arguments where no two functions agree, so that one answering for another shows.
    Outcome{"LOG10(100)", "2"}, Outcome{"LN(E)", "1"}, Outcome{"LOG2(8)", "3"},
    Outcome{"EXP(1)", "2.71828182846"}, Outcome{"COS(PI)", "-1"}, Outcome{"TAN(PI/4)", "1"},
    Outcome{"ACOS(0.5)", "1.0471975512"}, Outcome{"ATAN(1)*4", "3.14159265359"},
    Outcome{"SQRT(16)", "4"}, Outcome{"SQRT(-0)", "-0"}, Outcome{"ABS(-3)", "3"},
    Outcome{"SIGN(-7)", "-1"}, Outcome{"SIGN(-0)", "-0"}, Outcome{"FACT(0.5)", "1"},
    Outcome{"FLOOR(-1.2)", "-2"}, Outcome{"ROUND(2.5)", "3"}, Outcome{"ACOSH(2)", "1.31695789692"},
    Outcome{"ASINH(1)", "0.88137358702"}, Outcome{"ATANH(0.5)", "0.549306144334"},
    Outcome{"COSH(1)", "1.54308063482"}, Outcome{"SINH(1)", "1.17520119364"},
    Outcome{"TANH(1)", "0.761594155956"}, Outcome{"SIN(COS(0))", "0.841470984808"},
    // Computed the stated way: EXP10 through the logarithm, FACT from the largest factor down.
    Outcome{"EXP10(2)-100", "4.26325641456e-14"}, Outcome{"EXP2(10)-1024", "0"},
    Outcome{"LOG(1000)-3", "0"}, Outcome{"FACT(20)-2432902008176640000", "0"},
    Outcome{"FACT(170)/10^306-7.257415615308", "3.5527136788e-15"},
    // Twelve significant digits, exponents beyond them, and NaN without its sign.
    Outcome{"1/3", "0.333333333333"}, Outcome{"0.1+0.2", "0.3"}, Outcome{"10^11", "100000000000"},
    Outcome{"10^12", "1e+12"}, Outcome{"0.00015", "0.00015"}, Outcome{"0.000015", "1.5e-05"},
    Outcome{"10^308*10", "inf"}, Outcome{"(-8)^(1/3)", "nan"});
INSTANTIATE_TEST_SUITE_P(Results, OutcomeTest, results);

// Formulas that fail, by message. When several errors are raised the last one stands; nothing
// promptly ends the largest factorials but the overflow check.
std::vector<Outcome> failures() {
    const std::pair<const char *, std::vector<std::string>> byError[] = {
        {Syntax,
         {"", " \t\n", "2+", "*2", "()", "(2", "2$", "SIN()", "sin 0", "1e5", "_x", "x==5", "x=5;;",
          "nosuchname", "pi(1)", "\xc3\xa9", "(1/0", "nosuch(1)"}},
        {DivZero, {"1/0", "1%0", "1/-0", "1/LN(0)", "SQRT(0/0)"}},
        {"Undefined",
         {"LN(1/0)", "LN(0)", "LOG(-1)", "SQRT(-1)", "ASIN(1.0000001)", "FACT(-0.5)",
          "FACT(-10^400)"}},
        {"Overflow", {"FACT(171)", "FACT(2^63)", "FACT(10^400)"}}};
    std::vector<Outcome> outcomes;
    for (const auto &[error, formulas] : byError)
        for (const std::string &formula : formulas)
            outcomes.push_back({formula, "0", error});
    return outcomes;
}
INSTANTIATE_TEST_SUITE_P(Errors, OutcomeTest, testing::ValuesIn(failures()));

std::vector<Outcome> hugeInputs() {
    const auto times = [](const char *text, int n) {
        return QByteArray(text).repeated(n).toStdString();
    };
    std::vector<Outcome> rows{{times("a=1;", 100000) + "a+1", "2"}, // chains use no stack
                              {"1" + std::string(320, '0'), "inf"},
                              {"0." + std::string(400, '0') + "1", "0"}};
    // Deep nesting fails before it exhausts the stack.
    for (const auto &[open, close] : {std::pair{"(", ")"}, {"abs(", ")"}, {"-", ""}, {"x=", ""}}) {
        rows.push_back({times(open, 500) + "1" + times(close, 500), "1"});
        rows.push_back({times(open, 1000000) + "1" + times(close, 1000000), "0", Syntax});
    }
    return rows;
}
INSTANTIATE_TEST_SUITE_P(HugeInputs, OutcomeTest, testing::ValuesIn(hugeInputs()));

// A formula run on a store after another engine ran "before" on it: its result, how often it
// replaced the store's file, and what the file then holds.
struct Statement {
    const char *before, *formula, *result;
    int writes;
    std::vector<std::pair<const char *, double>> onDisk;
    const char *error = nullptr;
};

class StatementTest : public testing::TestWithParam<Statement> {};

TEST_P(StatementTest, AssignsOnceAndKeepsTheValues) {
    const Statement &s = GetParam();
    SCOPED_TRACE(s.formula);
    QTemporaryDir dir;
    UserDefaults store(dir.filePath(QStringLiteral("Sumwise.conf")));
    FormulaEngine(store).doSumwise(QString::fromUtf8(s.before));
    FormulaEngine engine(store);
    const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    inotify_add_watch(watch, QFile::encodeName(dir.path()).constData(), IN_MOVED_TO);
    EXPECT_EQ(engine.doSumwise(QString::fromUtf8(s.formula)).toStdString(), s.result);
    EXPECT_EQ(engine.errorMessage().toStdString(), s.error ? s.error : "");
    // Every write renames a new file over the store.
    int writes = 0;
    alignas(inotify_event) char events[4096];
    for (ssize_t n = read(watch, events, sizeof events), at = 0; at < n; ++writes)
        at += ssize_t(sizeof(inotify_event) + reinterpret_cast<inotify_event *>(events + at)->len);
    close(watch);
    EXPECT_EQ(writes, s.writes);
    // Read from a copy: this process would otherwise be served from its cache of the file.
    ASSERT_TRUE(QFile::copy(store.fileName(), dir.filePath(QStringLiteral("copy.conf"))));
    UserDefaults disk(dir.filePath(QStringLiteral("copy.conf")));
    for (const auto &[key, value] : s.onDisk)
        EXPECT_EQ(platform::doubleValue(disk.objectForKey(QString::fromLatin1(key))), value) << key;
}

INSTANTIATE_TEST_SUITE_P(
    Assignments, StatementTest,
    testing::Values(
        Statement{"", "(x=3)*2", "6", 1, {{"X", 3}}}, Statement{"", "(x=3;)*2", "6", 1, {{"X", 3}}},
        Statement{"", "x=y=2", "2", 1, {{"X", 2}, {"Y", 2}}},
        Statement{"", "2x=5", "2", 1, {{"X", 5}}},
        Statement{"", "a1=1;b=2;C=3;A1+b+c", "6", 1, {{"A1", 1}, {"B", 2}, {"C", 3}}},
        Statement{"", "a=1;a=a+1;a*10", "20", 1, {{"A", 2}}},
        // An assignment before an error stays, as a user who saw it happen expects.
        Statement{"", "y=2;z=1/0", "0", 1, {{"Y", 2}}, DivZero},
        // A failed value does not overwrite the old one, and the same value is not rewritten.
        Statement{"x=7", "x=1/0", "0", 0, {{"X", 7}}, DivZero},
        Statement{"x=7", "x=7;x*2", "14", 0, {{"X", 7}}},
        // Names outlive the engine, and a redefined constant is not seeded again.
        Statement{"X=2;PI=3", "x*10+pi", "23", 0, {{"PI", 3}}},
        Statement{"", "2*3", "6", 0, {{"PI", 3.141592653589793}, {"E0", 1.6021892e-19}}}));

// A store that cannot be written: the folder where its file should be is a file.
TEST(SumwiseUnsaved, TheRestOfTheFormulaComputesAndTheFormulaFails) {
    QTemporaryDir dir;
    ASSERT_TRUE(QFile(dir.filePath(QStringLiteral("folder"))).open(QIODevice::WriteOnly));
    UserDefaults defaults(dir.filePath(QStringLiteral("folder/Sumwise.conf")));
    FormulaEngine sumwise(defaults);
    // The last one's other failure has its value, but the message still names the store.
    for (const auto &[formula, result] :
         {std::pair{"x=2;x=x+1;x*10", "30"}, {"pi=3;pi*2", "6"}, {"y=2;y/0", "0"}}) {
        SCOPED_TRACE(formula);
        EXPECT_EQ(sumwise.doSumwise(QString::fromUtf8(formula)).toStdString(), result);
        EXPECT_TRUE(sumwise.errorMessage().startsWith(u"The variable cannot be saved in "));
    }
    // Nothing was assigned beyond its formula.
    EXPECT_FALSE(defaults.objectForKey(QStringLiteral("X")).isValid()
                 || defaults.objectForKey(QStringLiteral("Y")).isValid());
    EXPECT_EQ(sumwise.doSumwise(QStringLiteral("pi*2")), QStringLiteral("6.28318530718"));
    EXPECT_TRUE(sumwise.succeeded());
}

TEST_F(SumwiseTest, ConstantsAnswerWhenTheirEntryIsGone) {
    defaults.removeObjectForKey(QStringLiteral("E0"));
    EXPECT_EQ(run("e0"), "1.6021892e-19");
}

TEST_F(SumwiseTest, NullTextChangesNothing) {
    run("1/0");
    EXPECT_TRUE(sumwise.doSumwise(QString()).isNull());
    EXPECT_EQ(sumwise.errorMessage().toStdString(), DivZero);
}

TEST_F(SumwiseTest, ResultsUseTheLocalesDecimalPointWithoutGrouping) {
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(run("1/3"), "0,333333333333");
    EXPECT_EQ(run("10^11"), "100000000000");
    QLocale::setDefault(saved);
}

} // namespace
