// What tests of every layer share, with Qt Core alone: files written and read in one call, byte
// literals with NULs, and environment variables put back after a test.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>

#include <gtest/gtest.h>

#include <optional>
#include <string_view>
#include <utility>

/// Writes content to path, making its parent folders first; answers path.
inline QString putFile(const QString &path, const QByteArray &content = "x") {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly) && f.write(content) == content.size())
        << path.toStdString();
    return path;
}

/// The file's bytes; "<missing>" when it cannot be read, which an empty file never gives.
inline QByteArray readFile(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

/// The bytes of a literal or view, NULs included.
template<std::size_t N> QByteArray bytesOf(const char (&literal)[N]) {
    return QByteArray(literal, qsizetype(N - 1));
}
inline QByteArray bytesOf(std::string_view bytes) {
    return QByteArray(bytes.data(), qsizetype(bytes.size()));
}

/// Sets or removes environment variables for one test or session, and puts them back at its end.
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
