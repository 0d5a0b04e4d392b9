// The real program under load: writers of the user's variables at once, some killed mid-write
// (a store that cannot be written is the evaluator's test, hostile selections the provider's).
#include "tests/support/sessionbus.h"

#include <QSettings>

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

} // namespace
