#include "process.h"

#include <QProcess>

namespace filelib {

ToolRun runTool(const QString &program, const QStringList &arguments,
                const QString &workingDirectory, int timeoutMs) {
    ToolRun run;
    if (program.isEmpty())
        return run;
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    if (!workingDirectory.isEmpty())
        process.setWorkingDirectory(workingDirectory);
    // A tool that asks a question (unzip before replacing a file) reads end of file at once
    // instead of waiting for an answer that never comes.
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start();
    if (!process.waitForStarted(timeoutMs))
        return run;
    run.started = true;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(5000);
        return run;
    }
    run.output = process.readAllStandardOutput();
    run.normalExit = process.exitStatus() == QProcess::NormalExit;
    run.exitCode = process.exitCode();
    return run;
}

bool launchAndWaitUntilExit(const QString &program, const QStringList &arguments,
                            const QString &workingDirectory, int timeoutMs) {
    return runTool(program, arguments, workingDirectory, timeoutMs).succeeded();
}

} // namespace filelib
