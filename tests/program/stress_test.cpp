// The real program under load, faults and hostile input: many writers of the user's variables
// at once, writers killed mid-write, a settings folder that cannot be written, a provider
// flooded with requests or never answering, and selections that are huge, binary, invalid
// UTF-8 or nested without end.
#include "tests/support/sessionbus.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusVirtualObject>
#include <QRandomGenerator>
#include <QSettings>

#include <sys/resource.h>

#include <csignal>
#include <memory>
#include <unistd.h>

namespace {

class StressTest : public SessionBusTest {
protected:
    Outcome substitute(const QByteArray &input, const QProcessEnvironment &env = {}) {
        return run({QStringLiteral("substitute")}, input, env);
    }
};

TEST_F(StressTest, ManyWritersAtOnceLoseNoVariable) {
    constexpr int writers = 8, each = 40;
    std::vector<std::unique_ptr<QProcess>> running;
    for (int w = 0; w < writers; ++w)
        running.push_back(start({QStringLiteral("substitute")}));
    for (int w = 0; w < writers; ++w) {
        // Every assignment writes the store on its own, so the writes interleave.
        QByteArray formula;
        for (int i = 0; i < each; ++i)
            formula += QStringLiteral("W%1X%2=%3;").arg(w).arg(i).arg(w * 1000 + i).toLatin1();
        const Outcome r = finish(*running[w], formula + "1");
        ASSERT_EQ(r.status, 0) << r.err.toStdString();
    }
    QSettings stored(storeFile(), QSettings::IniFormat);
    ASSERT_EQ(stored.status(), QSettings::NoError);
    for (int w = 0; w < writers; ++w) {
        for (int i = 0; i < each; ++i)
            EXPECT_EQ(stored.value(QStringLiteral("W%1X%2").arg(w).arg(i)).toDouble(),
                      w * 1000 + i);
    }
    EXPECT_FALSE(QFile::exists(storeFile() + QStringLiteral(".lock")));
}

TEST_F(StressTest, WritersKilledAtAnyMomentLeaveAReadableStore) {
    ASSERT_EQ(substitute("base=42").status, 0);
    QRandomGenerator random(20261206);
    for (int round = 0; round < 25; ++round) {
        auto p = start({QStringLiteral("substitute")});
        QByteArray formula;
        for (int i = 0; i < 300; ++i)
            formula += QStringLiteral("K%1X%2=%3;").arg(round).arg(i).arg(i).toLatin1();
        p->write(formula + "1");
        p->closeWriteChannel();
        QThread::msleep(random.bounded(20, 200));
        ::kill(pid_t(p->processId()), SIGKILL);
        p->waitForFinished(10000);

        QSettings stored(storeFile(), QSettings::IniFormat);
        ASSERT_EQ(stored.status(), QSettings::NoError) << "round " << round;
        ASSERT_EQ(stored.value(QStringLiteral("BASE")).toDouble(), 42) << "round " << round;
        // Whatever reached the store is whole.
        for (const QString &key : stored.allKeys()) {
            if (key.startsWith(QStringLiteral("K%1X").arg(round))) {
                bool ok = false;
                EXPECT_EQ(stored.value(key).toString().toDouble(&ok),
                          key.mid(key.indexOf(u'X') + 1).toDouble())
                    << key.toStdString();
                EXPECT_TRUE(ok) << key.toStdString();
            }
        }
    }
    // A lock left by a killed writer does not stop the next one.
    const Outcome after = substitute("after=7;base+after");
    EXPECT_EQ(after.out, "49") << after.err.toStdString();
    EXPECT_EQ(
        QSettings(storeFile(), QSettings::IniFormat).value(QStringLiteral("AFTER")).toDouble(), 7);
}

TEST_F(StressTest, UnwritableStoreIsAClearErrorAndKeepsTheSelection) {
    const QString folder = home.filePath(QStringLiteral("config/Sumwise"));
    ASSERT_TRUE(QDir().mkpath(QFileInfo(folder).path()));
    struct {
        const char *name;
        bool asFile; // the folder's place taken by a file: unwritable even for root
    } const cases[] = {{"folder is a file", true}, {"read-only folder", false}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QProcessEnvironment env = environment();
        QStringList prefix;
        if (c.asFile) {
            QFile file(folder);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        } else {
            ASSERT_TRUE(QDir().mkpath(folder));
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther
                                              | QFile::ExeOther);
            if (geteuid() == 0) {
                // Root writes anywhere: run as nobody, who can reach the folder but not write it.
                if (!QFile::exists(QStringLiteral("/usr/bin/setpriv")))
                    continue;
                QFile::setPermissions(home.path(), QFile::ReadOwner | QFile::WriteOwner
                                                       | QFile::ExeOwner | QFile::ReadOther
                                                       | QFile::ExeOther);
                QFile::setPermissions(QFileInfo(folder).path(),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                          | QFile::ReadOther | QFile::ExeOther);
                prefix = {QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                          QStringLiteral("--clear-groups"), bin + QStringLiteral("/sumwise")};
            }
        }
        const auto runAs = [&](const QByteArray &input) {
            if (prefix.isEmpty())
                return finish(*start({QStringLiteral("substitute")}, env), input);
            QProcess p;
            env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
                       QStringLiteral("unix:path=/nonexistent"));
            p.setProcessEnvironment(env);
            p.start(QStringLiteral("/usr/bin/setpriv"),
                    prefix + QStringList{QStringLiteral("substitute")});
            return finish(p, input);
        };
        const QByteArray message =
            "Error: The variable cannot be saved in " + (folder + "/Sumwise.conf").toUtf8() + "\n";
        for (const QByteArray formula : {"x=5", "x=5;x*2", "(y=2)*3"}) {
            const Outcome r = runAs(formula + "\n");
            EXPECT_EQ(r.status, 1) << formula.data();
            EXPECT_EQ(r.out, formula + "\n");
            EXPECT_EQ(r.err, message);
        }
        // Formulas that store nothing still work.
        EXPECT_EQ(runAs("2*(3+4)^2").out, "98");
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QFile::remove(folder);
        QDir(folder).removeRecursively();
    }
}

// The provider's answer to one substitute request made straight on the bus.
QByteArray answer(const QDBusMessage &reply) {
    if (reply.type() != QDBusMessage::ReplyMessage)
        return "bus error: " + reply.errorMessage().toUtf8();
    const QVariantMap map = qdbus_cast<QVariantMap>(reply.arguments().value(0));
    return map.value(QStringLiteral("text/plain;charset=utf-8")).toByteArray();
}

QDBusMessage request(const QByteArray &formula) {
    QDBusMessage m = QDBusMessage::createMethodCall(
        QStringLiteral("org.sumwise.Sumwise"), QStringLiteral("/org/sumwise/Sumwise"),
        QStringLiteral("org.sumwise.Sumwise"), QStringLiteral("doCalcSubstituteService"));
    m << QVariantMap{{QStringLiteral("text/plain;charset=utf-8"), formula}} << QString();
    return m;
}

TEST_F(StressTest, ProviderAnswersRequestsInARowAndAtOnce) {
    if (!startBus(environment()))
        GTEST_SKIP() << "no dbus-daemon";
    QDBusConnection c = QDBusConnection::connectToBus(address, QStringLiteral("load"));
    ASSERT_TRUE(c.isConnected());

    // A stream for longer than one provider lives, then a burst: every call is answered, the
    // ones in flight while a provider ends included, and every reply matches its request.
    std::vector<QDBusPendingCall> calls;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 7000) {
        calls.push_back(c.asyncCall(request(QByteArray::number(calls.size()) + "*3"), 30000));
        QThread::msleep(3);
    }
    const qsizetype stream = calls.size();
    for (int i = 0; i < 300; ++i)
        calls.push_back(c.asyncCall(request(QByteArray::number(i) + "+0,5"), 30000));
    for (qsizetype i = 0; i < qsizetype(calls.size()); ++i) {
        calls[i].waitForFinished();
        EXPECT_EQ(answer(calls[i].reply()),
                  i < stream ? QByteArray::number(i * 3) : QByteArray::number(i - stream + 0.5))
            << i;
    }

    // Clients at once, each through the bus.
    std::vector<std::unique_ptr<QProcess>> clients;
    for (int i = 0; i < 16; ++i)
        clients.push_back(start({QStringLiteral("substitute")}));
    for (int i = 0; i < 16; ++i) {
        const Outcome r = finish(*clients[i], "2^" + QByteArray::number(i) + "\n");
        EXPECT_EQ(r.out, QByteArray::number(1 << i) + "\n");
        EXPECT_EQ(r.err, "");
    }
    QDBusConnection::disconnectFromBus(QStringLiteral("load"));
}

// Owns the provider's name and path but never answers.
class SilentProvider : public QDBusVirtualObject {
public:
    QString introspect(const QString &) const override { return {}; }
    bool handleMessage(const QDBusMessage &, const QDBusConnection &) override { return true; }
};

TEST_F(StressTest, ClientFallsBackWhenTheProviderDoesNotAnswer) {
    if (!startBus(environment()))
        GTEST_SKIP() << "no dbus-daemon";
    QDBusConnection fake = QDBusConnection::connectToBus(address, QStringLiteral("fake"));
    SilentProvider silent;
    ASSERT_TRUE(fake.registerVirtualObject(QStringLiteral("/org/sumwise/Sumwise"), &silent));
    ASSERT_TRUE(fake.registerService(QStringLiteral("org.sumwise.Sumwise")));

    QProcessEnvironment env = environment();
    env.insert(QStringLiteral("SUMWISE_BUS_TIMEOUT"), QStringLiteral("1000"));
    const struct {
        QByteArray in, out, err;
        int status;
    } cases[] = {
        {"2*(3+4)^2\n", "98\n", "", 0},
        {"1/0", "1/0", "Error: Division by zero\n", 1},
        {"{\\rtf1\\ansi\\b 1+1}", "2", "", 0},
    };
    for (const auto &c : cases) {
        const Outcome r = substitute(c.in, env);
        EXPECT_EQ(r.status, c.status) << c.in.data();
        EXPECT_EQ(r.err, c.err);
        EXPECT_EQ(r.out, c.out);
    }
    fake.unregisterService(QStringLiteral("org.sumwise.Sumwise"));
    QDBusConnection::disconnectFromBus(QStringLiteral("fake"));
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
        {"10 MB sum", "add", sum, " = 5000001", ""},
        {"10 MB nesting", "substitute",
         QByteArray(5'000'000, '(') + "1" + QByteArray(5'000'000, ')'), "", syntax},
        {"10 MB binary", "add", random, "", syntax},
        {"invalid UTF-8", "substitute",
         "\xff\xfe"
         "1+1\xc0\n",
         "", syntax},
        {"NUL units", "add", QByteArray("1+1\0\0", 5), QByteArray("1+1\0\0 = 2", 9), ""},
        {"10 MB RTF", "add", "{\\rtf1\\ansi\\b " + sum + "}", "1{ = 5000001}}", ""},
        {"RTF nested 5M deep", "substitute",
         "{\\rtf1 " + QByteArray(5'000'000, '{') + "1+1" + QByteArray(5'000'000, '}') + "}", "",
         syntax},
        {"RTF of 280,000 runs", "add", runs, "1{ = 140001}}", ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.name) + " " + c.service);
        const Outcome r = run({QString::fromLatin1(c.service)}, c.in);
        EXPECT_EQ(r.err, c.err);
        EXPECT_EQ(r.status, c.err.isEmpty() ? 0 : 1);
        if (c.outEnd.isEmpty())
            EXPECT_TRUE(r.out == c.in) << "selection changed";
        else
            EXPECT_TRUE(r.out.endsWith(c.outEnd)) << r.out.right(40).toStdString();
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
