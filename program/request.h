// A command's request as both the program and its desktop module see it.
#pragma once

#include "evaluator/textservices.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QString>
#include <QStringView>

#include <optional>

/// The four services, by the command that runs each.
enum class ServiceName { Substitute, Add, Show, Copy };

inline constexpr const char16_t *CommandNames[] = {u"substitute", u"add", u"show", u"copy"};

/// The service a command name ("substitute", "add", "show", "copy") runs; none for others.
inline std::optional<ServiceName> serviceNamed(QStringView command) {
    for (int i = 0; i < 4; ++i) {
        if (command == QStringView(CommandNames[i]))
            return ServiceName(i);
    }
    return std::nullopt;
}

/// "substitute", "add", "show" or "copy".
inline QString commandName(ServiceName service) {
    return QString::fromUtf16(CommandNames[int(service)]);
}

/// Whether the service hands back a new selection (Substitute and Add).
inline bool replacesSelection(ServiceName service) {
    return service == ServiceName::Substitute || service == ServiceName::Add;
}

using textservices::FilterResult;

struct ServiceCommand {
    ServiceName service = ServiceName::Substitute;
    QString type; // MIME type of the input; empty: RTF when it opens with "{\rtf", else text
    bool selection = false; // the highlighted text in, the result pasted over it
    bool paste = true;      // with selection: false leaves the result on the clipboard
    QString pasteKey;       // with selection: the paste chord; empty: chosen by the window
    bool fromArguments = false;
    QByteArray input; // the selection's bytes (standard input or the arguments)
    // Served in this process rather than by a provider the bus would have to start.
    bool inProcess = false;
    // With selection: a clipboard holder started with the command, waiting for its request.
    int holderChannel = -1;
};

/// Whether the request is plain text: no selection to take, no type named, no RTF.
inline bool isPlainText(const ServiceCommand &command) {
    return !command.selection && command.type.isEmpty() && !command.input.startsWith("{\\rtf");
}

/// Whether the request is plain text that substitute or add serve without the desktop.
inline bool isPlainFilter(const ServiceCommand &command) {
    return replacesSelection(command.service) && isPlainText(command);
}

/// The names settings and translations are found by.
inline void setApplicationNames() {
    QCoreApplication::setOrganizationName(QStringLiteral("Sumwise"));
    QCoreApplication::setApplicationName(QStringLiteral("Sumwise"));
    QCoreApplication::setApplicationVersion(QStringLiteral(SUMWISE_VERSION));
}
