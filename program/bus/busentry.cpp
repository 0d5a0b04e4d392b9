#include "busclient.h"

#include "program/moduleentries.h"

bool sumwiseAskProvider(ServiceName service, const QMap<QString, QByteArray> *flavours,
                        QString *error, QMap<QString, QByteArray> *pboard) {
    ProviderAnswer answer = askProvider(service, *flavours);
    *error = answer.error;
    *pboard = std::move(answer.pboard);
    return answer.served;
}

bool sumwiseRunOnSelection(const ServiceCommand *command, FilterResult *result) {
    std::optional<FilterResult> answer = askProviderToRun(*command);
    if (answer)
        *result = *std::move(answer);
    return answer.has_value();
}
