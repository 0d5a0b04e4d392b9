// The service commands: a selection in, the new selection out.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

/// What a command hands back: bytes for standard output, a message for standard error and
/// the exit status.
struct FilterResult {
    QByteArray output;
    QByteArray error;
    int status = 0;
};

struct ServiceCommand {
    QString service; // "substitute", "add", "show" or "copy"
    QString type;    // MIME type of the input; empty: RTF when it opens with "{\rtf", else text
    bool selection = false; // PRIMARY in, clipboard out
    bool fromArguments = false;
    QByteArray input; // the selection's bytes (standard input or the arguments)
};

/// Runs one service on the selection: through the provider on the session bus (started by
/// activation when needed), or in this process when no bus can serve it. On failure the
/// selection comes back unchanged with "Error: " and the message, status 1.
FilterResult runServiceCommand(const ServiceCommand &command);

/// The selection's final line break ("\n", "\r\n", "\r" or none).
QByteArray trailingLineBreak(const QByteArray &text);
