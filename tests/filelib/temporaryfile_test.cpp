#include "filelib/temporaryfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <utility>

using namespace filelib;

namespace {

bool there(const QString &path) {
    return QFileInfo(path).exists() || QFileInfo(path).isSymLink();
}

void put(const QString &path) {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
}

TEST(TemporaryFile, RemovesWhatIsAtItsPathOnly) {
    QTemporaryDir dir;
    const QString file = dir.filePath("f"), folder = dir.filePath("d"), target = dir.filePath("t");
    put(file);
    put(folder + "/sub/x");
    put(target + "/keep");
    ASSERT_TRUE(QFile::link(target, dir.filePath("l")));
    ASSERT_TRUE(QFile::link(target, dir.filePath("l2")));
    struct {
        QString path;
        QStringList gone, kept;
    } rows[] = {{file, {file}, {}},
                {folder, {folder}, {}},
                {dir.filePath("l"), {dir.filePath("l")}, {target + "/keep"}},
                {dir.filePath("l2/"), {dir.filePath("l2")}, {target + "/keep"}},
                {dir.filePath("never"), {}, {}},
                {QString(), {}, {dir.path()}},
                {"", {}, {dir.path()}}};
    for (const auto &r : rows) {
        {
            TemporaryFile t(r.path);
            EXPECT_EQ(t.path(), r.path);
        }
        for (const QString &p : r.gone)
            EXPECT_FALSE(there(p)) << p.toStdString();
        for (const QString &p : r.kept)
            EXPECT_TRUE(there(p)) << p.toStdString();
    }
}

TEST(TemporaryFile, MovingHandsThePathOn) {
    QTemporaryDir dir;
    const QString a = dir.filePath("a"), b = dir.filePath("b");
    put(a);
    put(b);
    auto owner = TemporaryFile::temporaryFileWithPath(a);
    {
        TemporaryFile moved(std::move(*owner));
        EXPECT_TRUE(owner->path().isNull());
        EXPECT_TRUE(there(a));
        TemporaryFile other(b);
        other = std::move(moved);
        EXPECT_FALSE(there(b));
        EXPECT_TRUE(there(a));
        EXPECT_EQ(other.path(), a);
    }
    EXPECT_FALSE(there(a));
    put(a);
    owner.reset();
    EXPECT_TRUE(there(a));
}

} // namespace
