// A stand-in desktop notification server (org.freedesktop.Notifications) on a test bus: it
// records every Notify call and answers with a fresh id.
#pragma once

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QDeadlineTimer>
#include <QList>
#include <QMutex>
#include <QMutexLocker>
#include <QString>
#include <QStringList>
#include <QThread>
#include <QVariantMap>
#include <QWaitCondition>

class NotificationServer {
public:
    /// One Notify call as the server received it.
    struct Notification {
        QString appName;
        uint replacesId = 0;
        QString icon, summary, body;
        QStringList actions;
        QVariantMap hints;
        int expireTimeout = 0;
    };

    static inline const QString Name = QStringLiteral("org.freedesktop.Notifications");
    static inline const QString Path = QStringLiteral("/org/freedesktop/Notifications");

    /// Takes the name on bus. With answering false the server takes calls but never replies,
    /// as a hung server would. Calls are served on a thread of the server's own, so a test
    /// may block its main thread (waiting for a call or a process) while the server answers.
    explicit NotificationServer(QDBusConnection bus, bool answering = true)
        : m_bus(std::move(bus))
        , m_handler(new Handler(*this, answering)) {
        m_handler->moveToThread(&m_thread);
        m_thread.start();
        m_registered = m_bus.registerVirtualObject(Path, m_handler) && m_bus.registerService(Name);
    }

    ~NotificationServer() {
        m_bus.unregisterService(Name);
        m_bus.unregisterObject(Path);
        m_thread.quit();
        m_thread.wait();
        delete m_handler;
    }

    NotificationServer(const NotificationServer &) = delete;
    NotificationServer &operator=(const NotificationServer &) = delete;

    /// Whether the object and the name were taken on the bus.
    bool registered() const { return m_registered; }

    QList<Notification> notifications() const {
        QMutexLocker lock(&m_mutex);
        return m_received;
    }

    /// Waits until count notifications arrived in all; false when they did not within ms.
    bool waitFor(qsizetype count, int ms = 15000) {
        QDeadlineTimer deadline(ms);
        QMutexLocker lock(&m_mutex);
        while (m_received.size() < count) {
            if (!m_arrived.wait(&m_mutex, deadline))
                return m_received.size() >= count;
        }
        return true;
    }

private:
    class Handler final : public QDBusVirtualObject {
    public:
        Handler(NotificationServer &server, bool answering)
            : m_server(server)
            , m_answering(answering) {}

        QString introspect(const QString &) const override {
            return QStringLiteral(
                "<interface name=\"org.freedesktop.Notifications\">"
                "<method name=\"Notify\"><arg type=\"s\" direction=\"in\"/>"
                "<arg type=\"u\" direction=\"in\"/><arg type=\"s\" direction=\"in\"/>"
                "<arg type=\"s\" direction=\"in\"/><arg type=\"s\" direction=\"in\"/>"
                "<arg type=\"as\" direction=\"in\"/><arg type=\"a{sv}\" direction=\"in\"/>"
                "<arg type=\"i\" direction=\"in\"/><arg type=\"u\" direction=\"out\"/></method>"
                "<method name=\"CloseNotification\"><arg type=\"u\" direction=\"in\"/></method>"
                "<method name=\"GetCapabilities\"><arg type=\"as\" direction=\"out\"/></method>"
                "<method name=\"GetServerInformation\"><arg type=\"s\" direction=\"out\"/>"
                "<arg type=\"s\" direction=\"out\"/><arg type=\"s\" direction=\"out\"/>"
                "<arg type=\"s\" direction=\"out\"/></method></interface>");
        }

        bool handleMessage(const QDBusMessage &message,
                           const QDBusConnection &connection) override {
            if (message.interface() != Name && !message.interface().isEmpty())
                return false;
            const QString member = message.member();
            QDBusMessage reply;
            if (member == u"Notify" && message.signature() == u"susssasa{sv}i") {
                const QList<QVariant> a = message.arguments();
                Notification n{a[0].toString(),
                               a[1].toUInt(),
                               a[2].toString(),
                               a[3].toString(),
                               a[4].toString(),
                               a[5].toStringList(),
                               qdbus_cast<QVariantMap>(a[6]),
                               a[7].toInt()};
                uint id = 0;
                {
                    QMutexLocker lock(&m_server.m_mutex);
                    m_server.m_received.append(std::move(n));
                    id = uint(m_server.m_received.size());
                    m_server.m_arrived.wakeAll();
                }
                reply = message.createReply(QVariant::fromValue(id));
            } else if (member == u"GetCapabilities") {
                reply = message.createReply(
                    QVariant(QStringList{QStringLiteral("body"), QStringLiteral("body-markup")}));
            } else if (member == u"GetServerInformation") {
                reply = message.createReply(
                    QList<QVariant>{QStringLiteral("test"), QStringLiteral("Sumwise tests"),
                                    QStringLiteral("1.0"), QStringLiteral("1.2")});
            } else if (member == u"CloseNotification") {
                reply = message.createReply();
            } else {
                return false;
            }
            if (m_answering)
                connection.send(reply);
            return true;
        }

    private:
        NotificationServer &m_server;
        const bool m_answering;
    };

    QDBusConnection m_bus;
    QThread m_thread;
    Handler *m_handler;
    bool m_registered = false;
    mutable QMutex m_mutex;
    QWaitCondition m_arrived;
    QList<Notification> m_received;
};
