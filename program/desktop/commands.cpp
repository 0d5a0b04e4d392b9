#include "commands.h"

#include "pasteboard/pasteboard.h"
#include "platform/localization.h"
#include "provider.h"
#include "service/sumwise.h"
#include "shortcut.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusReply>

#include <climits>

namespace {

struct Outcome {
    bool served = false; // false: nobody could take the request
    QString error;
    QMap<QString, QByteArray> pboard;
};

// The request over the session bus; not served when no bus or no provider answers.
Outcome viaBus(const ServiceCommand &command, const QMap<QString, QByteArray> &flavours) {
    QDBusConnection bus = Bus::sessionBus();
    if (!bus.isConnected())
        return {};
    const QString method = QStringLiteral("doCalc%1%2Service")
                               .arg(commandName(command.service).left(1).toUpper(),
                                    commandName(command.service).mid(1));
    QDBusMessage call =
        QDBusMessage::createMethodCall(Bus::Name, Bus::Path, Bus::Interface, method);
    QVariantMap map;
    for (auto it = flavours.begin(); it != flavours.end(); ++it)
        map.insert(it.key(), it.value());
    // Numbers and messages as this command would give them; a provider too old to take the
    // locale does not know the method, and the request is served here.
    const platform::RequestLocale locale = platform::processLocale();
    call << map << QString() << locale.numbers << locale.languages;
    // The panel waits for the user; the other services answer at once, or the request is
    // served here instead (SUMWISE_BUS_TIMEOUT, in ms, shortens that wait for tests).
    bool set = false;
    const int configured = qEnvironmentVariableIntValue("SUMWISE_BUS_TIMEOUT", &set);
    const int timeout = command.service == ServiceName::Show
                            ? INT_MAX
                            : (set && configured > 0 ? configured : 25000);
    const QDBusMessage reply = bus.call(call, QDBus::Block, timeout);
    if (reply.type() == QDBusMessage::ErrorMessage) {
        if (reply.errorName() == Bus::Error)
            return {true, reply.errorMessage(), {}};
        return {};
    }
    Outcome outcome{true, {}, {}};
    const QVariantMap answer = qdbus_cast<QVariantMap>(reply.arguments().value(0));
    for (auto it = answer.begin(); it != answer.end(); ++it)
        outcome.pboard.insert(it.key(), it.value().toByteArray());
    return outcome;
}

Outcome inProcess(const ServiceCommand &command, const QMap<QString, QByteArray> &flavours) {
    Sumwise sumwise;
    MemoryPasteboard pboard = MemoryPasteboard::fromMimeData(flavours);
    QString error;
    (sumwise.*serviceEntry(command.service))(pboard, QString(), &error);
    return {true, error, pboard.toMimeData()};
}

// The selection as a request's flavours, with a plain selection's final line break held back
// so that the result keeps the line structure of the text it replaces.
QMap<QString, QByteArray> requestFlavours(const ServiceCommand &command, QByteArray *lineBreak) {
    QMap<QString, QByteArray> flavours;
    QString type =
        command.type.isEmpty() ? PasteboardType::String : PasteboardType::canonical(command.type);
    if (command.type.isEmpty() && command.input.startsWith("{\\rtf"))
        type = PasteboardType::RTF;
    QByteArray data = command.input;
    if (type == PasteboardType::String) {
        *lineBreak = textservices::trailingLineBreak(data);
        data.chop(lineBreak->size());
    }
    flavours.insert(type, data);
    return flavours;
}

} // namespace

ServiceOutcome serveRequest(ServiceName service, const QMap<QString, QByteArray> &flavours) {
    ServiceCommand command;
    command.service = service;
    Outcome outcome = viaBus(command, flavours);
    if (!outcome.served)
        outcome = inProcess(command, flavours);
    return {outcome.error, outcome.pboard};
}

std::pair<QString, QByteArray> writtenFlavour(const QMap<QString, QByteArray> &pboard) {
    for (const QString &type :
         {PasteboardType::RTFD, PasteboardType::RTF, PasteboardType::String}) {
        if (pboard.contains(type))
            return {type, pboard.value(type)};
    }
    return {};
}

FilterResult runServiceCommand(const ServiceCommand &command) {
    if (command.selection)
        return runOnSelection(command);
    QByteArray lineBreak;
    const QMap<QString, QByteArray> flavours = requestFlavours(command, &lineBreak);
    const ServiceOutcome outcome = serveRequest(command.service, flavours);
    if (!outcome.error.isEmpty())
        return textservices::failure(command.input, command.fromArguments, outcome.error);
    if (!replacesSelection(command.service))
        return {command.input, {}, 0};
    const auto [type, data] = writtenFlavour(outcome.pboard);
    return {type == PasteboardType::String ? data + lineBreak : data, {}, 0};
}
