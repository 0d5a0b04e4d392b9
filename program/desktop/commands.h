// The service commands: a selection in, the new selection out.
#pragma once

#include "program/request.h"

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

class Sumwise;

/// What serving a request gave back: an error, or the pasteboard as the service left it.
struct ServiceOutcome {
    QString error;
    QMap<QString, QByteArray> pboard;
};

/// Serves one request through the provider on the session bus, or in this process when the
/// command says so (no provider runs) or no bus can serve it.
ServiceOutcome serveRequest(const ServiceCommand &command,
                            const QMap<QString, QByteArray> &flavours);

/// Serves one request with the given service object, in this process.
ServiceOutcome serveWith(Sumwise &sumwise, ServiceName service,
                         const QMap<QString, QByteArray> &flavours);

/// The one flavour a service wrote back, richest first: its type (empty when none) and data.
std::pair<QString, QByteArray> writtenFlavour(const QMap<QString, QByteArray> &pboard);

/// Runs one service on the selection, see serveRequest(). On failure the
/// selection comes back unchanged with "Error: " and the message, status 1.
FilterResult runServiceCommand(const ServiceCommand &command);
