// The real program under load, faults and hostile input: many writers of the user's variables
// at once, writers killed mid-write, a settings folder that cannot be written, a provider
// flooded with requests, and selections that are huge, binary, invalid UTF-8 or nested without
// end.
#include "tests/support/sessionbus.h"

#include <QDBusPendingCall>
#include <QRandomGenerator>
#include <QSettings>

#include <sys/resource.h>

#include <csignal>

namespace {

class StressTest : public SessionBusTest {};

TEST_F(StressTest, ManyWritersAtOnceLoseNoVariable) {
    constexpr int writers = 8, each = 40;
    std::vector<std::unique_ptr<QProcess>> running;
    for (int w = 0; w < writers; ++w)
        running.push_back(start({"substitute"}));
    for (int w = 0; w < writers; ++w) {
        // Every assignment writes the store on its own, so the writes interleave.
        QByteArray formula;
        for (int i = 0; i < each; ++i)
            formula += QStringLiteral("W%1X%2=%3;").arg(w).arg(i).arg(w * 1000 + i).toLatin1();
        const Outcome r = finish(*running[w], formula + "1", 60000);
        ASSERT_EQ(r.status, 0) << r.err.toStdString();
    }
    QSettings stored(storeFile(), QSettings::IniFormat);
    ASSERT_EQ(stored.status(), QSettings::NoError);
    for (int w = 0; w < writers; ++w) {
        for (int i = 0; i < each; ++i)
            EXPECT_EQ(stored.value(QStringLiteral("W%1X%2").arg(w).arg(i)).toDouble(),
                      w * 1000 + i);
    }
    EXPECT_FALSE(QFile::exists(storeFile() + ".lock"));
}

TEST_F(StressTest, WritersKilledAtAnyMomentLeaveAReadableStore) {
    ASSERT_EQ(run({"substitute"}, "base=42").status, 0);
    QRandomGenerator random(20261206);
    for (int round = 0; round < 25; ++round) {
        SCOPED_TRACE(round);
        auto p = start({"substitute"});
        QByteArray formula;
        for (int i = 0; i < 300; ++i)
            formula += QStringLiteral("K%1X%2=%3;").arg(round).arg(i).arg(i).toLatin1();
        p->write(formula + "1");
        p->closeWriteChannel();
        QThread::msleep(random.bounded(20, 200));
        ::kill(pid_t(p->processId()), SIGKILL);
        p->waitForFinished(10000);

        QSettings stored(storeFile(), QSettings::IniFormat);
        ASSERT_EQ(stored.status(), QSettings::NoError);
        ASSERT_EQ(stored.value("BASE").toDouble(), 42);
        // Whatever reached the store is whole.
        for (const QString &key : stored.allKeys()) {
            bool ok = false;
            if (key.startsWith(QStringLiteral("K%1X").arg(round))) {
                EXPECT_EQ(stored.value(key).toString().toDouble(&ok),
                          key.section(u'X', 1).toDouble())
                    << key.toStdString();
                EXPECT_TRUE(ok) << key.toStdString();
            }
        }
    }
    // A lock left by a killed writer does not stop the next one.
    const Outcome after = run({"substitute"}, "after=7;base+after");
    EXPECT_EQ(after.out, "49") << after.err.toStdString();
    EXPECT_EQ(QSettings(storeFile(), QSettings::IniFormat).value("AFTER").toDouble(), 7);
}

// The folder's place taken by a file: unwritable even for root, as a read-only folder is not.
TEST_F(StressTest, UnwritableStoreIsAClearErrorAndKeepsTheSelection) {
    const QString folder = home.filePath("config/Sumwise");
    ASSERT_TRUE(QDir().mkpath(QFileInfo(folder).path()));
    QFile file(folder);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    const QByteArray message =
        "Error: The variable cannot be saved in " + (folder + "/Sumwise.conf").toUtf8() + "\n";
    for (const QByteArray formula : {"x=5", "x=5;x*2", "(y=2)*3"}) {
        const Outcome r = run({"substitute"}, formula + "\n");
        EXPECT_EQ(r.status, 1) << formula.data();
        EXPECT_EQ(r.out, formula + "\n");
        EXPECT_EQ(r.err, message);
    }
    // Formulas that store nothing still work.
    EXPECT_EQ(run({"substitute"}, "2*(3+4)^2").out, "98");
}

TEST_F(StressTest, ProviderAnswersRequestsInARowAndAtOnce) {
    if (!startBus(environment()))
        GTEST_SKIP() << "no dbus-daemon";
    QDBusConnection c = connection("load");
    ASSERT_TRUE(c.isConnected());

    // A stream for longer than one provider lives, then a burst: every call is answered, the
    // ones in flight while a provider ends included, and every reply matches its request.
    std::vector<std::pair<QDBusPendingCall, QByteArray>> calls;
    for (const QDeadlineTimer stream(7000); !stream.hasExpired(); QThread::msleep(3))
        calls.emplace_back(
            c.asyncCall(substituteCall(QByteArray::number(calls.size()) + "*3"), 30000),
            QByteArray::number(calls.size() * 3));
    for (int i = 0; i < 300; ++i)
        calls.emplace_back(c.asyncCall(substituteCall(QByteArray::number(i) + "+0,5"), 30000),
                           QByteArray::number(i + 0.5));
    for (auto &[call, expected] : calls) {
        call.waitForFinished();
        const Outcome r = substituteReply(call.reply(), {});
        EXPECT_EQ(r.out, expected) << r.err.toStdString();
    }
    QDBusConnection::disconnectFromBus("load");
}

// Selections no formula comes from, or huge ones: a result or a clear error, the selection
// given back byte for byte, through the provider and without it.
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
        {"10 MB nesting", "substitute",
         QByteArray(5'000'000, '(') + "1" + QByteArray(5'000'000, ')'), "", syntax},
        {"10 MB binary", "add", random, "", syntax},
        {"invalid UTF-8", "substitute",
         "\xff\xfe"
         "1+1\xc0\n",
         "", syntax},
        {"RTF nested 5M deep", "substitute",
         "{\\rtf1 " + QByteArray(5'000'000, '{') + "1+1" + QByteArray(5'000'000, '}') + "}", "",
         syntax},
        {"RTF of 280,000 runs", "add", runs, "1{ = 140001}}", ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.name) + " " + c.service);
        const Outcome r = run({c.service}, c.in);
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
