// The service commands: a selection in, the new selection out.
#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>

/// The four services, by the command that runs each.
enum class ServiceName { Substitute, Add, Show, Copy };

/// The service a command name ("substitute", "add", "show", "copy") runs; none for others.
std::optional<ServiceName> serviceNamed(QStringView command);
/// "substitute", "add", "show" or "copy".
QString commandName(ServiceName service);
/// Whether the service hands back a new selection (Substitute and Add).
inline bool replacesSelection(ServiceName service) {
    return service == ServiceName::Substitute || service == ServiceName::Add;
}

/// What a command hands back: bytes for standard output, a message for standard error and
/// the exit status.
struct FilterResult {
    QByteArray output;
    QByteArray error;
    int status = 0;
};

struct ServiceCommand {
    ServiceName service = ServiceName::Substitute;
    QString type; // MIME type of the input; empty: RTF when it opens with "{\rtf", else text
    bool selection = false; // the highlighted text in, the result pasted over it
    bool paste = true;      // with selection: false leaves the result on the clipboard
    QString pasteKey;       // with selection: the paste chord; empty: chosen by the window
    bool fromArguments = false;
    QByteArray input; // the selection's bytes (standard input or the arguments)
};

/// What serving a request gave back: an error, or the pasteboard as the service left it.
struct ServiceOutcome {
    QString error;
    QMap<QString, QByteArray> pboard;
};

/// Serves one request through the provider on the session bus (started by activation when
/// needed), or in this process when no bus can serve it.
ServiceOutcome serveRequest(ServiceName service, const QMap<QString, QByteArray> &flavours);

/// The one flavour a service wrote back, richest first: its type (empty when none) and data.
std::pair<QString, QByteArray> writtenFlavour(const QMap<QString, QByteArray> &pboard);

/// Runs one service on the selection: through the provider on the session bus (started by
/// activation when needed), or in this process when no bus can serve it. On failure the
/// selection comes back unchanged with "Error: " and the message, status 1.
FilterResult runServiceCommand(const ServiceCommand &command);

/// The selection's final line break ("\n", "\r\n", "\r" or none).
QByteArray trailingLineBreak(const QByteArray &text);
