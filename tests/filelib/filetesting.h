// Helpers shared by the file library tests: files written and read in one call, and a fixture
// owning a temporary folder.
#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// Writes content to path, making its parent folders first; answers path.
inline QString putFile(const QString &path, const QByteArray &content = "x") {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly) && f.write(content) == content.size())
        << path.toStdString();
    return path;
}

inline QByteArray readFile(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// Whether anything, a dangling link included, is at path.
inline bool there(const QString &path) {
    return QFileInfo(path).exists() || QFileInfo(path).isSymLink();
}

class TempFolderTest : public testing::Test {
public:
    QString p(const QString &name) const {
        return name.isEmpty() ? dir.path() : dir.filePath(name);
    }
    QString put(const QString &name, const QByteArray &content = "x") {
        return putFile(p(name), content);
    }
    QByteArray read(const QString &name) const { return readFile(p(name)); }
    bool there(const QString &name) const { return ::there(p(name)); }
    QTemporaryDir dir;
};
