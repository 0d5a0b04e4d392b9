#include "filelib/fileoperations.h"
#include "filelib/propertylist.h"

#include "filetesting.h"

#include <filesystem>
#include <functional>

using namespace filelib;

struct FileOperationsTest : TempFolderTest {
    void link(const QString &target, const QString &name) {
        ASSERT_TRUE(QFile::link(target, p(name)));
    }
    void setAge(const QString &name, int seconds) {
        namespace fs = std::filesystem;
        fs::last_write_time(p(name).toStdString(),
                            fs::file_time_type::clock::now() - std::chrono::seconds(seconds));
    }
};

// Each row makes its names ("l>d": a link l to d), runs one call on a path inside the folder,
// and states the answer and which names must (not) exist afterwards.
TEST_F(FileOperationsTest, CreationAndRemoval) {
    using S = const QString &;
    const auto folder = [](S s) { return createPath(s); };
    const auto folderTo = [](S s) { return createPathToFile(s); };
    const auto renamed = [](S s) { return createPath(s, QFileInfo(s).path() + "/old"); };
    const auto remove = [](S s) { return removePath(s); };
    const QStringList linked{"d/sub/x", "l>d"};
    using Call = std::function<bool(S)>;
    const Call file = createFile, withParents = createPathAndFile,
               writable = createWritableTemporaryPath, unlinked = unlinkFileAtPath;
    const std::tuple<const char *, QStringList, Call, const char *, bool, QStringList, QStringList>
        rows[] = {{"file missing parent", {}, file, "a/f", false, {}, {"a"}},
                  {"file dangling link", {"f>gone"}, file, "f", true, {}, {"gone"}},
                  {"file with parents", {}, withParents, "a/b/f", true, {"a/b/f"}, {}},
                  {"file under a file", {"f"}, withParents, "f/g", false, {"f"}, {}},
                  {"folder link to folder", linked, folder, "l", true, {"d/sub/x"}, {}},
                  {"folder to file", {}, folderTo, "a/b/f", true, {"a/b"}, {"a/b/f"}},
                  {"previous moved", {"old/x"}, renamed, "new", true, {"new/x"}, {"old"}},
                  {"path exists", {"old/x", "new/y"}, renamed, "new", false, {"new/y"}, {"new/x"}},
                  {"writable replaces file", {"f"}, writable, "f", true, {"f"}, {}},
                  {"remove link with slash", linked, remove, "l/", true, {"d/sub/x"}, {"l"}},
                  {"unlink folder", {"d/sub/x"}, unlinked, "d", false, {"d/sub/x"}, {}}};
    for (const auto &[row, setup, call, path, expected, present, absent] : rows) {
        QDir(dir.path()).removeRecursively();
        QDir().mkpath(dir.path());
        for (const QString &name : setup)
            name.contains('>') ? link(p(name.section('>', 1)), name.section('>', 0, 0))
                               : (void)put(name);
        EXPECT_EQ(call(p(path)), expected) << row;
        for (const QString &name : present)
            EXPECT_TRUE(there(name)) << row << " " << name.toStdString();
        for (const QString &name : absent)
            EXPECT_FALSE(there(name)) << row << " " << name.toStdString();
    }
}

TEST_F(FileOperationsTest, CopyAndMoveRefuseAndExplain) {
    put("a/f", "1");
    put("b", "2");
    link("f", "a/l");
    using Op = bool (*)(const QString &, const QString &, QString *);
    const std::tuple<Op, const char *, const char *, bool> rows[] = {{copyPath, "a", "c", true},
                                                                     {copyPath, "a", "b", false},
                                                                     {copyPath, "a", "a/in", false},
                                                                     {movePath, "c", "m", true}};
    for (const auto &[op, from, to, ok] : rows) {
        QString error = "stale";
        EXPECT_EQ(op(p(from), p(to), &error), ok) << from << " " << to;
        EXPECT_EQ(error.isEmpty(), ok) << from << " " << to;
    }
    EXPECT_EQ(read("b") + read("m/f"), "21");
    EXPECT_EQ(QFileInfo(p("m/l")).symLinkTarget(), p("m/f"));
    EXPECT_FALSE(there("c") || there("a/in"));
    EXPECT_TRUE(renamePath(p("b"), "b2"));
    EXPECT_FALSE(renamePath(p("b2"), "..") || renamePath(p("b2"), "x/y"));
}

TEST_F(FileOperationsTest, WritesAndAppends) {
    put("target", "t");
    link(p("target"), "toTarget");
    link(p("gone"), "dangling");
    const std::tuple<QByteArray, const char *, Append, bool, QByteArray> rows[] = {
        {QByteArray(), "new", Append::No, false, "<missing>"},
        {"u", "toTarget", Append::Yes, true, "tu"},
        {"q", "dangling", Append::No, false, "<missing>"}};
    for (const auto &[data, name, append, ok, content] : rows) {
        EXPECT_EQ(writeData(data, p(name), append), ok) << name;
        EXPECT_EQ(read(name), content) << name;
    }
    EXPECT_FALSE(there("gone") || writeString("", p("s")));
    ASSERT_TRUE(createPathAndWriteObject(QVariantList{1}, p("x/y.plist")));
    EXPECT_EQ(propertyListFromData(read("x/y.plist")), QVariantList{1});
    // A failed flush or close is no success.
    EXPECT_FALSE(QFileInfo::exists("/dev/full")
                 && writeData(QByteArray(1 << 16, 'x'), "/dev/full"));
}

TEST_F(FileOperationsTest, MirrorsInBothModes) {
    // An older copy is always replaced, one as new only when overwriting.
    for (const auto &[mode, same] : {std::pair{Overwrite::No, "dst"}, {Overwrite::Yes, "src"}}) {
        ASSERT_TRUE(removePath(p("s")) && removePath(p("d")));
        for (const char *name : {"s/older", "s/sub/same", "s/only/x"})
            put(name, "src");
        for (const char *name : {"d/older", "d/sub/same", "d/extra"})
            put(name, "dst");
        for (const char *name : {"s/older", "s/sub/same", "d/sub/same"})
            setAge(name, 100);
        setAge("d/older", 200);
        EXPECT_TRUE(updatePath(p("s"), p("d"), mode, HideExtensions::Yes));
        EXPECT_EQ(read("d/older") + read("d/sub/same"), "src" + QByteArray(same));
        EXPECT_EQ(read("d/only/x") + read("d/extra"), "srcdst");
    }
    EXPECT_FALSE(updatePath(p("s"), p("nowhere")) || updatePath(p("missing"), p("d")));
}

TEST_F(FileOperationsTest, RemovesListedFilesUpToNull) {
    LogCapture log;
    for (const char *name : {"a", "b/c", "d", "keep"})
        put(name);
    directory(p("b"), {"c", "missing"});
    directory(p(""), {"a", "", ".", "../x", "./", QString(), "d"});
    EXPECT_EQ(log.lines(), (QStringList{"Removed: " + p("b/c"), "Removed: " + p("a")}));
    EXPECT_TRUE(there("d") && there("keep") && there("b"));
}
