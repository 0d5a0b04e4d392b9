#include "filelib/comments.h"

#include "filelib/process.h"

#include "tests/support/guitest.h"

#include "../textlib/texttesting.h"
#include "filetesting.h"

#include <QCoreApplication>

#include <sys/xattr.h>

#include <algorithm>
#include <memory>
#include <tuple>

using namespace std::literals;
using namespace filelib;

using Batch = std::tuple<bool, int, int>; // folders, size, failed
QList<Batch> batches;

struct CommentsTest : testing::Test {
    void SetUp() override {
        // /tmp may be a tmpfs without user attributes, so try places on disk file systems too.
        for (const QString &base :
             {QDir::tempPath(), QCoreApplication::applicationDirPath(), QDir::homePath()}) {
            dir = std::make_unique<QTemporaryDir>(base + "/comments-XXXXXX");
            if (dir->isValid()
                && ::setxattr(QFile::encodeName(dir->path()).constData(), "user.probe", "1", 1, 0)
                       == 0)
                break;
            dir.reset();
        }
        if (!dir)
            GTEST_SKIP() << "no folder here takes user extended attributes";
        batches.clear();
        previous = setCommentBatchHandler([](bool folders, int size, int failed) {
            batches.append({folders, size, failed});
        });
    }
    void TearDown() override {
        if (dir) {
            waitUntil([] { return pendingFinderCommentCount() == 0; }, 10000);
            setCommentBatchHandler(previous);
        }
    }
    QString p(const QString &name) const { return dir->filePath(name); }
    QString put(const QString &name) { return putFile(p(name), ""); }
    // What getfattr reads, so the attribute is the one other programs see.
    static QByteArray getfattr(const QString &path) {
        const ToolRun run = runTool("getfattr", {"--only-values", "-n", CommentAttribute, path});
        return run.succeeded() ? run.output : QByteArray("<none>");
    }

    std::unique_ptr<QTemporaryDir> dir;
    CommentBatchHandler previous = nullptr;
};

TEST_F(CommentsTest, WritesAndReadsSynchronously) {
    const std::pair<std::u16string_view, std::u16string_view> rows[] = {
        {u"Gr\u00FC\u00DFe \U0001F600"sv, u"Gr\u00FC\u00DFe \U0001F600"sv},
        {u"\xD800x"sv, u"?x"sv}, // a lone surrogate has no UTF-8 form
        {u""sv, {}}};            // no attribute at all
    const QString path = put("f");
    for (const auto &[text, expected] : rows) {
        ASSERT_TRUE(setFinderComment("old", path));
        EXPECT_TRUE(setFinderComment(makeText(text), path));
        EXPECT_EQ(finderCommentAtPath(path), makeText(expected.data() ? expected : u""sv));
        EXPECT_EQ(getfattr(path), expected.data() ? makeText(expected).toUtf8() : "<none>");
    }
    // Bytes other programs wrote need not be UTF-8.
    ASSERT_EQ(::setxattr(QFile::encodeName(p("f")).constData(), CommentAttribute, "a\xFF", 2, 0),
              0);
    EXPECT_EQ(finderCommentAtPath(p("f")), QStringView(u"a\uFFFD"));
}

TEST_F(CommentsTest, RefusesWhatCannotTakeComments) {
    QFile::link(p("gone"), p("dangling"));
    const std::pair<QString, bool> rows[] = {
        {p("dangling"), false},
        {p("") + QChar(0), false},
        {"/proc/self/status", false}, // no user attributes there
        {"/dev/null", true}};         // takes attributes, but a device never user ones
    for (const auto &[path, scriptable] : rows) {
        EXPECT_EQ(finderScriptable(path), scriptable) << path.toStdString();
        EXPECT_FALSE(setFinderComment("x", path)) << path.toStdString();
        EXPECT_EQ(setFinderComment("x", path, Asynchronous::Yes), scriptable);
        EXPECT_EQ(finderCommentAtPath(path).isNull(), !scriptable) << path.toStdString();
    }
    EXPECT_EQ(finderCommentAtPath(put("f")), QString(""));
}

// Files and folders flush apart, files 25 at a time; a later comment replaces a pending one.
TEST_F(CommentsTest, CommentsGoInBatchesAndTheLaterOneWins) {
    QStringList paths;
    for (int i = 0; i < 60; ++i)
        paths.append(put(QString("f%1").arg(i, 2, 10, QChar('0'))));
    for (const QString &path : paths)
        EXPECT_TRUE(setFinderComment("of " + QFileInfo(path).fileName(), path, Asynchronous::Yes));
    QDir().mkdir(p("d"));
    EXPECT_TRUE(setFinderComment("folder", p("d"), Asynchronous::Yes));
    EXPECT_TRUE(setFinderComment("later", paths[0], Asynchronous::Yes));
    EXPECT_TRUE(setFinderComment("lost", put("gone"), Asynchronous::Yes));
    QFile::remove(p("gone"));
    // Nothing is written before the event loop runs.
    EXPECT_EQ(pendingFinderCommentCount(), 62);
    EXPECT_EQ(finderCommentAtPath(paths[0]), "");
    ASSERT_TRUE(
        waitUntil([] { return pendingFinderCommentCount() == 0 && batches.size() == 4; }, 10000));
    std::sort(batches.begin(), batches.end());
    EXPECT_EQ(batches,
              (QList<Batch>{{false, 11, 1}, {false, 25, 0}, {false, 25, 0}, {true, 1, 0}}));
    EXPECT_EQ(getfattr(paths[0]) + getfattr(p("d")), "laterfolder");
    for (const QString &path : paths.sliced(1))
        EXPECT_EQ(getfattr(path), "of " + QFileInfo(path).fileName().toUtf8());
}
