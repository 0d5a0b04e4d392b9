// Telling the user about a failed service where they look: a desktop notification.
#pragma once

#include <QDBusConnection>
#include <QString>

namespace service {

/// Shows one desktop notification (org.freedesktop.Notifications) saying that formula cannot
/// be calculated, with the formula (on one line, shortened when long) and message as its body.
/// True once a notification server took it; false when none answered within a few seconds
/// (no session bus, no server, or a hung one).
bool notifyFailure(const QString &formula, const QString &message);
/// The same through another connection than the session bus.
bool notifyFailure(const QDBusConnection &bus, const QString &formula, const QString &message);

} // namespace service
