// The system log: syslog(3), so lines land in the journal; mirrored to standard error when that
// is a terminal, so a developer running a tool sees them.
#pragma once

#include <QString>
#include <QStringList>

namespace textlib {

/// Writes message as one log entry (several lines are kept together).
void systemLog(const QString &message);

/// Receives what systemLog() writes instead of syslog.
using LogHandler = void (*)(const QString &message);
/// Routes systemLog() to handler (nullptr restores syslog) and returns the previous handler.
LogHandler setLogHandler(LogHandler handler);

/// The calling thread's stack, one frame a line with the innermost first, for log entries.
QStringList callStack();

} // namespace textlib
