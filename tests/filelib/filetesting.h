// Helpers shared by the file library tests: files written and read in one call, and a fixture
// owning a temporary folder.
#pragma once

#include "tests/support/testing.h"
#include "textlib/systemlog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

// Whether anything, a dangling link included, is at path.
inline bool there(const QString &path) {
    return QFileInfo(path).exists() || QFileInfo(path).isSymLink();
}

// Collects the log lines written while it lives.
struct LogCapture {
    LogCapture() {
        lines().clear();
        previous = textlib::setLogHandler([](const QString &m) { lines().append(m); });
    }
    ~LogCapture() { textlib::setLogHandler(previous); }
    static QStringList &lines() {
        static QStringList all;
        return all;
    }
    textlib::LogHandler previous;
};

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

// A folder of symbolic links: relative, absolute, looping, climbing.
class LinkTree : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp.isValid());
        // The temporary folder may itself sit behind a link.
        root = QFileInfo(tmp.path()).canonicalFilePath();
        ASSERT_TRUE(QDir(root).mkpath("real/sub"));
        const std::pair<QByteArray, QString> links[] = {
            {"real", "rel"},
            {QFile::encodeName(root + "/real/sub"), "abs"},
            {"loop2", "loop1"},
            {"loop1", "loop2"},
            {"../..", "real/sub/up"}};
        for (const auto &[target, name] : links)
            ASSERT_EQ(symlink(target.constData(), QFile::encodeName(root + u'/' + name)), 0);
    }
    QTemporaryDir tmp;
    QString root;
};
