// Failures shown where the user looks: a desktop notification.
#pragma once

#include <QString>

/// Sends one notification with the formula and the message; false when nobody shows it.
bool notifyFailure(const QString &formula, const QString &message);
