// The provider on a private session bus, driven the way the desktop drives it: requests by
// D-Bus activation, panels answered through SUMWISE_ALERT_ANSWER, shown texts read back from
// SUMWISE_ALERT_LOG.
#include "styledtext/attributedstring.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

namespace {

struct Outcome {
    QByteArray out;
    QByteArray err;
    int status = -1;
};

class ProviderTest : public testing::Test {
protected:
    QTemporaryDir home;
    QProcess bus;
    QString address;
    QString bin = QCoreApplication::applicationDirPath();

    void SetUp() override {
        const QString config =
            QDir(bin).filePath(QStringLiteral("../share/sumwise/test-session-bus.conf"));
        if (!QFile::exists(config) || QStandardPaths_findDbusDaemon().isEmpty())
            GTEST_SKIP() << "no dbus-daemon or test bus configuration";
        // Activated providers inherit the daemon's environment.
        QProcessEnvironment env = baseEnvironment();
        env.insert(QStringLiteral("SUMWISE_ALERT_ANSWER"), QStringLiteral("default"));
        env.insert(QStringLiteral("SUMWISE_ALERT_LOG"), alertLog());
        bus.setProcessEnvironment(env);
        bus.start(QStandardPaths_findDbusDaemon(),
                  {QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"),
                   QStringLiteral("--print-address=1")});
        ASSERT_TRUE(bus.waitForReadyRead(10000));
        address = QString::fromUtf8(bus.readLine()).trimmed();
        ASSERT_FALSE(address.isEmpty());
    }

    void TearDown() override {
        if (bus.state() != QProcess::NotRunning) {
            bus.terminate();
            bus.waitForFinished(5000);
        }
    }

    static QString QStandardPaths_findDbusDaemon() {
        for (const char *path : {"/usr/bin/dbus-daemon", "/bin/dbus-daemon"}) {
            if (QFile::exists(QString::fromLatin1(path)))
                return QString::fromLatin1(path);
        }
        return {};
    }

    QString alertLog() const { return home.filePath(QStringLiteral("alerts.jsonl")); }

    QProcessEnvironment baseEnvironment() const {
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
        e.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.path());
        e.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
        e.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        e.remove(QStringLiteral("DISPLAY"));
        e.remove(QStringLiteral("WAYLAND_DISPLAY"));
        e.remove(QStringLiteral("LANGUAGE"));
        return e;
    }

    Outcome run(const QStringList &args, const QByteArray &input = {}) {
        QProcess p;
        QProcessEnvironment e = baseEnvironment();
        e.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address);
        p.setProcessEnvironment(e);
        p.start(bin + QStringLiteral("/sumwise"), args);
        p.write(input);
        p.closeWriteChannel();
        EXPECT_TRUE(p.waitForFinished(30000));
        return {p.readAllStandardOutput(), p.readAllStandardError(), p.exitCode()};
    }

    // The provider's process id on the bus, or 0 while nobody owns the name.
    uint providerPid() {
        QDBusConnection c = QDBusConnection::connectToBus(address, QStringLiteral("probe"));
        const auto reply = c.interface()->servicePid(QStringLiteral("org.sumwise.Sumwise"));
        const uint pid = reply.isValid() ? reply.value() : 0;
        QDBusConnection::disconnectFromBus(QStringLiteral("probe"));
        return pid;
    }

    QList<QJsonObject> alerts() const {
        QList<QJsonObject> shown;
        QFile f(alertLog());
        if (f.open(QIODevice::ReadOnly)) {
            while (!f.atEnd())
                shown.append(QJsonDocument::fromJson(f.readLine()).object());
        }
        return shown;
    }
};

TEST_F(ProviderTest, ServicesThroughActivation) {
    struct {
        QStringList args;
        QByteArray in, out, err;
        int status;
    } const cases[] = {
        {{"substitute"}, "2*(3+4)^2\n", "98\n", "", 0},
        {{"substitute"}, "1/0", "1/0", "Error: Division by zero\n", 1},
        {{"add"}, "2+3", "2+3 = 5", "", 0},
        {{"add"}, "1,5 * 2\n", "1,5 * 2 = 3\n", "", 0},
        {{"add"}, "2+", "2+", "Error: Syntax error\n", 1},
        {{"copy"}, "x", "x", "Error: Syntax error\n", 1},
    };
    for (const auto &c : cases) {
        const Outcome r = run(c.args, c.in);
        EXPECT_EQ(r.out, c.out) << c.in.toStdString();
        // Qt may add warnings of its own on standard error; the message must be there whole.
        EXPECT_EQ(r.err.count("Error:"), c.err.isEmpty() ? 0 : 1) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(c.err)) << r.err.toStdString();
        EXPECT_EQ(r.status, c.status) << c.in.toStdString();
    }
    EXPECT_NE(providerPid(), 0u);
    EXPECT_TRUE(alerts().isEmpty()) << "a served provider shows no launch panel";
}

TEST_F(ProviderTest, OneProcessServesForFiveSecondsThenEnds) {
    QElapsedTimer clock;
    clock.start();
    ASSERT_EQ(run({QStringLiteral("substitute")}, "1+1").out, "2");
    const uint first = providerPid();
    ASSERT_NE(first, 0u);
    QThread::msleep(3000);
    ASSERT_EQ(run({QStringLiteral("substitute")}, "2+2").out, "4");
    EXPECT_EQ(providerPid(), first);
    while (providerPid() != 0 && clock.elapsed() < 15000)
        QThread::msleep(200);
    EXPECT_EQ(providerPid(), 0u);
    EXPECT_GE(clock.elapsed(), 4500);
    EXPECT_LE(clock.elapsed(), 8000);
}

TEST_F(ProviderTest, StartedByHandShowsTheLaunchPanel) {
    QProcess p;
    QProcessEnvironment e = baseEnvironment();
    e.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address);
    e.insert(QStringLiteral("SUMWISE_ALERT_ANSWER"), QStringLiteral("default"));
    e.insert(QStringLiteral("SUMWISE_ALERT_LOG"), alertLog());
    p.setProcessEnvironment(e);
    QElapsedTimer clock;
    clock.start();
    p.start(bin + QStringLiteral("/sumwise"), {});
    ASSERT_TRUE(p.waitForFinished(15000));
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_LT(clock.elapsed(), 4000);
    const QList<QJsonObject> shown = alerts();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(shown[0].value(QStringLiteral("title")).toString(), QStringLiteral("Sumwise"));
    EXPECT_NE(shown[0].value(QStringLiteral("informativeText")).toString(),
              QStringLiteral("SERVICE_LAUNCH"));
}

TEST_F(ProviderTest, ShowDisplaysFormulaAndResultThenEnds) {
    const Outcome r = run({QStringLiteral("show")}, "x=3");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "x=3");
    const Outcome failed = run({QStringLiteral("show")}, "1/0");
    EXPECT_EQ(failed.status, 0);
    const QList<QJsonObject> shown = alerts();
    ASSERT_EQ(shown.size(), 2);
    EXPECT_EQ(shown[0].value(QStringLiteral("title")).toString(), QStringLiteral("Sumwise"));
    EXPECT_EQ(shown[0].value(QStringLiteral("informativeText")).toString(),
              QStringLiteral("Formula:\n\tx=3\n\nResult:\n\t3"));
    EXPECT_EQ(shown[1].value(QStringLiteral("informativeText")).toString(),
              QStringLiteral("Formula:\n\t1/0\n\nResult:\n\tDivision by zero"));
}

TEST_F(ProviderTest, AddKeepsRichTextFormatting) {
    const QByteArray rtf = "{\\rtf1\\ansi{\\fonttbl\\f0 Arial;}\\f0\\b 2+3}";
    const Outcome r = run({QStringLiteral("add")}, rtf);
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const auto styled = AttributedString::fromRTF(r.out);
    ASSERT_TRUE(styled.has_value()) << r.out.toStdString();
    EXPECT_EQ(styled->string(), QStringLiteral("2+3 = 5"));
    EXPECT_TRUE(styled->attributesAtIndex(styled->length() - 1).bold);

    // A picture in the selection survives: the answer is RTF that still embeds it.
    const QByteArray picture =
        "{\\rtf1\\ansi 1+1 {\\pict\\pngblip\\picw1\\pich1 "
        "89504e470d0a1a0a0000000d4948445200000001000000010806000000"
        "1f15c4890000000d49444154789c6360000002000154a24f5d0000000049454e44ae426082}}";
    const Outcome withPicture = run({QStringLiteral("add")}, picture);
    ASSERT_EQ(withPicture.status, 0) << withPicture.err.toStdString();
    const auto back = AttributedString::fromRTFD(withPicture.out);
    ASSERT_TRUE(back.has_value());
    EXPECT_TRUE(back->containsAttachments());
    EXPECT_TRUE(back->string().endsWith(QStringLiteral(" = 2")));
}

} // namespace
