// The real program under load, faults and hostile input: writers of the user's variables at
// once or killed mid-write, a settings folder that cannot be written, and selections that are
// huge or binary.
#include "tests/support/sessionbus.h"

#include <QRandomGenerator>
#include <QSettings>

#include <sys/resource.h>

#include <csignal>

namespace {

class StressTest : public SessionBusTest {};

// Every assignment writes the store on its own, so the writers interleave; the odd ones are
// killed amid their writes. The store stays whole, the others lose nothing, and a lock left by
// a killed writer stops no later one.
TEST_F(StressTest, WritersAtOnceOrKilledLoseNoVariable) {
    ASSERT_EQ(run({"substitute"}, "base=42").status, 0);
    constexpr int writers = 8, each = 100;
    std::vector<std::unique_ptr<QProcess>> running;
    for (int w = 0; w < writers; ++w) {
        QByteArray formula;
        for (int i = 0; i < each; ++i)
            formula += QStringLiteral("W%1X%2=%3;").arg(w).arg(i).arg(w * 1000 + i).toLatin1();
        running.push_back(start({"substitute"}));
        running.back()->write(formula + "1");
        running.back()->closeWriteChannel();
    }
    waitUntil([&] { return QSettings(storeFile(), QSettings::IniFormat).contains("W1X0"); });
    for (int w = 1; w < writers; w += 2) {
        if (const qint64 pid = running[w]->processId(); pid > 0) // 0 once it ended
            ::kill(pid_t(pid), SIGKILL);
    }
    for (int w = 0; w < writers; ++w) {
        running[w]->waitForFinished(60000);
        EXPECT_TRUE(w % 2 || running[w]->exitCode() == 0) << w;
    }
    const Ran after = run({"substitute"}, "after=7;base+after");
    EXPECT_EQ(after.out, "49") << after.err.toStdString();
    QSettings stored(storeFile(), QSettings::IniFormat);
    ASSERT_EQ(stored.status(), QSettings::NoError);
    for (int w = 0; w < writers; ++w) {
        for (int i = 0; i < each; ++i) {
            const QVariant v = stored.value(QStringLiteral("W%1X%2").arg(w).arg(i));
            EXPECT_TRUE(w % 2 ? !v.isValid() || v.toDouble() == w * 1000 + i
                              : v.toDouble() == w * 1000 + i)
                << w << " " << i;
        }
    }
}

// The folder's place taken by a file: unwritable even for root, as a read-only folder is not.
TEST_F(StressTest, UnwritableStoreIsAClearErrorAndKeepsTheSelection) {
    const QString folder = home.filePath("config/Sumwise");
    ASSERT_TRUE(QDir().mkpath(QFileInfo(folder).path()));
    QFile file(folder);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    const Ran r = run({"substitute"}, "x=5;x*2\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "x=5;x*2\n");
    EXPECT_EQ(r.err, "Error: The variable cannot be saved in " + (folder + "/Sumwise.conf").toUtf8()
                         + "\n");
    // Formulas that store nothing still work.
    EXPECT_EQ(run({"substitute"}, "2*(3+4)^2").out, "98");
}

// Selections no formula comes from, or huge ones: a result or a clear error, the selection
// given back byte for byte, through the provider and without it (deep nesting is the
// evaluator's and the RTF reader's tests).
class HostileInputTest : public StressTest, public testing::WithParamInterface<bool> {};

TEST_P(HostileInputTest, ResultOrClearErrorAndTheSelectionKept) {
    const bool throughBus = GetParam();
    if (throughBus && !startBus(environment()))
        GTEST_SKIP() << "no dbus-daemon";
    QByteArray random(10'000'000, '\0');
    QRandomGenerator(7).fillRange(reinterpret_cast<quint32 *>(random.data()), random.size() / 4);
    const QByteArray sum = "1" + QByteArray("+1").repeated(5'000'000);
    const QByteArray runs = "{\\rtf1\\ansi " + QByteArray("{\\b 1}+").repeated(140'000) + "1}";
    const QByteArray syntax = "Error: Syntax error\n";
    const struct {
        const char *name, *service;
        QByteArray in, outEnd, err; // outEnd empty: the selection comes back unchanged
    } cases[] = {
        {"10 MB sum", "substitute", sum + "\n", "5000001\n", ""},
        {"10 MB binary", "add", random, "", syntax},
        {"RTF of 280,000 runs", "add", runs, "1{ = 140001}}", ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.name) + " " + c.service);
        const Ran r = run({c.service}, c.in);
        EXPECT_EQ(r.err, c.err);
        EXPECT_EQ(r.status, c.err.isEmpty() ? 0 : 1);
        EXPECT_TRUE(c.outEnd.isEmpty() ? r.out == c.in : r.out.endsWith(c.outEnd))
            << r.out.right(40).toStdString();
    }
#if !defined(__SANITIZE_ADDRESS__)
    if (!throughBus) {
        // About 80 MB serve 10 MB of text; a copy too many per character would show here.
        rusage usage{};
        getrusage(RUSAGE_CHILDREN, &usage);
        EXPECT_LT(usage.ru_maxrss, 400 * 1024) << "KB at most in one run";
    }
#endif
}

INSTANTIATE_TEST_SUITE_P(Routes, HostileInputTest, testing::Bool(),
                         [](const auto &info) { return info.param ? "Bus" : "InProcess"; });

} // namespace
