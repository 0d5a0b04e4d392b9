// Helpers shared by the file library tests: files written and read in one call, and a fixture
// owning a temporary folder.
#pragma once

#include "textlib/systemlog.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

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

// Root passes every permission check, so as root the running test runs again, alone, as the
// user nobody (setpriv) and its outcome is checked here; answers true then, and the test body
// returns. Run as any other user it answers false and the body goes on.
inline bool runAsNobody() {
    if (::geteuid() != 0)
        return false;
    const QString setpriv = QStringLiteral("/usr/bin/setpriv");
    if (!QFileInfo(setpriv).isExecutable()) {
        [] { GTEST_SKIP() << "root, and no setpriv to run as another user"; }();
        return true;
    }
    const testing::TestInfo *test = testing::UnitTest::GetInstance()->current_test_info();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TMPDIR"), QStringLiteral("/tmp"));
    env.remove(QStringLiteral("GTEST_OUTPUT"));
    QProcess child;
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(setpriv, {QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                          QStringLiteral("--clear-groups"), QCoreApplication::applicationFilePath(),
                          QStringLiteral("--gtest_filter=%1.%2")
                              .arg(QString::fromUtf8(test->test_suite_name()),
                                   QString::fromUtf8(test->name()))});
    if (!child.waitForFinished(120000))
        child.kill();
    child.waitForFinished();
    const QByteArray output = child.readAll();
    // A build tree that nobody may enter leaves only root's view.
    if (output.startsWith("setpriv: failed to execute")) {
        [&] { GTEST_SKIP() << output.trimmed().toStdString(); }();
        return true;
    }
    EXPECT_TRUE(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0
                && output.contains("[  PASSED  ] 1 test"))
        << output.toStdString();
    return true;
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

// A folder of symbolic links: relative, absolute, chained, looping, dangling, climbing.
class LinkTree : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp.isValid());
        // The temporary folder may itself sit behind a link.
        root = QFileInfo(tmp.path()).canonicalFilePath();
        ASSERT_TRUE(QDir(root).mkpath("real/sub"));
        const std::pair<QByteArray, QString> links[] = {
            {"real", "rel"},          {QFile::encodeName(root + "/real/sub"), "abs"},
            {"rel/sub", "chain"},     {"loop2", "loop1"},
            {"loop1", "loop2"},       {"self", "self"},
            {"missing", "dangling"},  {"sub/..", "real/up"},
            {"../..", "real/sub/up"}, {"\xC3\xA9t\xC3\xA9", QString(QChar(0xFC))}};
        for (const auto &[target, name] : links)
            ASSERT_EQ(symlink(target.constData(), QFile::encodeName(root + u'/' + name)), 0);
    }
    QTemporaryDir tmp;
    QString root;
};
