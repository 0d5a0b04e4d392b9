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

namespace {

// The bus timeout for a request: Show waits for its panel; 25 s unless SUMWISE_BUS_TIMEOUT (ms)
// says otherwise, for tests.
int requestTimeout(ServiceName service) {
    bool set = false;
    const int configured = qEnvironmentVariableIntValue("SUMWISE_BUS_TIMEOUT", &set);
    return service == ServiceName::Show ? INT_MAX : (set && configured > 0 ? configured : 25000);
}

} // namespace

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
    const QDBusMessage reply = bus.call(call, QDBus::Block, requestTimeout(service));
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

std::optional<FilterResult> askProviderToRun(const ServiceCommand &command) {
    QDBusConnection bus = Bus::sessionBus();
    if (!bus.isConnected())
        return std::nullopt;
    QDBusMessage call = QDBusMessage::createMethodCall(Bus::Name, Bus::Path, Bus::Interface,
                                                       QStringLiteral("runOnSelection"));
    // Only a provider that runs: starting one costs more than running the routine here.
    call.setAutoStartService(false);
    const platform::RequestLocale locale = platform::processLocale();
    call << commandName(command.service) << command.paste << command.pasteKey
         << qEnvironmentVariable("DISPLAY") << qEnvironmentVariable("WAYLAND_DISPLAY")
         << locale.numbers << locale.languages;
    const QDBusMessage reply = bus.call(call, QDBus::Block, requestTimeout(command.service));
    const QList<QVariant> values = reply.arguments();
    if (reply.type() == QDBusMessage::ReplyMessage && values.size() == 2)
        return FilterResult{{}, values.at(1).toString().toUtf8(), values.at(0).toInt()};
    // Run again here only what surely did not run there: a second paste would double the result.
    const QString name = reply.errorName();
    if (name == Bus::OtherDisplayError || name == u"org.freedesktop.DBus.Error.ServiceUnknown"
        || name == u"org.freedesktop.DBus.Error.NameHasNoOwner"
        || name == u"org.freedesktop.DBus.Error.UnknownMethod"
        || name == u"org.freedesktop.DBus.Error.UnknownObject")
        return std::nullopt;
    return FilterResult{
        {}, QStringLiteral("Error: the provider did not answer (%1)\n").arg(name).toUtf8(), 1};
}
