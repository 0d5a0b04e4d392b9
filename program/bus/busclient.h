// The provider's names on the session bus, and a request to it, on Qt D-Bus alone: the
// program loads this (as lib/sumwise/sumwise-bus.so) to reach a running provider without Qt
// GUI, and the desktop module holds the same code.
#pragma once

#include "program/busprobe.h"
#include "program/request.h"

#include <QByteArray>
#include <QDBusConnection>
#include <QMap>
#include <QString>

#include <optional>

namespace Bus {
inline const QString Name = QString::fromLatin1(ProviderName);
inline const QString Path = QStringLiteral("/org/sumwise/Sumwise");
inline const QString Interface = QStringLiteral("org.sumwise.Sumwise");
/// The error a failed service answers with; its message is the error text.
inline const QString Error = QStringLiteral("org.sumwise.Sumwise.Error");
/// A provider that sees another display than the requester's answers the shortcut routine with
/// this error, and the requester runs the routine itself.
inline const QString OtherDisplayError = QStringLiteral("org.sumwise.Sumwise.Error.OtherDisplay");
/// Desktop search on the same name: GNOME Shell's search provider and KRunner's runner.
inline const QString SearchProviderPath = QStringLiteral("/org/sumwise/Sumwise/SearchProvider");
inline const QString KRunnerPath = QStringLiteral("/org/sumwise/Sumwise/KRunner");

/// The session bus connection, set up so that replies still queued when the program ends are
/// released quietly.
QDBusConnection sessionBus();
} // namespace Bus

/// What the provider made of a request.
struct ProviderAnswer {
    bool served = false;              // false: no bus, or no provider took the request
    QString error;                    // the service failed: "Error: " and the message
    QMap<QString, QByteArray> pboard; // otherwise the pasteboard as the service left it
};

/// Runs a service on the provider (started by activation when none runs), in this process's
/// locale. Show waits for its panel; the other services for 25 s (SUMWISE_BUS_TIMEOUT, in ms,
/// shortens that for tests), after which the request counts as not served.
ProviderAnswer askProvider(ServiceName service, const QMap<QString, QByteArray> &flavours);

/// Has a running provider (none is started) run the keyboard-shortcut routine for command (a
/// --selection request), on this process's displays and in its locale: it has the desktop
/// loaded already. Nothing when no provider took it; then the caller runs the routine.
std::optional<FilterResult> askProviderToRun(const ServiceCommand &command);
