#include "evaluator/builtins.h"
#include "evaluator/formulaengine.h"
#include "platform/doublevalue.h"
#include "platform/userdefaults.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdio>

#include <fcntl.h>
#include <sys/inotify.h>
#include <unistd.h>

namespace {

constexpr char SyntaxError[] = "Syntax error";
constexpr char DivisionByZero[] = "Division by zero";
constexpr char Undefined[] = "Undefined";
constexpr char Overflow[] = "Overflow";

// Each test gets a store of its own.
class SumwiseTest : public testing::Test {
protected:
    QTemporaryDir dir;
    UserDefaults defaults{dir.filePath(QStringLiteral("Sumwise.conf"))};
    FormulaEngine sumwise{defaults};

    QString run(const char *formula) { return sumwise.doSumwise(QString::fromUtf8(formula)); }

    // The exact double a formula yields, read back through an assignment to the store.
    double exact(const char *formula) {
        run((std::string("RESULT=(") + formula + ")").c_str());
        EXPECT_TRUE(sumwise.succeeded()) << formula;
        return platform::doubleValue(defaults.objectForKey(QStringLiteral("RESULT")));
    }

    double stored(const char *key) {
        return platform::doubleValue(defaults.objectForKey(QString::fromLatin1(key)));
    }
};

struct Outcome {
    const char *formula;
    const char *result; // nullptr when the formula must fail
    const char *error = nullptr;
};

void PrintTo(const Outcome &o, std::ostream *os) {
    *os << '"' << o.formula << '"';
}

class OutcomeTest : public SumwiseTest, public testing::WithParamInterface<Outcome> {};

TEST_P(OutcomeTest, GivesResultOrError) {
    const Outcome &o = GetParam();
    const QString result = run(o.formula);
    if (o.result) {
        EXPECT_TRUE(sumwise.succeeded()) << sumwise.errorMessage().toStdString();
        EXPECT_EQ(result.toStdString(), o.result);
        EXPECT_TRUE(sumwise.errorMessage().isNull());
    } else {
        EXPECT_FALSE(sumwise.succeeded()) << "gave " << result.toStdString();
        EXPECT_EQ(sumwise.errorMessage().toStdString(), o.error);
        EXPECT_EQ(result.toStdString(), "0");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Grammar, OutcomeTest,
    testing::Values(Outcome{"2+3*4", "14"}, Outcome{"(2+3)*4", "20"}, Outcome{"10-4-3", "3"},
                    Outcome{"2/4/2", "0.25"}, Outcome{"2^3^2", "64"}, Outcome{"-2^2", "-4"},
                    Outcome{"-2^2^3", "-64"}, Outcome{"2^-1", "0.5"}, Outcome{"2^-2^2", "0.0625"},
                    Outcome{"0^0", "1"}, Outcome{"2*-3", "-6"}, Outcome{"2--3", "5"},
                    Outcome{"+-+2", "-2"}, Outcome{"-0", "-0"}, Outcome{"7%3", "1"},
                    Outcome{"-7%3", "-1"}, Outcome{"7%-3", "1"}, Outcome{"5.5%2", "1.5"},
                    // The parser stops at the first token that cannot continue the expression.
                    Outcome{"2(3)", "2"}, Outcome{"2)3", "2"}, Outcome{"2;3", "2"},
                    Outcome{"2pi", "2"}, Outcome{"", nullptr, SyntaxError},
                    Outcome{" \t\n", nullptr, SyntaxError}, Outcome{"2+", nullptr, SyntaxError},
                    Outcome{"*2", nullptr, SyntaxError}, Outcome{"2**3", nullptr, SyntaxError},
                    Outcome{"()", nullptr, SyntaxError}, Outcome{"(2", nullptr, SyntaxError},
                    Outcome{"2$", nullptr, SyntaxError}, Outcome{"SIN()", nullptr, SyntaxError},
                    Outcome{"-", nullptr, SyntaxError}));

INSTANTIATE_TEST_SUITE_P(
    Errors, OutcomeTest,
    testing::Values(
        Outcome{"1/0", nullptr, DivisionByZero}, Outcome{"1%0", nullptr, DivisionByZero},
        Outcome{"0/0", nullptr, DivisionByZero}, Outcome{"1/-0", nullptr, DivisionByZero},
        // When several errors are raised the last one stands.
        Outcome{"5/", nullptr, DivisionByZero}, Outcome{"1/LN(0)", nullptr, DivisionByZero},
        Outcome{"LN(1/0)", nullptr, Undefined}, Outcome{"(1/0", nullptr, SyntaxError},
        Outcome{"LN(0)", nullptr, Undefined}, Outcome{"LOG(-1)", nullptr, Undefined},
        Outcome{"SQRT(-1)", nullptr, Undefined}, Outcome{"ASIN(1.0000001)", nullptr, Undefined},
        Outcome{"FACT(-1)", nullptr, Undefined}, Outcome{"FACT(-0.5)", nullptr, Undefined},
        Outcome{"FACT(171)", nullptr, Overflow}, Outcome{"SQRT(0/0)", nullptr, DivisionByZero},
        // Nothing promptly ends these but the overflow check.
        Outcome{"FACT(2^63)", nullptr, Overflow}, Outcome{"FACT(10^400)", nullptr, Overflow},
        Outcome{"FACT(2^62)", nullptr, Overflow}, Outcome{"FACT(-10^400)", nullptr, Undefined}));

INSTANTIATE_TEST_SUITE_P(
    Scanner, OutcomeTest,
    testing::Values(Outcome{"pi", "3.14159265359"}, Outcome{"sin(0)", "0"}, Outcome{"SIN(0)", "0"},
                    Outcome{"sin 0", nullptr, SyntaxError}, Outcome{"1e5", nullptr, SyntaxError},
                    Outcome{".", nullptr, SyntaxError}, Outcome{".5", "0.5"}, Outcome{"5.", "5"},
                    Outcome{"_x", nullptr, SyntaxError}, Outcome{"=5", nullptr, SyntaxError},
                    Outcome{"x==5", nullptr, SyntaxError}, Outcome{"x=5;;", nullptr, SyntaxError},
                    Outcome{"nosuchname", nullptr, SyntaxError},
                    Outcome{"nosuch(1)", nullptr, SyntaxError},
                    Outcome{"pi(1)", nullptr, SyntaxError},
                    Outcome{"\xc3\xa9", nullptr, SyntaxError},
                    Outcome{"2\xe2\x80\x93"
                            "1",
                            nullptr, SyntaxError},
                    Outcome{"1,5", "1.5"}, Outcome{"1.234", "1.234"}, Outcome{"1,234", "1.234"},
                    Outcome{"1,234.5", "1234.5"}, Outcome{"1.234,5", "1234.5"},
                    Outcome{"1.234.567", "1234.567"}, Outcome{"1.000.000,5", "1000000.5"},
                    Outcome{"1 000 000", "1000000"}, Outcome{"1 5", "15"},
                    Outcome{"1\xc2\xa0"
                            "5",
                            "15"},
                    Outcome{"q", "1.602189e-19"}, Outcome{"e0", "1.6021892e-19"}));

INSTANTIATE_TEST_SUITE_P(
    Functions, OutcomeTest,
    testing::Values(Outcome{"LOG(100)", "2"}, Outcome{"LOG10(100)", "2"}, Outcome{"LN(E)", "1"},
                    Outcome{"LOG2(8)", "3"}, Outcome{"EXP(0)", "1"}, Outcome{"COS(0)", "1"},
                    Outcome{"TAN(0)", "0"}, Outcome{"ATAN(1)*4", "3.14159265359"},
                    Outcome{"SQRT(16)", "4"}, Outcome{"SQRT(-0)", "-0"}, Outcome{"ABS(-3)", "3"},
                    Outcome{"ABS(-0)", "0"}, Outcome{"SIGN(-7)", "-1"}, Outcome{"SIGN(0)", "0"},
                    Outcome{"SIGN(-0)", "-0"}, Outcome{"SIGN(0.001)", "1"}, Outcome{"FACT(0)", "1"},
                    Outcome{"FACT(0.5)", "1"}, Outcome{"FACT(-0)", "1"}, Outcome{"FACT(3.7)", "6"},
                    Outcome{"CEIL(1.2)", "2"}, Outcome{"FLOOR(-1.2)", "-2"},
                    Outcome{"ROUND(2.5)", "3"}, Outcome{"ROUND(-2.5)", "-3"},
                    Outcome{"ROUND(0.5)", "1"}, Outcome{"ACOSH(1)", "0"}, Outcome{"ASINH(0)", "0"},
                    Outcome{"ATANH(0)", "0"}, Outcome{"COSH(0)", "1"}, Outcome{"SINH(0)", "0"},
                    Outcome{"TANH(0)", "0"}, Outcome{"ACOSH(0)", "nan"}, Outcome{"ATANH(1)", "inf"},
                    Outcome{"ATANH(-1)", "-inf"}, Outcome{"SIN(COS(0))", "0.841470984808"},
                    Outcome{"COS(SIN(0))", "1"}));

INSTANTIATE_TEST_SUITE_P(
    Formatting, OutcomeTest,
    testing::Values(Outcome{"1/3", "0.333333333333"}, Outcome{"2^0.5", "1.41421356237"},
                    Outcome{"0.1+0.2", "0.3"}, Outcome{"10^11", "100000000000"},
                    Outcome{"10^12", "1e+12"}, Outcome{"1,5*2", "3"}, Outcome{"0,5+1", "1.5"},
                    Outcome{"0.00015", "0.00015"}, Outcome{"0.000015", "1.5e-05"},
                    Outcome{"10^308*10", "inf"}, Outcome{"-10^308*10", "-inf"},
                    Outcome{"(-8)^(1/3)", "nan"}));

TEST_F(SumwiseTest, ConstantsAreBitExact) {
    const std::uint64_t bits[] = {0x400921FB54442D18, 0x4005BF0A8B145769, 0x41B1DE784A000000,
                                  0x3DD257D8D761B6DC, 0x3C07A4E6503CF597, 0x39B279F0C31B4F25,
                                  0x3A6090948D5E2327, 0x3A60966D3B5666FC, 0x3EB5150E4FBC0F6C,
                                  0x3C07A4E61EB8740E};
    for (std::size_t i = 0; i < builtins::constant_names.size(); ++i) {
        const std::string name(builtins::constant_names[i]);
        EXPECT_EQ(std::bit_cast<std::uint64_t>(builtins::constant_values[i]), bits[i]) << name;
        // Seeded into the store, and read back from it exactly.
        EXPECT_EQ(std::bit_cast<std::uint64_t>(stored(name.c_str())), bits[i]) << name;
        EXPECT_EQ(std::bit_cast<std::uint64_t>(exact(name.c_str())), bits[i]) << name;
    }
}

TEST_F(SumwiseTest, FunctionsComputeTheStatedWay) {
    struct {
        const char *formula;
        double value;
    } const cases[] = {
        {"EXP10(2)", 100.00000000000004},    {"EXP2(10)", 1024.0},
        {"sin(pi)", 1.2246467991473532e-16}, {"TAN(PI/2)", 1.633123935319537e+16},
        {"ASIN(1)", 1.5707963267948966},     {"FACT(170)", 7.257415615308004e+306},
        {"FACT(20)", 2432902008176640000.0}, {"LOG(1000)", 3.0},
    };
    for (const auto &c : cases)
        EXPECT_EQ(exact(c.formula), c.value) << c.formula;
}

struct Statement {
    const char *formula;
    const char *result;
    std::vector<std::pair<const char *, double>> store;
};

void PrintTo(const Statement &s, std::ostream *os) {
    *os << '"' << s.formula << '"';
}

class StatementTest : public SumwiseTest, public testing::WithParamInterface<Statement> {};

TEST_P(StatementTest, AssignsAndChains) {
    const Statement &s = GetParam();
    EXPECT_EQ(run(s.formula).toStdString(), s.result);
    EXPECT_TRUE(sumwise.succeeded()) << sumwise.errorMessage().toStdString();
    for (const auto &[key, value] : s.store)
        EXPECT_EQ(stored(key), value) << key;
}

INSTANTIATE_TEST_SUITE_P(
    Assignments, StatementTest,
    testing::Values(Statement{"x=3;x*2", "6", {{"X", 3}}}, Statement{"(x=3)*2", "6", {{"X", 3}}},
                    Statement{"2*(y=4)", "8", {{"Y", 4}}},
                    Statement{"x=y=2", "2", {{"X", 2}, {"Y", 2}}},
                    Statement{"x=5;", "5", {{"X", 5}}},
                    Statement{"x=1;y=2;x+y", "3", {{"X", 1}, {"Y", 2}}},
                    Statement{"x=2+3", "5", {{"X", 5}}}, Statement{"SQRT(x=16)", "4", {{"X", 16}}},
                    Statement{"2x=5", "2", {{"X", 5}}}, Statement{"x=1,5;x*3", "4.5", {{"X", 1.5}}},
                    Statement{"(x=3;4)", "4", {{"X", 3}}}, Statement{"(x=3;)*2", "6", {{"X", 3}}},
                    Statement{"abc1=7;ABC1", "7", {{"ABC1", 7}}},
                    Statement{"PI=3;pi", "3", {{"PI", 3}}}, Statement{"e=3;e*2", "6", {{"E", 3}}}));

TEST_F(SumwiseTest, LongStatementChainsUseNoStack) {
    std::string formula;
    for (int i = 0; i < 100000; ++i)
        formula += "a=1;";
    formula += "a+1";
    EXPECT_EQ(run(formula.c_str()).toStdString(), "2");
    EXPECT_TRUE(sumwise.succeeded());
}

TEST_F(SumwiseTest, LiteralBeyondTheLargestDoubleIsInfinite) {
    EXPECT_EQ(run(("1" + std::string(320, '0')).c_str()).toStdString(), "inf");
    EXPECT_TRUE(sumwise.succeeded());
    EXPECT_EQ(run(("0." + std::string(400, '0') + "1").c_str()).toStdString(), "0");
}

TEST_F(SumwiseTest, FailedAssignmentKeepsTheOldValue) {
    run("x=7");
    for (const char *formula : {"x=1/0", "x=", "x=LN(0)", "x=2+", "x=(3"}) {
        run(formula);
        EXPECT_FALSE(sumwise.succeeded()) << formula;
        EXPECT_EQ(stored("X"), 7) << formula;
    }
    // An assignment carried out before a later error stays.
    run("y=2;1/0");
    EXPECT_FALSE(sumwise.succeeded());
    EXPECT_EQ(stored("Y"), 2);
}

// A store that cannot be written: the folder where its file should be is a file.
TEST(SumwiseUnsaved, TheRestOfTheFormulaComputesAndTheFormulaFails) {
    QTemporaryDir dir;
    QFile blocker(dir.filePath(QStringLiteral("folder")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    UserDefaults defaults(dir.filePath(QStringLiteral("folder/Sumwise.conf")));
    FormulaEngine sumwise(defaults);
    const struct {
        const char *formula;
        const char *result;
    } cases[] = {
        {"x=1,5;x*3", "4.5"},
        {"(y=2)*3", "6"},
        {"x=y=4", "4"},
        {"y=2;x=y*3;x+y", "8"},
        {"x=2;x=x+1;x*10", "30"},
        // The other failure's value: the message still names the store.
        {"x=2;x/0", "0"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(sumwise.doSumwise(QString::fromUtf8(c.formula)).toStdString(), c.result)
            << c.formula;
        EXPECT_FALSE(sumwise.succeeded()) << c.formula;
        EXPECT_TRUE(sumwise.errorMessage().startsWith(u"The variable cannot be saved in "))
            << c.formula;
    }
    // Nothing was assigned beyond its formula.
    for (const QString &name : {QStringLiteral("X"), QStringLiteral("Y")}) {
        sumwise.doSumwise(name);
        EXPECT_EQ(sumwise.errorMessage(), QString::fromLatin1(SyntaxError));
        EXPECT_FALSE(defaults.objectForKey(name).isValid());
    }
    EXPECT_EQ(sumwise.doSumwise(QStringLiteral("2*3")), QStringLiteral("6"));
    EXPECT_TRUE(sumwise.succeeded());
}

// How often the store's file was replaced since the last call: every write renames a new
// file over it.
class FileWrites {
public:
    explicit FileWrites(const QString &file)
        : m_name(QFileInfo(file).fileName().toStdString())
        , m_fd(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
        inotify_add_watch(m_fd, QFile::encodeName(QFileInfo(file).path()).constData(), IN_MOVED_TO);
    }
    ~FileWrites() { close(m_fd); }

    int count() {
        int writes = 0;
        alignas(inotify_event) char buffer[4096];
        for (ssize_t n; (n = read(m_fd, buffer, sizeof buffer)) > 0;) {
            for (char *p = buffer; p < buffer + n;) {
                const auto *event = reinterpret_cast<const inotify_event *>(p);
                if (event->len > 0 && event->name == m_name)
                    ++writes;
                p += sizeof(inotify_event) + event->len;
            }
        }
        return writes;
    }

private:
    std::string m_name;
    int m_fd;
};

TEST_F(SumwiseTest, OneFormulaWritesTheFileOnceBeforeItAnswers) {
    const struct {
        const char *before; // run first, its writes not counted
        const char *formula;
        int writes;
        std::vector<std::pair<const char *, double>> onDisk;
        bool succeeds = true;
    } cases[] = {
        {"", "a=1;b=2;c=3;a+b+c", 1, {{"A", 1}, {"B", 2}, {"C", 3}}},
        {"", "(p=2)*(q=p+1)", 1, {{"P", 2}, {"Q", 3}}},
        {"", "a=1;a=a+1;a*10", 1, {{"A", 2}}},
        // An assignment before an error is kept, as a user who saw it happen expects.
        {"", "y=2;z=1/0", 1, {{"Y", 2}}, false},
        {"x=7", "x=1/0", 0, {{"X", 7}}, false},
        {"x=7", "x=7;x*2", 0, {{"X", 7}}},
        {"x=7", "x=7;y=8", 1, {{"X", 7}, {"Y", 8}}},
        {"", "2*3", 0, {}},
    };
    for (const auto &c : cases) {
        QTemporaryDir caseDir;
        const QString file = caseDir.filePath(QStringLiteral("Sumwise.conf"));
        UserDefaults store(file);
        FormulaEngine engine(store);
        engine.doSumwise(QString::fromUtf8(c.before));
        FileWrites writes(file);
        engine.doSumwise(QString::fromUtf8(c.formula));
        EXPECT_EQ(engine.succeeded(), c.succeeds) << c.formula;
        EXPECT_EQ(writes.count(), c.writes) << c.formula;
        // Read from a copy: this process would otherwise be served from its cache of the file.
        const QString copy = caseDir.filePath(QStringLiteral("copy.conf"));
        ASSERT_TRUE(QFile::copy(file, copy)) << c.formula;
        UserDefaults disk(copy);
        for (const auto &[key, value] : c.onDisk)
            EXPECT_EQ(platform::doubleValue(disk.objectForKey(QString::fromLatin1(key))), value)
                << c.formula << " " << key;
    }
}

TEST_F(SumwiseTest, NamesOutliveTheObjectAndRedefinedConstantsAreNotReseeded) {
    run("X=2;PI=3");
    FormulaEngine later(defaults);
    EXPECT_EQ(later.doSumwise(QStringLiteral("x*10+pi")), QStringLiteral("23"));
}

TEST_F(SumwiseTest, StoreEntriesOfOtherKinds) {
    struct {
        QVariant object;
        const char *result;
    } const cases[] = {
        {QStringLiteral("2.5"), "5"},
        {QStringLiteral(" 2.5kg"), "5"},
        {QStringLiteral("abc"), "0"},
        {QVariantMap{{QStringLiteral("a"), 1}}, "0"},
        {42, "84"},
        {QStringLiteral("inf"), "inf"},
    };
    for (const auto &c : cases) {
        defaults.setObject(c.object, QStringLiteral("X"));
        EXPECT_EQ(run("x*2").toStdString(), c.result) << c.object.toString().toStdString();
        EXPECT_TRUE(sumwise.succeeded());
    }
    // A stored entry hides the constant of the same name.
    defaults.setObject(QStringLiteral("abc"), QStringLiteral("Q"));
    EXPECT_EQ(run("q").toStdString(), "0");
    // Without a store entry the constant tables answer.
    defaults.removeObjectForKey(QStringLiteral("E0"));
    EXPECT_EQ(run("e0").toStdString(), "1.6021892e-19");
}

TEST_F(SumwiseTest, NullTextChangesNothing) {
    run("1/0");
    EXPECT_TRUE(sumwise.doSumwise(QString()).isNull());
    EXPECT_FALSE(sumwise.succeeded());
    EXPECT_EQ(sumwise.errorMessage().toStdString(), DivisionByZero);
    run("1");
    EXPECT_TRUE(sumwise.doSumwise(QString()).isNull());
    EXPECT_TRUE(sumwise.succeeded());
}

TEST_F(SumwiseTest, DeepNestingFailsWithoutExhaustingTheStack) {
    const auto nested = [](const std::string &open, int depth, const std::string &close) {
        std::string s;
        for (int i = 0; i < depth; ++i)
            s += open;
        s += "1";
        for (int i = 0; i < depth; ++i)
            s += close;
        return s;
    };
    for (const auto &[open, close] : {std::pair{"(", ")"}, {"sin(", ")"}, {"-", ""}, {"x=", ""}}) {
        const std::string shallow = nested(open, 500, close);
        run(shallow.c_str());
        EXPECT_TRUE(sumwise.succeeded()) << open;
        const std::string deep = nested(open, 1000000, close);
        run(deep.c_str());
        EXPECT_FALSE(sumwise.succeeded()) << open;
        EXPECT_EQ(sumwise.errorMessage().toStdString(), SyntaxError) << open;
    }
}

TEST_F(SumwiseTest, LocaleDecimalSeparator) {
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(run("1/3"), QStringLiteral("0,333333333333"));
    EXPECT_EQ(run("0,5+1"), QStringLiteral("1,5"));
    EXPECT_EQ(run("10^11"), QStringLiteral("100000000000"));
    EXPECT_EQ(run("1,5e0"), QStringLiteral("1,5"));
    QLocale::setDefault(QLocale(QLocale::Arabic, QLocale::Egypt));
    EXPECT_EQ(run("1/4"), QStringLiteral("0") + QLocale().decimalPoint() + QStringLiteral("25"));
    QLocale::setDefault(saved);
    EXPECT_EQ(run("1/4"), QStringLiteral("0.25"));
}

} // namespace
