#include "busclient.h"

#include "platform/localization.h"

#include <QDBusArgument>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QVariantMap>

#include <climits>

QDBusConnection Bus::sessionBus() {
    // The connection's thread can hold queued replies when the program ends; their types are
    // destroyed with the registry, which must therefore exist before the connection does.
    qRegisterMetaType<QDBusMessage>();
    qRegisterMetaType<QDBusError>();
    return QDBusConnection::sessionBus();
}

ProviderAnswer askProvider(ServiceName service, const QMap<QString, QByteArray> &flavours) {
    QDBusConnection bus = Bus::sessionBus();
    if (!bus.isConnected())
        return {};
    const QString name = commandName(service);
    const QString method =
        QStringLiteral("doCalc%1%2Service").arg(name.left(1).toUpper(), name.mid(1));
    QDBusMessage call =
        QDBusMessage::createMethodCall(Bus::Name, Bus::Path, Bus::Interface, method);
    QVariantMap map;
    for (auto it = flavours.begin(); it != flavours.end(); ++it)
        map.insert(it.key(), it.value());
    // Numbers and messages as this command would give them; a provider too old to take the
    // locale does not know the method, and the request is served here.
    const platform::RequestLocale locale = platform::processLocale();
    call << map << QString() << locale.numbers << locale.languages;
    bool set = false;
    const int configured = qEnvironmentVariableIntValue("SUMWISE_BUS_TIMEOUT", &set);
    const int timeout =
        service == ServiceName::Show ? INT_MAX : (set && configured > 0 ? configured : 25000);
    const QDBusMessage reply = bus.call(call, QDBus::Block, timeout);
    if (reply.type() == QDBusMessage::ErrorMessage) {
        if (reply.errorName() == Bus::Error)
            return {true, reply.errorMessage(), {}};
        return {};
    }
    ProviderAnswer answer{true, {}, {}};
    const QVariantMap pboard = qdbus_cast<QVariantMap>(reply.arguments().value(0));
    for (auto it = pboard.begin(); it != pboard.end(); ++it)
        answer.pboard.insert(it.key(), it.value().toByteArray());
    return answer;
}
