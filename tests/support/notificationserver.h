// A stand-in desktop notification server (org.freedesktop.Notifications) on a test bus: it
// records every Notify call and answers with a fresh id.
#pragma once

#include "tests/support/guitest.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QMutex>

class NotificationServer : public QDBusVirtualObject {
public:
    /// The texts of one Notify call.
    struct Notification {
        QString summary, body;
    };

    /// Takes the name on bus. With answering false the server takes calls but never replies,
    /// as a hung server would. Calls are served on a thread of the server's own, so a test
    /// may block its main thread (waiting for a call or a process) while the server answers.
    explicit NotificationServer(QDBusConnection bus, bool answering = true)
        : m_bus(std::move(bus))
        , m_answering(answering) {
        moveToThread(&m_thread);
        m_thread.start();
        m_registered = m_bus.registerVirtualObject(Path, this) && m_bus.registerService(Name);
    }

    ~NotificationServer() override {
        m_bus.unregisterService(Name);
        m_bus.unregisterObject(Path);
        m_thread.quit();
        m_thread.wait();
    }

    /// Whether the object and the name were taken on the bus.
    bool registered() const { return m_registered; }

    QList<Notification> notifications() const {
        QMutexLocker lock(&m_mutex);
        return m_received;
    }

    /// Waits until count notifications arrived in all; false when they did not within ms.
    bool waitFor(qsizetype count, int ms = 15000) {
        return waitUntil([&] { return notifications().size() >= count; }, ms);
    }

    QString introspect(const QString &) const override { return {}; }

    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override {
        QDBusMessage reply;
        const QList<QVariant> a = message.arguments();
        if (message.member() == u"Notify" && message.signature() == u"susssasa{sv}i") {
            QMutexLocker lock(&m_mutex);
            m_received.append({a[3].toString(), a[4].toString()});
            reply = message.createReply(QVariant::fromValue(uint(m_received.size())));
        } else if (message.member() == u"GetCapabilities") {
            reply = message.createReply(QVariant(QStringList{"body", "body-markup"}));
        } else {
            return false;
        }
        if (m_answering)
            connection.send(reply);
        return true;
    }

private:
    static inline const QString Name = QStringLiteral("org.freedesktop.Notifications"),
                                Path = QStringLiteral("/org/freedesktop/Notifications");

    QDBusConnection m_bus;
    const bool m_answering;
    QThread m_thread;
    bool m_registered = false;
    mutable QMutex m_mutex;
    QList<Notification> m_received;
};
