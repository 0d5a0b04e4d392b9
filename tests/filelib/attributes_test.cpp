#include "filelib/attributes.h"

#include "filetesting.h"

#include <QStorageInfo>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <tuple>

using namespace filelib;

namespace {

// The kernel's flags through an open file, after setting the immutable one when asked (0 or
// 1); -1 on failure. Independent of the code under test.
int kernelFlags(const QString &path, int immutable = -1) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK);
    int flags = -1;
    if (fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 && immutable >= 0) {
        flags = immutable ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
        flags = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0 ? flags : -1;
    }
    if (fd >= 0)
        ::close(fd);
    return flags;
}

bool kernelImmutable(const QString &path) {
    return kernelFlags(path) & FS_IMMUTABLE_FL;
}

mode_t bitsOf(const QString &path) {
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : 0;
}

void chmodTo(const QString &path, mode_t mode) {
    ::chmod(QFile::encodeName(path).constData(), mode);
}

const QString nul = QString(QChar(0));

class AttributesTest : public TempFolderTest {
public:
    // An immutable entry would outlive the temporary folder.
    void TearDown() override {
        for (const QString &name :
             QDir(dir.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot))
            kernelFlags(p(name), 0);
    }
    // A fresh file each time, as a read-only one could not be opened again.
    QString putMode(const QString &name, mode_t mode = 0644) {
        QFile::remove(p(name));
        chmodTo(put(name, ""), mode);
        return p(name);
    }
};

TEST_F(AttributesTest, PermissionSummary) {
    const std::tuple<mode_t, Executable, int> rows[] = {{0755, Executable::Yes, 0755},
                                                        {04751, Executable::No, 04640}};
    for (const auto &[mode, executable, expected] : rows)
        EXPECT_EQ(permissionsAtPath(putMode("f", mode), executable).value(FilePosixPermissions),
                  expected)
            << std::oct << mode;
    const QVariantMap summary = permissionsAtPath(p("f"));
    EXPECT_EQ(
        (QVariantList{summary.value(FileOwnerAccountID), summary.value(FileGroupOwnerAccountID),
                      summary.value(FileOwnerAccountName)}),
        (QVariantList{::geteuid(), ::getegid(), QFileInfo(p("f")).owner()}));
    ::mkdir(QFile::encodeName(p("d")).constData(), 0751);
    putMode("d/x", 0600);
    EXPECT_EQ(permissionsAtPathByDeletingLastPathComponent(p("d/x")).value(FilePosixPermissions),
              0640);
    // A link has no bits of its own on Linux: its target's count.
    ASSERT_TRUE(QFile::link(p("d/x"), p("l")));
    EXPECT_EQ(permissionsAtPath(p("l"), Executable::Yes).value(FilePosixPermissions), 0600);
    EXPECT_TRUE(permissionsAtPath(p("gone")).isEmpty()
                && permissionsAtPath(p("d") + nul + "x").isEmpty());
    EXPECT_TRUE(permissionsAtPathByDeletingLastPathComponent("bare").isEmpty());
}

TEST(AttributesVolumes, OnlyVolumesFoldersAreChecked) {
    if (QFileInfo::exists("/Volumes"))
        GTEST_SKIP() << "this machine has a /Volumes folder";
    const std::pair<const char *, bool> rows[] = {
        {nullptr, true}, {"/Volumes/", true}, {"/volumes/X/a", true}, {"/Volumes//X/a/", false}};
    for (const auto &[path, expected] : rows)
        EXPECT_EQ(isVolumeMountedAtPath(path ? QString(path) : QString()), expected) << path;
}

TEST_F(AttributesTest, KindsOfItemsAndResourceValues) {
    const QString f = put("f");
    QDir().mkdir(p("d"));
    QFile::link(p("d"), p("toDir"));
    QFile::link(p("gone"), p("dangling"));
    const std::tuple<QString, bool, bool, bool> rows[] = {
        // path, directory, link, itself a directory
        {f, false, false, false},
        {p("d/"), true, false, true},
        {p("toDir"), true, true, false},
        {p("dangling"), false, true, false},
        {p("d") + nul, false, false, false}};
    for (const auto &[path, directory, link, itselfDirectory] : rows) {
        EXPECT_EQ(isDirectoryAtPath(path), directory) << path.toStdString();
        EXPECT_EQ(isSymbolicLinkAtPath(path), link) << path.toStdString();
        bool isDirectory = !itselfDirectory;
        EXPECT_EQ(resolveAlias(path, WithoutUI::Yes, &isDirectory).constData(), path.constData());
        EXPECT_EQ(std::pair(isDirectory, getBoolValueForKey(URLIsDirectoryKey, path)),
                  std::pair(itselfDirectory, itselfDirectory))
            << path.toStdString();
    }
    const std::pair<QLatin1StringView, QVariant> values[] = {
        {URLIsAliasFileKey, false},
        {URLLabelNumberKey, 0},
        {URLVolumeNameKey, QStorageInfo(f).name()},
        {QLatin1StringView("NSURLFileSizeKey"), {}}};
    for (const auto &[key, expected] : values) {
        QString error = "stale";
        EXPECT_EQ(getResourceValueForKey(key, f, &error), expected) << key.data();
        EXPECT_EQ(error.isEmpty(), expected.isValid()) << key.data();
        EXPECT_FALSE(getResourceValueForKey(key, p("gone"), &error).isValid());
        EXPECT_FALSE(error.isEmpty());
    }
    EXPECT_EQ(localizedVolumeNameAtPath(f), QStorageInfo(f).displayName());
    EXPECT_TRUE(freeDiskSpaceAtPath(f) > 0 && !freeDiskSpaceAtPath(p("gone")));
    EXPECT_TRUE(localizedVolumeNameAtPath(f + nul).isNull());
    // Linux keeps no launch-services flags, type codes or labels.
    EXPECT_EQ(getFlagsAtPath(f) + fileHFSTypeCodeAtPath(f) + finderLabelAtPath(f), 0u);
    EXPECT_FALSE(setFileHFSTypeCode(0x54455854, f) || setFinderLabel(2, f));
}

TEST_F(AttributesTest, Dates) {
    const QString f = put("f");
    const QDateTime date(QDate(2001, 2, 3), QTime(4, 5, 6, 789), Qt::UTC);
    EXPECT_TRUE(setFileModificationDate(date, f));
    EXPECT_EQ(QFileInfo(f).lastModified(), date);
    const QDateTime kept = fileModificationDateAtPath(f), later = kept.addDays(1);
    EXPECT_FALSE(setFileModificationDate(QDateTime(), f)
                 || setFileModificationDate(later, p("gone"))
                 || setFileCreationDate(QDateTime(), QDateTime(), f)
                 || setFileCreationDate(later, QDateTime(), f));
    EXPECT_EQ(fileModificationDateAtPath(f), kept);
    EXPECT_TRUE(setFileCreationDate(QDateTime(), later, f));
    EXPECT_EQ(fileModificationDateAtPath(f), later);
    // The birth time cannot be set, so the answer is false; the modification date is set still.
    EXPECT_FALSE(setFileCreationDate(later, kept, f));
    EXPECT_EQ(fileModificationDateAtPath(f), kept);
    const QDateTime before = QDateTime::currentDateTime().addSecs(-2);
    chmodTo(f, 0640);
    EXPECT_GE(fileAttributeModificationDateAtPath(f), before);
    EXPECT_TRUE(fileCreationDateAtPath(p("gone")).isNull()
                && fileModificationDateAtPath(QString()).isNull()
                && fileAttributeModificationDateAtPath(p("gone")).isNull());
}

TEST_F(AttributesTest, LockedByBits) {
    for (const auto &[mode, locked] : {std::pair{0644, false}, {0444, true}, {0200, true}})
        EXPECT_EQ(isFileLockedAtPath(putMode("f", mode)), locked) << std::oct << mode;
    EXPECT_TRUE(addUserReadWritePermissionsAtPath(putMode("f", 0055)));
    EXPECT_EQ(bitsOf(p("f")), 0655u);
    EXPECT_FALSE(isFileLockedAtPath(p("gone")) || addUserReadWritePermissionsAtPath(p("gone"))
                 || addUserReadWritePermissionsAtPath(""));
}

TEST_F(AttributesTest, LockingAndImmutability) {
    const QString f = putMode("f", 0644);
    QDir().mkdir(p("d"));
    QFile::link(f, p("l"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(p("fifo")).constData(), 0644), 0);
    // Already as wanted: nothing to change, so no privilege is needed either.
    EXPECT_TRUE(setFileImmutable(false, f) && setFileLocked(false, f));
    EXPECT_EQ(bitsOf(f), 0644u);
    EXPECT_FALSE(setFileImmutable(true, p("fifo"))); // only files and folders carry flags
    EXPECT_FALSE(setFileImmutable(true, p("gone")) || setFileLocked(false, p("gone"))
                 || isFileImmutableAtPath(p("gone")));
    if (kernelFlags(p("d"), 1) < 0 || kernelFlags(p("d"), 0) < 0) {
        // Without the privilege (or flags on this file system) the bits alone make the lock.
        EXPECT_FALSE(setFileImmutable(true, f));
        EXPECT_TRUE(setFileLocked(true, f));
        EXPECT_EQ(bitsOf(f), 0444u);
        GTEST_SKIP() << "the immutable flag cannot be set here";
    }
    EXPECT_TRUE(setFileImmutable(true, f));
    EXPECT_EQ((std::array{kernelImmutable(f), isFileImmutableAtPath(f),
                          getBoolValueForKey(URLIsUserImmutableKey, f),
                          isFileLockedAtPath(f)}), // bits 0644, but immutable
              (std::array{true, true, true, true}));
    EXPECT_TRUE(setFileImmutable(true, f) && setFileImmutable(false, f));
    EXPECT_FALSE(kernelImmutable(f));
    const std::tuple<const char *, bool, mode_t, mode_t> rows[] = {
        {"f", true, 0666, 0444},
        {"f", false, 0444, 0644},
        {"d", true, 0755, 0555},
        {"l", true, 0664, 0444}}; // through the link, the target
    for (const auto &[name, locked, before, after] : rows) {
        chmodTo(p(name), before);
        for (int twice = 0; twice < 2; ++twice) {
            EXPECT_TRUE(setFileLocked(locked, p(name))) << name << locked;
            EXPECT_EQ(
                std::tuple(bitsOf(p(name)), kernelImmutable(p(name)), isFileLockedAtPath(p(name))),
                std::tuple(after, locked, locked))
                << name << locked;
        }
    }
    EXPECT_FALSE(QFile(p("d/new")).open(QIODevice::WriteOnly));
    // An immutable item refuses chmod, so adding owner bits waits for unlocking.
    EXPECT_FALSE(addUserReadWritePermissionsAtPath(p("l")));
    EXPECT_TRUE(setFileLocked(false, p("d")));
    EXPECT_EQ(bitsOf(p("d")), 0755u);
}

// Most users may not set the immutable flag: clearing the write bits is the lock then.
TEST_F(AttributesTest, LockingAsUser) {
    if (runAsNobody())
        return;
    QDir().mkdir(p("d"));
    put("f");
    const std::tuple<const char *, bool, mode_t, mode_t> rows[] = {
        {"f", true, 0666, 0444}, {"f", false, 0000, 0600}, {"d", false, 0555, 0755}};
    for (const auto &[name, locked, before, after] : rows) {
        chmodTo(p(name), before);
        for (int twice = 0; twice < 2; ++twice) {
            EXPECT_TRUE(setFileLocked(locked, p(name))) << name << locked;
            EXPECT_EQ(std::tuple(bitsOf(p(name)), isFileLockedAtPath(p(name))),
                      std::tuple(after, locked))
                << name << locked;
        }
    }
    EXPECT_FALSE(kernelImmutable(p("f")) || kernelImmutable(p("d")));
    EXPECT_FALSE(setFileImmutable(true, p("f")) || setFileLocked(true, p("gone")));
}

} // namespace
