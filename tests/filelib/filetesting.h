// Helpers shared by the file library tests: the log lines written meanwhile, and fixtures owning a
// temporary folder or a tree of links.
#pragma once

#include "tests/support/testing.h"
#include "textlib/systemlog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

// Collects the log lines written while it lives.
struct LogCapture {
    LogCapture() { lines().clear(); }
    ~LogCapture() { textlib::setLogHandler(previous); }
    static QStringList &lines() {
        static QStringList all;
        return all;
    }
    textlib::LogHandler previous =
        textlib::setLogHandler([](const QString &m) { lines().append(m); });
};

struct TempFolderTest : testing::Test {
    QString p(const QString &name) const {
        return name.isEmpty() ? dir.path() : dir.filePath(name);
    }
    QString put(const QString &name, const QByteArray &content = "x") {
        return putFile(p(name), content);
    }
    QByteArray read(const QString &name) const { return readFile(p(name)); }
    // Whether anything, a dangling link included, is there.
    bool there(const QString &name) const {
        return QFileInfo(p(name)).exists() || QFileInfo(p(name)).isSymLink();
    }
    QTemporaryDir dir;
};

// A folder of symbolic links: relative, absolute, looping, climbing.
struct LinkTree : testing::Test {
    void SetUp() override {
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
