// What the clipboard tests share: this binary run as a helper, processes and the environment.
#pragma once

#include <QCoreApplication>
#include <QFile>
#include <QList>

#include <optional>

/// This test binary, which also serves as holder, writer and reader (tests/support).
inline QString self() {
    return QCoreApplication::applicationFilePath();
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

/// Sets or removes environment variables for one test.
class Environment {
public:
    ~Environment() {
        for (auto it = m_saved.rbegin(); it != m_saved.rend(); ++it)
            it->second ? qputenv(it->first, *it->second) : qunsetenv(it->first);
    }
    void set(const char *name, const std::optional<QByteArray> &value = std::nullopt) {
        m_saved.append(
            {name, qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt});
        value ? qputenv(name, *value) : qunsetenv(name);
    }

private:
    QList<std::pair<const char *, std::optional<QByteArray>>> m_saved;
};
