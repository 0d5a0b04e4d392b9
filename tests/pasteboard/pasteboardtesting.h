// What the clipboard tests share: this binary run as a helper and its processes.
#pragma once

#include "tests/support/guitest.h"

#include <QFile>

/// This test binary, which also serves as holder, writer and reader (tests/support).
inline QString self() {
    return QCoreApplication::applicationFilePath();
}

/// What a process without a GUI application reads, over its own X connection.
inline Ran readWithoutGui(const char *selection, const QString &type = {}) {
    const QStringList args{"--read-pasteboard", selection, type};
    return run(self(), type.isEmpty() ? args.first(2) : args);
}

/// Fields of /proc/PID/stat after the command name: state, ppid, pgrp, session, ...
inline QList<QByteArray> procStat(qint64 pid) {
    QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
    const QByteArray stat = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    return stat.isEmpty() ? QList<QByteArray>() : stat.mid(stat.lastIndexOf(')') + 2).split(' ');
}

inline bool processEnded(qint64 pid) {
    const QList<QByteArray> stat = procStat(pid);
    return stat.isEmpty() || stat[0] == "Z" || stat[0] == "X";
}
