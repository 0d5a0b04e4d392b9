// A private session bus whose activated providers inherit a test environment: settings in a
// temporary home, panels answered "default" and logged as JSON lines.
#pragma once

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

#include <memory>

/// How a run of the program ended.
struct Outcome {
    QByteArray out, err;
    int status = -1;
};

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
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
        e.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.path());
        e.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
        e.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        e.insert(QStringLiteral("SUMWISE_ALERT_ANSWER"), QStringLiteral("default"));
        e.insert(QStringLiteral("SUMWISE_ALERT_LOG"), alertLog());
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "LANGUAGE"})
            e.remove(QString::fromLatin1(name));
        return e;
    }

    // False (the test skipped) when there is no dbus-daemon.
    bool startBus(QProcessEnvironment env) {
        const QString config =
            QDir(bin).filePath(QStringLiteral("../share/sumwise/test-session-bus.conf"));
        const QString daemon = QStringLiteral("/usr/bin/dbus-daemon");
        if (!QFile::exists(config) || !QFile::exists(daemon))
            return false;
        bus.setProcessEnvironment(env);
        bus.start(daemon, {QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"),
                           QStringLiteral("--print-address=1")});
        EXPECT_TRUE(bus.waitForReadyRead(10000));
        address = QString::fromUtf8(bus.readLine()).trimmed();
        EXPECT_FALSE(address.isEmpty());
        return true;
    }

    // The program, through the private bus once startBus() ran, otherwise serving itself.
    std::unique_ptr<QProcess> start(const QStringList &args,
                                    QProcessEnvironment env = QProcessEnvironment()) const {
        if (env.isEmpty())
            env = environment();
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
                   address.isEmpty() ? QStringLiteral("unix:path=/nonexistent") : address);
        auto p = std::make_unique<QProcess>();
        p->setProcessEnvironment(env);
        p->start(bin + QStringLiteral("/sumwise"), args);
        return p;
    }

    static Outcome finish(QProcess &p, const QByteArray &input) {
        p.write(input);
        p.closeWriteChannel();
        EXPECT_TRUE(p.waitForFinished(60000));
        return {p.readAllStandardOutput(), p.readAllStandardError(), p.exitCode()};
    }

    Outcome run(const QStringList &args, const QByteArray &input = {},
                const QProcessEnvironment &env = QProcessEnvironment()) const {
        return finish(*start(args, env), input);
    }

    QString storeFile() const {
        return home.filePath(QStringLiteral("config/Sumwise/Sumwise.conf"));
    }

    QString alertLog() const { return home.filePath(QStringLiteral("alerts.jsonl")); }

    QList<QJsonObject> alerts() const {
        QList<QJsonObject> shown;
        QFile f(alertLog());
        if (f.open(QIODevice::ReadOnly)) {
            while (!f.atEnd())
                shown.append(QJsonDocument::fromJson(f.readLine()).object());
        }
        return shown;
    }

    // The provider's process id on the bus, or 0 while nobody owns the name.
    uint providerPid() {
        QDBusConnection c = QDBusConnection::connectToBus(address, QStringLiteral("probe"));
        const auto reply = c.interface()->servicePid(QStringLiteral("org.sumwise.Sumwise"));
        QDBusConnection::disconnectFromBus(QStringLiteral("probe"));
        return reply.isValid() ? reply.value() : 0;
    }

    // Has the bus start the provider (it then serves for its five seconds).
    bool startProvider() {
        QDBusConnection c = QDBusConnection::connectToBus(address, QStringLiteral("starter"));
        const bool started =
            c.interface()->startService(QStringLiteral("org.sumwise.Sumwise")).isValid();
        QDBusConnection::disconnectFromBus(QStringLiteral("starter"));
        return started && providerPid() != 0;
    }

    // Waits for the provider to end; false when it is still there after 15 s.
    bool providerEnds() {
        QElapsedTimer clock;
        clock.start();
        while (providerPid() != 0 && clock.elapsed() < 15000)
            QThread::msleep(200);
        return providerPid() == 0;
    }
};
