#include "commands.h"

#include "pasteboard/pasteboard.h"
#include "provider.h"
#include "service/sumwise.h"
#include "shortcut.h"

ServiceOutcome serveWith(Sumwise &sumwise, ServiceName service,
                         const QMap<QString, QByteArray> &flavours) {
    MemoryPasteboard pboard = MemoryPasteboard::fromMimeData(flavours);
    QString error;
    (sumwise.*serviceEntry(service))(pboard, QString(), &error);
    return {error, pboard.toMimeData()};
}

namespace {

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

ServiceOutcome serveRequest(const ServiceCommand &command,
                            const QMap<QString, QByteArray> &flavours) {
    if (!command.inProcess) {
        const ProviderAnswer answer = askProvider(command.service, flavours);
        if (answer.served)
            return {answer.error, answer.pboard};
    }
    Sumwise sumwise;
    return serveWith(sumwise, command.service, flavours);
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
    const ServiceOutcome outcome = serveRequest(command, flavours);
    if (!outcome.error.isEmpty())
        return textservices::failure(command.input, command.fromArguments, outcome.error);
    if (!replacesSelection(command.service))
        return {command.input, {}, 0};
    const auto [type, data] = writtenFlavour(outcome.pboard);
    return {type == PasteboardType::String ? data + lineBreak : data, {}, 0};
}
