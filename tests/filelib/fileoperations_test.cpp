#include "filelib/fileoperations.h"
#include "filelib/propertylist.h"

#include "filetesting.h"

#include <QDirIterator>
#include <QPoint>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

using namespace filelib;

namespace {

class FileOperationsTest : public TempFolderTest {
public:
    void TearDown() override {
        // Undo read-only folders so the temporary folder can go.
        QDirIterator it(dir.path(), QDir::Dirs | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            QFile::setPermissions(it.next(), QFileDevice::Permissions(0x7700));
    }
    void link(const QString &target, const QString &name) {
        ASSERT_TRUE(QFile::link(target, p(name)));
    }
    void setAge(const QString &name, int seconds) {
        namespace fs = std::filesystem;
        fs::last_write_time(p(name).toStdString(),
                            fs::file_time_type::clock::now() - std::chrono::seconds(seconds));
    }
    LogCapture log;
    const QStringList &logged = LogCapture::lines();
};

// Each row prepares the folder, runs one call on a path inside it (or the raw path when it
// starts with "!"), and states the answer and which names must (not) exist afterwards.
TEST_F(FileOperationsTest, CreationAndRemoval) {
    using T = FileOperationsTest;
    using S = const QString &;
    const auto file = [](S s) { return createFile(s); };
    const auto withParents = [](S s) { return createPathAndFile(s); };
    const auto folder = [](S s) { return createPath(s); };
    const auto folderTo = [](S s) { return createPathToFile(s); };
    const auto renamed = [](S s) { return createPath(s, QFileInfo(s).path() + "/old"); };
    const auto writable = [](S s) { return createWritableTemporaryPath(s); };
    const auto remove = [](S s) { return removePath(s); };
    const auto unlinked = [](S s) { return unlinkFileAtPath(s); };
    const auto aFile = [](T &t) { t.put("f", "keep"); };
    const auto aFolder = [](T &t) { t.put("d/sub/x"); };
    const auto old = [](T &t) { t.put("old/x"); };
    const auto dangling = [](T &t) { t.link(t.p("gone"), "f"); };
    const auto linked = [](T &t) { t.put("d/sub/x"), t.link(t.p("d"), "l"); };
    const auto bothThere = [](T &t) { t.put("old/x"), t.put("new/y"); };
    static const QByteArray tooLong(300, 'n');
    const struct {
        const char *name;
        std::function<void(T &)> setup;
        std::function<bool(S)> call;
        const char *path;
        bool expected;
        QStringList present, absent;
    } rows[] = {
        {"file missing parent", {}, file, "a/f", false, {}, {"a"}},
        {"file dangling link", dangling, file, "f", true, {}, {"gone"}},
        {"file name too long", {}, file, tooLong.constData(), false, {}, {}},
        {"file with parents", {}, withParents, "a/b/f", true, {"a/b/f"}, {}},
        {"file under a file", aFile, withParents, "f/g", false, {"f"}, {}},
        {"folder over file", aFile, folder, "f", false, {"f"}, {}},
        {"folder link to folder", linked, folder, "l", true, {"d/sub/x"}, {}},
        {"folder to file", {}, folderTo, "a/b/f", true, {"a/b"}, {"a/b/f"}},
        {"previous moved", old, renamed, "new", true, {"new/x"}, {"old"}},
        {"path exists", bothThere, renamed, "new", false, {"old/x", "new/y"}, {"new/x"}},
        {"writable replaces file", aFile, writable, "f", true, {"f"}, {}},
        {"remove missing", {}, remove, "nothing", true, {}, {}},
        {"remove empty", {}, remove, "!", false, {}, {}},
        {"remove link with slash", linked, remove, "l/", true, {"d/sub/x"}, {"l"}},
        {"unlink folder", aFolder, unlinked, "d", false, {"d/sub/x"}, {}},
    };
    for (const auto &r : rows) {
        QDir(dir.path()).removeRecursively();
        QDir().mkpath(dir.path());
        if (r.setup)
            r.setup(*this);
        const QString path =
            r.path[0] == '!' ? QString::fromUtf8(r.path + 1) : p(QString::fromUtf8(r.path));
        EXPECT_EQ(r.call(path), r.expected) << r.name;
        for (const QString &name : r.present)
            EXPECT_TRUE(there(name)) << r.name << " " << name.toStdString();
        for (const QString &name : r.absent)
            EXPECT_FALSE(there(name)) << r.name << " " << name.toStdString();
    }
}

TEST_F(FileOperationsTest, ExistingFileKeepsItsContentAndNulIsRefused) {
    put("f", "keep");
    EXPECT_TRUE(createFile(p("f")));
    EXPECT_FALSE(createPath(p("f")));
    for (const QString &bad : {QString::fromUtf8("f\0x", 3), QString::fromUtf8("n\0", 2)}) {
        EXPECT_FALSE(createFile(p(bad)) || createPath(p(bad)) || writeData("y", p(bad))
                     || removePath(p(bad)));
    }
    EXPECT_EQ(read("f"), "keep");
    EXPECT_FALSE(there("n"));
}

TEST_F(FileOperationsTest, NewFoldersGetTheGivenPermissions) {
    ASSERT_TRUE(createPath(p("a/b"), {QFileDevice::Permissions(0x7700)}));
    for (const char *name : {"a", "a/b"})
        EXPECT_EQ(QFile::permissions(p(name)) & 0x0077, 0) << name;
}

TEST_F(FileOperationsTest, WritesPropertyLists) {
    const QVariantMap object{{"n", qint64(-5)}, {"l", QVariantList{true}}};
    for (Atomically a : {Atomically::Yes, Atomically::No}) {
        ASSERT_TRUE(createPathAndWriteObject(object, p("x/y.plist"), a));
        EXPECT_EQ(propertyListFromData(read("x/y.plist")), object);
    }
    EXPECT_FALSE(createPathAndWriteObject(QVariant(), p("n/a")));
    EXPECT_FALSE(createPathAndWriteObject(QVariantList{QVariant::fromValue(QPoint())}, p("n/b")));
    EXPECT_FALSE(there("n"));
}

// The platform's copy and move keep every item's dates (nanoseconds, a link's own too);
// across file systems a move copies.
TEST_F(FileOperationsTest, CopyAndMoveKeepDates) {
    QTemporaryDir shm("/dev/shm/fileops-XXXXXX");
    constexpr struct timespec date = {981158706, 123456789};
    const auto setDate = [&](const QString &path) {
        const struct timespec times[2] = {date, date};
        return ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times,
                           AT_SYMLINK_NOFOLLOW)
               == 0;
    };
    const auto hasDate = [&](const QString &path) {
        struct stat st;
        return ::lstat(QFile::encodeName(path).constData(), &st) == 0
               && st.st_mtim.tv_sec == date.tv_sec && st.st_mtim.tv_nsec == date.tv_nsec;
    };
    const QStringList items{"f", "l", ""}; // the folder after its contents
    const std::pair<bool (*)(const QString &, const QString &, QString *), QString> rows[] = {
        {copyPath, p("copy")}, {movePath, shm.path() + "/moved"}};
    for (const auto &[op, to] : rows) {
        put("src/f");
        link("f", "src/l");
        for (const QString &item : items)
            ASSERT_TRUE(setDate(p("src/" + item)));
        ASSERT_TRUE(op(p("src"), to, nullptr)) << to.toStdString();
        for (const QString &item : items)
            EXPECT_TRUE(hasDate(to + "/" + item)) << to.toStdString() << " " << item.toStdString();
        removePath(p("src"));
    }
}

TEST_F(FileOperationsTest, CopyAndMoveRefuseAndExplain) {
    put("a/f", "1");
    put("b", "2");
    link("f", "a/l");
    const struct {
        bool (*op)(const QString &, const QString &, QString *);
        const char *from, *to;
        bool ok;
    } rows[] = {{copyPath, "a", "c", true},
                {copyPath, "a", "b", false},
                {copyPath, "a", "a/in", false},
                {movePath, "none", "x", false},
                {movePath, "c", "m", true}};
    for (const auto &r : rows) {
        QString error = "stale";
        EXPECT_EQ(r.op(p(r.from), p(r.to), &error), r.ok) << r.from << " " << r.to;
        EXPECT_EQ(error.isEmpty(), r.ok) << r.from << " " << r.to;
    }
    EXPECT_EQ(read("b"), "2");
    EXPECT_EQ(read("m/f"), "1");
    EXPECT_EQ(QFileInfo(p("m/l")).symLinkTarget(), p("m/f"));
    EXPECT_FALSE(there("c") || there("a/in"));
    EXPECT_FALSE(copyPath(QString(), p("x")) || movePath(p("b"), QString()));
    EXPECT_TRUE(renamePath(p("b"), "b2"));
    EXPECT_EQ(read("b2"), "2");
    EXPECT_FALSE(renamePath(p("b2"), "..") || renamePath(p("b2"), "x/y"));
}

TEST_F(FileOperationsTest, DeniedAsUser) {
    if (runAsNobody())
        return;
    put("ro/f");
    QFile::setPermissions(p("ro"), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    QString error;
    EXPECT_FALSE(removePath(p("ro/f"), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(there("ro/f"));
    EXPECT_EQ(logged, QStringList{"Couldn't remove path " + p("ro/f")});
    EXPECT_FALSE(writeData("y", p("ro/g")) || createPath(p("ro/sub")));
    // Inside a folder that may not be searched nothing can be seen, so nothing counts as there.
    put("closed/f");
    QFile::setPermissions(p("closed"), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    for (const char *name : {"closed/f", "closed/sub/g"})
        EXPECT_FALSE(createFile(p(name)) || createPathAndFile(p(name))) << name;
}

TEST_F(FileOperationsTest, WritesAndAppends) {
    put("old", "abc");
    put("target", "t");
    link(p("target"), "toTarget");
    link(p("gone"), "dangling");
    const std::tuple<QByteArray, const char *, Append, bool, QByteArray> rows[] = {
        {QByteArray(), "new", Append::No, false, "<missing>"},
        {"", "new", Append::No, true, ""},
        {"xy", "old", Append::No, true, "xy"},
        {"u", "toTarget", Append::Yes, true, "tu"},
        {"q", "dangling", Append::No, false, "<missing>"}};
    for (const auto &[data, name, append, ok, content] : rows) {
        EXPECT_EQ(writeData(data, p(name), append), ok) << name;
        EXPECT_EQ(read(name), content) << name;
    }
    EXPECT_FALSE(there("gone"));
    EXPECT_FALSE(writeString(QString(), p("s")) || writeString("", p("s")));
    EXPECT_TRUE(writeString(QStringLiteral(u"\u00E9\u20AC"), p("s")));
    EXPECT_EQ(read("s"), "\xC3\xA9\xE2\x82\xAC");
    // A failed flush or close is no success.
    if (QFileInfo::exists("/dev/full")) {
        EXPECT_FALSE(writeData(QByteArray(1 << 16, 'x'), "/dev/full"));
    }
}

TEST_F(FileOperationsTest, MirrorsInBothModes) {
    // An older copy is always replaced, one as new only when overwriting.
    for (const auto &[mode, same] : {std::pair{Overwrite::No, "dst"}, {Overwrite::Yes, "src"}}) {
        ASSERT_TRUE(removePath(p("s")) && removePath(p("d")));
        for (const char *name : {"s/older", "s/same", "s/sub/deep", "s/only/x"})
            put(name, "src");
        for (const char *name : {"d/older", "d/same", "d/sub/deep", "d/extra"})
            put(name, "dst");
        for (const char *name : {"s/older", "s/same", "s/sub/deep", "d/same"})
            setAge(name, 100);
        setAge("d/older", 200);
        setAge("d/sub/deep", 200);
        EXPECT_TRUE(updatePath(p("s"), p("d"), mode, HideExtensions::Yes));
        EXPECT_EQ(read("d/older") + read("d/same"), "src" + QByteArray(same));
        EXPECT_EQ(read("d/sub/deep") + read("d/only/x") + read("d/extra"), "srcsrcdst");
    }
    EXPECT_TRUE(logged.isEmpty());
    EXPECT_FALSE(updatePath(p("s"), p("nowhere")));
    EXPECT_TRUE(logged.value(0).startsWith("ERROR: Couldn't update path " + p("nowhere/")));
    EXPECT_FALSE(updatePath(p("missing"), p("d")) || updatePath(QString(), p("d")));
}

TEST_F(FileOperationsTest, RemovesListedFilesUpToNull) {
    for (const char *name : {"a", "b/c", "d", "keep"})
        put(name);
    directory(p("b"), {"c", "missing"});
    directory(p(""), {"a", "", ".", "../x", "./", QString(), "d"});
    EXPECT_EQ(logged, (QStringList{"Removed: " + p("b/c"), "Removed: " + p("a")}));
    EXPECT_TRUE(there("d") && there("keep") && there("b"));
}

TEST(FileOperationsLog, ExceptionLineLayout) {
    EXPECT_EQ(exceptionLogLine(u"op", u"C", u"std::bad_alloc", u"no memory", {"#0 a", "#1 b"}),
              "op (C): std::bad_alloc\nno memory\n#0 a\n#1 b");
}

} // namespace
