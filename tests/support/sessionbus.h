// A private session bus whose activated providers inherit a test environment: settings in a
// temporary home, panels answered "default" and logged as JSON lines.
#pragma once

#include "tests/support/guitest.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <memory>

inline const QString BusName = QStringLiteral("org.sumwise.Sumwise");

class SessionBusTest : public testing::Test {
protected:
    QTemporaryDir home;
    QProcess bus;
    QString address;
    QString bin = QCoreApplication::applicationDirPath();

    void TearDown() override {
        bus.terminate();
        bus.waitForFinished(5000);
    }

    QProcessEnvironment environment() const {
        return with(QProcessEnvironment::systemEnvironment(),
                    {"XDG_CONFIG_HOME=" + home.filePath("config"), "XDG_RUNTIME_DIR=" + home.path(),
                     "LC_ALL=C.UTF-8", "QT_QPA_PLATFORM=offscreen", "SUMWISE_ALERT_ANSWER=default",
                     "SUMWISE_ALERT_LOG=" + alertLog(), "DISPLAY", "WAYLAND_DISPLAY", "LANGUAGE"});
    }

    // False (the test skipped) when there is no dbus-daemon.
    bool startBus(const QProcessEnvironment &env) {
        const QString config = QDir(bin).filePath("../share/sumwise/test-session-bus.conf");
        if (!QFile::exists(config) || !QFile::exists("/usr/bin/dbus-daemon"))
            return false;
        bus.setProcessEnvironment(env);
        bus.start("/usr/bin/dbus-daemon",
                  {"--config-file=" + config, "--nofork", "--print-address=1"});
        EXPECT_TRUE(bus.waitForReadyRead(10000));
        address = QString::fromUtf8(bus.readLine()).trimmed();
        EXPECT_FALSE(address.isEmpty());
        return true;
    }

    /// A connection of the test's own to the private bus, under a name of its own.
    QDBusConnection connection(const QString &name) const {
        return QDBusConnection::connectToBus(address, name);
    }

    // The program, through the private bus once startBus() ran, otherwise serving itself.
    std::unique_ptr<QProcess> start(const QStringList &args,
                                    QProcessEnvironment env = QProcessEnvironment()) const {
        if (env.isEmpty())
            env = environment();
        env.insert("DBUS_SESSION_BUS_ADDRESS",
                   address.isEmpty() ? QStringLiteral("unix:path=/nonexistent") : address);
        auto p = std::make_unique<QProcess>();
        p->setProcessEnvironment(env);
        p->start(bin + "/sumwise", args);
        return p;
    }

    Ran run(const QStringList &args, const QByteArray &input = {},
            const QProcessEnvironment &env = QProcessEnvironment()) const {
        return finish(*start(args, env), input, 60000);
    }

    QString storeFile() const { return home.filePath("config/Sumwise/Sumwise.conf"); }
    QString alertLog() const { return home.filePath("alerts.jsonl"); }

    QList<QJsonObject> alerts() const {
        QList<QJsonObject> shown;
        QFile f(alertLog());
        if (f.open(QIODevice::ReadOnly)) {
            while (!f.atEnd())
                shown.append(QJsonDocument::fromJson(f.readLine()).object());
        }
        return shown;
    }

    // The provider's process id on the bus, or 0 while nobody owns the name; with start, has
    // the bus start it first (it then serves for its five seconds).
    uint providerPid(bool start = false) {
        QDBusConnection c = connection("probe");
        if (start)
            c.interface()->startService(BusName);
        const auto reply = c.interface()->servicePid(BusName);
        QDBusConnection::disconnectFromBus("probe");
        return reply.isValid() ? reply.value() : 0;
    }
    bool startProvider() { return providerPid(true) != 0; }

    // Waits for the provider to end; false when it is still there after 15 s.
    bool providerEnds() {
        return waitUntil([&] { return providerPid() == 0; }, 15000);
    }
};
