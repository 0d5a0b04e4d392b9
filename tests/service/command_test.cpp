#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct Outcome {
    QByteArray out;
    QByteArray err;
    int status = -1;
};

// Runs the real sumwise binary with a settings folder of the test's own.
class CommandTest : public testing::Test {
protected:
    QTemporaryDir config;

    QProcess *start(const QStringList &args, const QStringList &env = {}) {
        auto *p = new QProcess;
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
        e.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
        e.remove(QStringLiteral("LANGUAGE"));
        // No provider on a bus: the command serves the request itself.
        e.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("unix:path=/nonexistent"));
        e.remove(QStringLiteral("DISPLAY"));
        for (const QString &kv : env)
            e.insert(kv.section(u'=', 0, 0), kv.section(u'=', 1));
        p->setProcessEnvironment(e);
        // Test binaries and the program share the build's bin folder.
        p->start(QCoreApplication::applicationDirPath() + QStringLiteral("/sumwise"), args);
        return p;
    }

    static Outcome finish(QProcess *p, const QByteArray &input) {
        p->write(input);
        p->closeWriteChannel();
        EXPECT_TRUE(p->waitForFinished(30000));
        Outcome r{p->readAllStandardOutput(), p->readAllStandardError(), p->exitCode()};
        delete p;
        return r;
    }

    Outcome run(const QStringList &args, const QByteArray &input = {},
                const QStringList &env = {}) {
        return finish(start(args, env), input);
    }

    Outcome substitute(const QByteArray &input, const QStringList &env = {}) {
        return run({QStringLiteral("substitute")}, input, env);
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
        {"2*(3+4)^2\n", "98\n", "", 0},
        {"sqrt(2)/2\r\n", "0.707106781187\r\n", "", 0},
        {"1+1\r", "2\r", "", 0},
        {"  1 000 000 \n\n", "1000000\n", "", 0},
        {"x=1,5;x*3", "4.5", "", 0},
        // A failure gives the selection back untouched.
        {"1/0\n", "1/0\n", "Error: Division by zero\n", 1},
        {"", "", "Error: Syntax error\n", 1},
        {"hello world", "hello world", "Error: Syntax error\n", 1},
        {"\xff\xfe"
         "2+\x80",
         "\xff\xfe"
         "2+\x80",
         "Error: Syntax error\n", 1},
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
}

TEST_F(CommandTest, VariablesPersistAcrossProcesses) {
    EXPECT_EQ(substitute("Rate=1,25").out, "1.25");
    EXPECT_EQ(substitute("rate*4").out, "5");
    EXPECT_EQ(substitute("pi=3").out, "3");
    EXPECT_EQ(substitute("PI").out, "3");
}

TEST_F(CommandTest, ConcurrentWritersLoseNoVariable) {
    // Two processes assign disjoint variables, each followed by its own write to the store.
    const int n = 150;
    QByteArray a, b;
    for (int i = 0; i < n; ++i) {
        a += "A" + QByteArray::number(i) + "=" + QByteArray::number(i) + ";";
        b += "B" + QByteArray::number(i) + "=" + QByteArray::number(-i) + ";";
    }
    QProcess *pa = start({QStringLiteral("substitute")});
    QProcess *pb = start({QStringLiteral("substitute")});
    const Outcome ra = finish(pa, a + "1");
    const Outcome rb = finish(pb, b + "1");
    ASSERT_EQ(ra.status, 0) << ra.err.toStdString();
    ASSERT_EQ(rb.status, 0) << rb.err.toStdString();

    QSettings stored(config.filePath(QStringLiteral("Sumwise/Sumwise.conf")), QSettings::IniFormat);
    ASSERT_EQ(stored.status(), QSettings::NoError);
    for (int i = 0; i < n; ++i) {
        EXPECT_EQ(stored.value(QStringLiteral("A%1").arg(i)).toDouble(), i) << i;
        EXPECT_EQ(stored.value(QStringLiteral("B%1").arg(i)).toDouble(), -i) << i;
    }
    EXPECT_FALSE(QFile::exists(config.filePath(QStringLiteral("Sumwise/Sumwise.conf.lock"))));
}

TEST_F(CommandTest, FollowsTheLocale) {
    const QStringList german{QStringLiteral("LC_ALL=de_DE.UTF-8")};
    EXPECT_EQ(substitute("1/3", german).out, "0,333333333333");
    EXPECT_EQ(substitute("1,5+1.5", german).out, "3");
    const Outcome r = substitute("1/0", german);
    EXPECT_EQ(r.err, "Error: Division durch null\n");
    EXPECT_EQ(r.status, 1);
    // The number separator comes from LC_NUMERIC when LC_ALL is unset.
    const QStringList numeric{QStringLiteral("LC_ALL="), QStringLiteral("LANG=en_US.UTF-8"),
                              QStringLiteral("LC_NUMERIC=fr_FR.UTF-8")};
    EXPECT_EQ(substitute("0.5", numeric).out, "0,5");
    EXPECT_EQ(substitute("2$", numeric).err, "Error: Syntax error\n");
}

TEST_F(CommandTest, FormulaFromArguments) {
    Outcome r = run({QStringLiteral("substitute"), QStringLiteral("2*(3+4)^2")});
    EXPECT_EQ(r.out, "98\n");
    EXPECT_EQ(r.status, 0);
    r = run({QStringLiteral("substitute"), QStringLiteral("1"), QStringLiteral("000")});
    EXPECT_EQ(r.out, "1000\n");
    r = run({QStringLiteral("substitute"), QStringLiteral("1/0")});
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "Error: Division by zero\n");
    EXPECT_EQ(r.status, 1);
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
    for (const QStringList &args :
         {QStringList{QStringLiteral("frobnicate")},
          QStringList{QStringLiteral("substitute"), QStringLiteral("--bogus")},
          QStringList{QStringLiteral("substitute"), QStringLiteral("--type")}}) {
        r = run(args);
        EXPECT_EQ(r.status, 2);
        EXPECT_TRUE(r.out.isEmpty());
        EXPECT_TRUE(r.err.contains("sumwise --help"));
    }
}

TEST_F(CommandTest, LargeSelectionIsHandledWhole) {
    QByteArray big = "1";
    for (int i = 0; i < 200000; ++i)
        big += "+1";
    const Outcome r = substitute(big + "\n");
    EXPECT_EQ(r.out, "200001\n");
    EXPECT_EQ(r.status, 0);
}

} // namespace
