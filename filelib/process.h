// Running a system tool to its end.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace filelib {

/// How long a tool may run before it is killed: long enough for a big archive.
inline constexpr int DefaultToolTimeoutMs = 10 * 60 * 1000;

/// What a finished (or failed) run of a tool reported.
struct ToolRun {
    bool started = false;    ///< the program could be started at all
    bool normalExit = false; ///< it ended by itself, not by a signal or the timeout
    int exitCode = -1;       ///< meaningful only after a normal exit
    QByteArray output;       ///< its standard output
    bool succeeded() const { return started && normalExit && exitCode == 0; }
};

/// Runs program with arguments in workingDirectory (the current one when empty), standard input
/// empty and standard error discarded, and waits for it; after timeoutMs it is killed. A missing
/// program or working folder answers started == false.
ToolRun runTool(const QString &program, const QStringList &arguments,
                const QString &workingDirectory = QString(), int timeoutMs = DefaultToolTimeoutMs);

/// Whether program started, ended normally and exited with status 0 (see runTool()); its output
/// is discarded.
bool launchAndWaitUntilExit(const QString &program, const QStringList &arguments,
                            const QString &workingDirectory = QString(),
                            int timeoutMs = DefaultToolTimeoutMs);

} // namespace filelib
