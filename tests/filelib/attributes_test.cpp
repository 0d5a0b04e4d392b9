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

mode_t bitsOf(const QString &path) {
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : 0;
}

struct AttributesTest : TempFolderTest {
    // An immutable entry would outlive the temporary folder.
    void TearDown() override {
        for (const QString &name :
             QDir(dir.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot))
            kernelFlags(p(name), 0);
    }
    // A fresh file each time, as a read-only one could not be opened again.
    QString putMode(const QString &name, mode_t mode = 0644) {
        QFile::remove(p(name));
        ::chmod(QFile::encodeName(put(name, "")).constData(), mode);
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
    ::mkdir(QFile::encodeName(p("d")).constData(), 0751);
    EXPECT_EQ(permissionsAtPathByDeletingLastPathComponent(p("d/x")).value(FilePosixPermissions),
              0640);
}

TEST_F(AttributesTest, KindsOfItemsAndResourceValues) {
    const QString f = put("f");
    QDir().mkdir(p("d"));
    QFile::link(p("d"), p("toDir"));
    QFile::link(p("gone"), p("dangling"));
    // path, a directory (through links), a link, itself a directory
    const std::tuple<QString, bool, bool, bool> rows[] = {{p("d/"), true, false, true},
                                                          {p("toDir"), true, true, false},
                                                          {p("dangling"), false, true, false},
                                                          {p("d") + QChar(0), false, false, false}};
    for (const auto &[path, directory, link, itself] : rows)
        EXPECT_EQ(std::tuple(isDirectoryAtPath(path), isSymbolicLinkAtPath(path),
                             getBoolValueForKey(URLIsDirectoryKey, path)),
                  std::tuple(directory, link, itself))
            << path.toStdString();
    QString error;
    EXPECT_EQ(getResourceValueForKey(URLVolumeNameKey, f), QStorageInfo(f).name());
    EXPECT_FALSE(getResourceValueForKey(QLatin1StringView("NSURLFileSizeKey"), f, &error).isValid()
                 || error.isEmpty());
    EXPECT_TRUE(freeDiskSpaceAtPath(f) > 0 && !freeDiskSpaceAtPath(p("gone")));
    EXPECT_TRUE(localizedVolumeNameAtPath(f + QChar(0)).isNull());
    // Only below /Volumes is a missing volume unmounted.
    EXPECT_TRUE(isVolumeMountedAtPath("/volumes/X") && !isVolumeMountedAtPath("/Volumes/no-such/"));
}

TEST_F(AttributesTest, Dates) {
    const QString f = put("f");
    const QDateTime kept = fileModificationDateAtPath(f), later = kept.addDays(1);
    EXPECT_FALSE(setFileModificationDate(QDateTime(), f)
                 || setFileCreationDate(later, QDateTime(), f));
    EXPECT_TRUE(setFileCreationDate(QDateTime(), later, f));
    EXPECT_EQ(fileModificationDateAtPath(f), later);
    // The birth time cannot be set, so the answer is false; the modification date is set still.
    EXPECT_FALSE(setFileCreationDate(later, kept, f));
    EXPECT_EQ(fileModificationDateAtPath(f), kept);
    EXPECT_TRUE(fileCreationDateAtPath(p("gone")).isNull());
}

TEST_F(AttributesTest, LockedByBits) {
    for (const auto &[mode, locked] : {std::pair{0644, false}, {0444, true}})
        EXPECT_EQ(isFileLockedAtPath(putMode("f", mode)), locked) << std::oct << mode;
    EXPECT_TRUE(addUserReadWritePermissionsAtPath(putMode("f", 0055)));
    EXPECT_EQ(bitsOf(p("f")), 0655u);
    EXPECT_FALSE(isFileLockedAtPath(p("gone")) || addUserReadWritePermissionsAtPath(p("gone")));
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
    EXPECT_FALSE(setFileImmutable(true, p("gone")) || isFileImmutableAtPath(p("gone")));
    if (kernelFlags(p("d"), 1) < 0 || kernelFlags(p("d"), 0) < 0) {
        // Without the privilege (or flags on this file system) the bits alone make the lock.
        EXPECT_FALSE(setFileImmutable(true, f));
        EXPECT_TRUE(setFileLocked(true, f));
        EXPECT_EQ(bitsOf(f), 0444u);
        GTEST_SKIP() << "the immutable flag cannot be set here";
    }
    EXPECT_TRUE(setFileImmutable(true, f));
    EXPECT_EQ((std::array{bool(kernelFlags(f) & FS_IMMUTABLE_FL), isFileImmutableAtPath(f),
                          getBoolValueForKey(URLIsUserImmutableKey, f),
                          isFileLockedAtPath(f)}), // bits 0644, but immutable
              (std::array{true, true, true, true}));
    EXPECT_TRUE(setFileImmutable(false, f));
    const std::tuple<const char *, bool, mode_t, mode_t> rows[] = {
        {"f", true, 0666, 0444},
        {"f", false, 0444, 0644},
        {"l", true, 0664, 0444}}; // through the link, the target
    for (const auto &[name, locked, before, after] : rows) {
        ::chmod(QFile::encodeName(p(name)).constData(), before);
        for (int twice = 0; twice < 2; ++twice) {
            EXPECT_TRUE(setFileLocked(locked, p(name))) << name << locked;
            EXPECT_EQ(std::tuple(bitsOf(p(name)), bool(kernelFlags(p(name)) & FS_IMMUTABLE_FL),
                                 isFileLockedAtPath(p(name))),
                      std::tuple(after, locked, locked))
                << name << locked;
        }
    }
    // An immutable item refuses chmod, so adding owner bits waits for unlocking.
    EXPECT_FALSE(addUserReadWritePermissionsAtPath(p("l")));
}
