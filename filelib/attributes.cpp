#include "attributes.h"

#include "pathcomponents.h"

#include <QFile>
#include <QStorageInfo>

#include <fcntl.h>
#include <grp.h>
#include <linux/fs.h>
#include <pwd.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <vector>

namespace filelib {

namespace {

constexpr mode_t ExecuteBits = 0111;
constexpr mode_t OwnerReadWrite = 0600;
constexpr mode_t WriteBits = 0222;

// A NUL would cut the path short in every system call, so such a path names nothing.
std::optional<QByteArray> nativeName(const QString &path) {
    if (path.isEmpty() || path.contains(QChar(0)))
        return std::nullopt;
    return QFile::encodeName(path);
}

std::optional<struct stat> statOf(const QString &path, bool follow) {
    const auto name = nativeName(path);
    struct stat st;
    if (!name || (follow ? ::stat(name->constData(), &st) : ::lstat(name->constData(), &st)) != 0)
        return std::nullopt;
    return st;
}

std::optional<struct statx> statxOf(const QString &path, bool follow, unsigned mask) {
    const auto name = nativeName(path);
    struct statx stx;
    if (!name
        || ::statx(AT_FDCWD, name->constData(), follow ? 0 : AT_SYMLINK_NOFOLLOW, mask, &stx) != 0)
        return std::nullopt;
    return stx;
}

QDateTime dateOf(const struct statx_timestamp &t) {
    return QDateTime::fromMSecsSinceEpoch(qint64(t.tv_sec) * 1000 + t.tv_nsec / 1000000);
}

QString accountName(uid_t uid) {
    std::vector<char> buffer(16384);
    struct passwd entry, *found = nullptr;
    if (::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) != 0 || !found)
        return {};
    return QFile::decodeName(found->pw_name);
}

QString groupName(gid_t gid) {
    std::vector<char> buffer(16384);
    struct group entry, *found = nullptr;
    if (::getgrgid_r(gid, &entry, buffer.data(), buffer.size(), &found) != 0 || !found)
        return {};
    return QFile::decodeName(found->gr_name);
}

// Opening a device or a FIFO can have effects of its own, and only files and folders carry
// the flags anyway.
int openForFlags(const QString &path) {
    const auto st = statOf(path, true);
    if (!st || !(S_ISREG(st->st_mode) || S_ISDIR(st->st_mode)))
        return -1;
    return ::open(nativeName(path)->constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
}

std::optional<bool> immutableFlag(const QString &path) {
    // statx needs no open file, so it also reads items we may not open.
    if (const auto stx = statxOf(path, true, STATX_TYPE)) {
        if (stx->stx_attributes_mask & STATX_ATTR_IMMUTABLE)
            return (stx->stx_attributes & STATX_ATTR_IMMUTABLE) != 0;
    }
    const int fd = openForFlags(path);
    if (fd < 0)
        return std::nullopt;
    int flags = 0;
    const bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    ::close(fd);
    if (!ok)
        return std::nullopt;
    return (flags & FS_IMMUTABLE_FL) != 0;
}

bool setImmutableFlag(const QString &path, bool on) {
    const int fd = openForFlags(path);
    if (fd < 0)
        return false;
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (ok && bool(flags & FS_IMMUTABLE_FL) != on) {
        flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
        ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return ok;
}

bool setBits(const QString &path, mode_t bits) {
    const auto name = nativeName(path);
    return name && ::chmod(name->constData(), bits) == 0;
}

QStorageInfo storageOf(const QString &path) {
    if (!nativeName(path) || !statOf(path, false))
        return {};
    QStorageInfo info(path);
    return info.isValid() ? info : QStorageInfo();
}

bool fail(QString *error, const QString &reason) {
    if (error)
        *error = reason;
    return false;
}

QString errnoText(int code) {
    return QString::fromLocal8Bit(std::strerror(code));
}

bool setTimes(const QString &path, const QDateTime &modification) {
    const auto name = nativeName(path);
    if (!name || !modification.isValid())
        return false;
    const qint64 ms = modification.toMSecsSinceEpoch();
    // Floor division, so dates before 1970 keep a non-negative nanosecond part.
    const qint64 seconds = ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000);
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = time_t(seconds);
    times[1].tv_nsec = long(ms - seconds * 1000) * 1000000;
    return ::utimensat(AT_FDCWD, name->constData(), times, AT_SYMLINK_NOFOLLOW) == 0;
}

} // namespace

QVariantMap permissionsAtPath(const QString &path, Executable executable) {
    const auto st = statOf(path, true);
    if (!st)
        return {};
    QVariantMap summary;
    if (const QString owner = accountName(st->st_uid); !owner.isNull())
        summary.insert(FileOwnerAccountName, owner);
    if (const QString group = groupName(st->st_gid); !group.isNull())
        summary.insert(FileGroupOwnerAccountName, group);
    summary.insert(FileOwnerAccountID, uint(st->st_uid));
    summary.insert(FileGroupOwnerAccountID, uint(st->st_gid));
    mode_t bits = st->st_mode & 07777;
    if (executable == Executable::No)
        bits &= ~ExecuteBits;
    summary.insert(FilePosixPermissions, int(bits));
    return summary;
}

QVariantMap permissionsAtPathByDeletingLastPathComponent(const QString &path,
                                                         Executable executable) {
    return permissionsAtPath(stringByDeletingLastPathComponent(path), executable);
}

bool isVolumeMountedAtPath(const QString &path) {
    if (!path.startsWith(u"/Volumes/"))
        return true;
    QStringList components = pathComponents(path);
    // A trailing "/" is no volume name: "/Volumes/" alone names no volume.
    if (components.size() > 1 && components.last() == u"/")
        components.removeLast();
    if (components.size() < 3)
        return true;
    return statOf(QStringLiteral("/Volumes/") + components[2], true).has_value();
}

QString resolveAlias(const QString &path, WithoutUI, bool *isDirectory) {
    if (isDirectory)
        *isDirectory = false;
    if (path.isEmpty())
        return path;
    if (isDirectory) {
        const auto st = statOf(path, false);
        *isDirectory = st && S_ISDIR(st->st_mode);
    }
    return path;
}

bool isAliasFileAtPath(const QString &) {
    return false;
}

bool isSymbolicLinkAtPath(const QString &path) {
    const auto st = statOf(path, false);
    return st && S_ISLNK(st->st_mode);
}

bool isDirectoryAtPath(const QString &path) {
    const auto st = statOf(path, true);
    return st && S_ISDIR(st->st_mode);
}

std::uint32_t getFlagsAtPath(const QString &) {
    return 0;
}

QVariant getResourceValueForKey(QAnyStringView key, const QString &path, QString *error) {
    if (error)
        error->clear();
    if (!nativeName(path)) {
        fail(error, QStringLiteral("No file at an empty path"));
        return {};
    }
    const auto stx = statxOf(path, false, STATX_BASIC_STATS | STATX_BTIME);
    if (!stx) {
        fail(error, errnoText(errno));
        return {};
    }
    const bool isLink = S_ISLNK(stx->stx_mode);
    if (key == URLIsAliasFileKey)
        return false;
    if (key == URLIsSymbolicLinkKey)
        return isLink;
    if (key == URLIsDirectoryKey)
        return S_ISDIR(stx->stx_mode);
    if (key == URLCreationDateKey) {
        if (stx->stx_mask & STATX_BTIME)
            return dateOf(stx->stx_btime);
        fail(error, QStringLiteral("The file system records no creation date"));
        return {};
    }
    if (key == URLContentModificationDateKey)
        return dateOf(stx->stx_mtime);
    if (key == URLAttributeModificationDateKey)
        return dateOf(stx->stx_ctime);
    if (key == URLLabelNumberKey)
        return 0;
    if (key == URLIsUserImmutableKey)
        return isFileImmutableAtPath(path);
    if (key == URLVolumeNameKey || key == URLVolumeLocalizedNameKey) {
        const QStorageInfo storage = storageOf(path);
        if (!storage.isValid()) {
            fail(error, QStringLiteral("No volume holds the item"));
            return {};
        }
        if (key == URLVolumeLocalizedNameKey)
            return storage.displayName();
        // An unlabelled file system has the empty name; null is kept for "no volume".
        const QString name = storage.name();
        return name.isNull() ? QStringLiteral("") : name;
    }
    fail(error, QStringLiteral("Unknown resource key ") + key.toString());
    return {};
}

bool getBoolValueForKey(QAnyStringView key, const QString &path, QString *error) {
    return getResourceValueForKey(key, path, error).toBool();
}

QDateTime fileCreationDateAtPath(const QString &path) {
    return getResourceValueForKey(URLCreationDateKey, path).toDateTime();
}

QDateTime fileModificationDateAtPath(const QString &path) {
    return getResourceValueForKey(URLContentModificationDateKey, path).toDateTime();
}

QDateTime fileAttributeModificationDateAtPath(const QString &path) {
    return getResourceValueForKey(URLAttributeModificationDateKey, path).toDateTime();
}

bool setFileCreationDate(const QDateTime &, const QString &) {
    return false;
}

bool setFileModificationDate(const QDateTime &date, const QString &path) {
    return setTimes(path, date);
}

bool setFileCreationDate(const QDateTime &creationDate, const QDateTime &modificationDate,
                         const QString &path) {
    if (!creationDate.isValid() && !modificationDate.isValid())
        return false;
    // What can be set is, even when the birth time (which Linux never lets one set) makes the
    // answer false.
    const bool modified = !modificationDate.isValid() || setTimes(path, modificationDate);
    return modified && !creationDate.isValid();
}

std::uint64_t freeDiskSpaceAtPath(const QString &path) {
    const auto name = nativeName(path);
    struct statvfs fs;
    if (!name || ::statvfs(name->constData(), &fs) != 0)
        return 0;
    return std::uint64_t(fs.f_bavail) * fs.f_frsize;
}

QString volumeNameAtPath(const QString &path) {
    return getResourceValueForKey(URLVolumeNameKey, path).toString();
}

QString localizedVolumeNameAtPath(const QString &path) {
    return getResourceValueForKey(URLVolumeLocalizedNameKey, path).toString();
}

std::uint32_t fileHFSTypeCodeAtPath(const QString &) {
    return 0;
}

bool setFileHFSTypeCode(std::uint32_t, const QString &) {
    return false;
}

int finderLabelAtPath(const QString &) {
    return 0;
}

bool setFinderLabel(int, const QString &) {
    return false;
}

bool isFileLockedAtPath(const QString &path) {
    const auto st = statOf(path, true);
    if (!st)
        return false;
    return immutableFlag(path).value_or(false) || (st->st_mode & OwnerReadWrite) != OwnerReadWrite;
}

bool setFileLocked(bool locked, const QString &path) {
    const auto st = statOf(path, true);
    if (!st)
        return false;
    const bool wasImmutable = immutableFlag(path).value_or(false);
    const mode_t bits = st->st_mode & 07777;
    const mode_t wanted = locked ? bits & ~WriteBits : bits | OwnerReadWrite;
    if (bits != wanted) {
        // An immutable item refuses chmod, so the flag comes off first.
        if (wasImmutable && !setImmutableFlag(path, false))
            return false;
        if (!setBits(path, wanted)) {
            if (wasImmutable)
                setImmutableFlag(path, true);
            return false;
        }
    }
    // The flag needs a privilege most users lack; without it the cleared bits are the lock.
    if (locked) {
        setImmutableFlag(path, true);
        return true;
    }
    return !wasImmutable || bits != wanted || setImmutableFlag(path, false);
}

bool addUserReadWritePermissionsAtPath(const QString &path) {
    const auto st = statOf(path, true);
    if (!st)
        return false;
    const mode_t bits = st->st_mode & 07777;
    return (bits & OwnerReadWrite) == OwnerReadWrite || setBits(path, bits | OwnerReadWrite);
}

bool isFileImmutableAtPath(const QString &path) {
    return immutableFlag(path).value_or(false);
}

bool setFileImmutable(bool immutable, const QString &path) {
    const auto current = immutableFlag(path);
    if (current == immutable)
        return true;
    return setImmutableFlag(path, immutable);
}

} // namespace filelib
