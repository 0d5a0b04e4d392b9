// Permissions, flags, dates and volume facts of files.
#pragma once

#include <QAnyStringView>
#include <QDateTime>
#include <QLatin1StringView>
#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <cstdint>

namespace filelib {

// Paths are used as given; a null or empty path, or one holding a NUL, names nothing.
//
// Linux keeps no permission bits or flags for a symbolic link itself (its bits always read
// 0777), so the permission, lock and immutable functions follow a link to its target. The
// resource values (link, folder, dates) describe the item itself, a link included.
//
// "Immutable" is the file system's immutable attribute (FS_IMMUTABLE_FL, as chattr +i sets it).
// Changing it needs CAP_LINUX_IMMUTABLE and a file system that keeps the flag (ext4, xfs,
// btrfs, recent tmpfs), and only regular files and folders carry it; where that fails
// setFileImmutable() answers false and changes nothing. "Locked" is foremost the lack of write
// permission, which any owner can give, with the immutable flag added where it can be.

// Keys of the permission summary, named after the classic attribute keys. Names are QString,
// identifiers uint, the permission bits an int (st_mode & 07777).
inline constexpr QLatin1StringView FileOwnerAccountName{"NSFileOwnerAccountName"};
inline constexpr QLatin1StringView FileGroupOwnerAccountName{"NSFileGroupOwnerAccountName"};
inline constexpr QLatin1StringView FileOwnerAccountID{"NSFileOwnerAccountID"};
inline constexpr QLatin1StringView FileGroupOwnerAccountID{"NSFileGroupOwnerAccountID"};
inline constexpr QLatin1StringView FilePosixPermissions{"NSFilePosixPermissions"};

// Resource value keys for getResourceValueForKey(). Linux has no alias files (false) and no labels
// (0); a creation date exists only where the file system records a birth time.
inline constexpr QLatin1StringView URLIsAliasFileKey{"NSURLIsAliasFileKey"};
inline constexpr QLatin1StringView URLIsSymbolicLinkKey{"NSURLIsSymbolicLinkKey"};
inline constexpr QLatin1StringView URLIsDirectoryKey{"NSURLIsDirectoryKey"};
inline constexpr QLatin1StringView URLCreationDateKey{"NSURLCreationDateKey"};
inline constexpr QLatin1StringView URLContentModificationDateKey{"NSURLContentModificationDateKey"};
inline constexpr QLatin1StringView URLAttributeModificationDateKey{
    "NSURLAttributeModificationDateKey"};
inline constexpr QLatin1StringView URLLabelNumberKey{"NSURLLabelNumberKey"};
inline constexpr QLatin1StringView URLIsUserImmutableKey{"NSURLIsUserImmutableKey"};
inline constexpr QLatin1StringView URLVolumeNameKey{"NSURLVolumeNameKey"};
inline constexpr QLatin1StringView URLVolumeLocalizedNameKey{"NSURLVolumeLocalizedNameKey"};

enum class Executable : bool { No, Yes };
/// Alias resolution would not ask the user or mount volumes; Linux has no aliases to resolve.
enum class WithoutUI : bool { No, Yes };

/// The permission summary: owner and group (names only when the account databases know them),
/// their identifiers and the permission bits, without 0111 unless executable. Empty when the
/// item cannot be read, so an empty map means absent.
QVariantMap permissionsAtPath(const QString &path, Executable executable = Executable::No);
/// permissionsAtPath() of the path's parent (stringByDeletingLastPathComponent): empty for a
/// bare name, whose parent "" names nothing.
QVariantMap permissionsAtPathByDeletingLastPathComponent(const QString &path,
                                                         Executable executable = Executable::No);

/// For "/Volumes/<name>..." whether /Volumes/<name> exists; true for every other path, "/Volumes"
/// and "/Volumes/" included. Mounts under /media and /run/media are not checked: there an empty
/// mount-point folder stays behind unmounted (/media/cdrom0), so existence would mislead.
bool isVolumeMountedAtPath(const QString &path);

/// path itself, as Linux has no alias files; *isDirectory (when given) tells whether the item
/// itself is a folder (a link to one is not). A path that names nothing gives false.
QString resolveAlias(const QString &path, WithoutUI withoutUI = WithoutUI::No,
                     bool *isDirectory = nullptr);
/// Always false: Linux has no alias files.
bool isAliasFileAtPath(const QString &path);
/// Whether the item itself is a symbolic link (a dangling one too).
bool isSymbolicLinkAtPath(const QString &path);
/// Whether something is there and is a folder, following links.
bool isDirectoryAtPath(const QString &path);
/// Always 0: Linux has no launch services that keep item flags.
std::uint32_t getFlagsAtPath(const QString &path);

/// A resource value of the item: a bool for the Is... keys, a QDateTime for the dates, an int
/// for the label, a QString for the volume names. Invalid when the item cannot be read, the
/// key is unknown or the value does not exist here (no birth time); error then gets the reason.
QVariant getResourceValueForKey(QAnyStringView key, const QString &path, QString *error = nullptr);
/// getResourceValueForKey() as a bool, false when absent.
bool getBoolValueForKey(QAnyStringView key, const QString &path, QString *error = nullptr);

/// The birth time, null where the file system records none or the item cannot be read.
QDateTime fileCreationDateAtPath(const QString &path);
/// The content modification time (mtime), null when the item cannot be read.
QDateTime fileModificationDateAtPath(const QString &path);
/// The attribute change time (ctime), null when the item cannot be read.
QDateTime fileAttributeModificationDateAtPath(const QString &path);
/// Always false: Linux offers no way to set a birth time.
bool setFileCreationDate(const QDateTime &date, const QString &path);
/// Sets mtime (of a link itself, not its target) to date; false for an invalid date.
bool setFileModificationDate(const QDateTime &date, const QString &path);
/// Both dates in one call, each one only when valid: false for an absent path, for two invalid
/// dates, or when a date is not set. A valid creation date is never set (Linux cannot), so the
/// answer is then false, but a valid modification date is set all the same.
bool setFileCreationDate(const QDateTime &creationDate, const QDateTime &modificationDate,
                         const QString &path);

/// Bytes an unprivileged user may still write on the file system holding path (statvfs
/// f_bavail); 0 when the path names nothing.
std::uint64_t freeDiskSpaceAtPath(const QString &path);
/// The label of the file system holding path (QStorageInfo::name), "" when it has none; null
/// when the path names nothing.
QString volumeNameAtPath(const QString &path);
/// The name to show for that file system (QStorageInfo::displayName): the label, else the mount
/// point; null when the path names nothing.
QString localizedVolumeNameAtPath(const QString &path);

/// Always 0: Linux keeps no classic type codes.
std::uint32_t fileHFSTypeCodeAtPath(const QString &path);
/// Always false, for the same reason.
bool setFileHFSTypeCode(std::uint32_t code, const QString &path);
/// Always 0: Linux files carry no Finder labels.
int finderLabelAtPath(const QString &path);
/// Always false, for the same reason.
bool setFinderLabel(int label, const QString &path);

/// True when the item is immutable or its bits lack owner read or write; false when it
/// cannot be read.
bool isFileLockedAtPath(const QString &path);
/// Locking clears every write bit (owner, group, others) and answers whether that worked; it
/// also sets the immutable flag where the process may. Unlocking clears the flag and adds owner
/// read and write; group and others get no write bits back, as nothing tells which they had.
/// False when the bits cannot be changed, and then the flag is as it was.
bool setFileLocked(bool locked, const QString &path);
/// Adds owner read and write to the bits; false when the item cannot be read or changed.
bool addUserReadWritePermissionsAtPath(const QString &path);
/// Whether the immutable flag is set; false when it cannot be read.
bool isFileImmutableAtPath(const QString &path);
/// True at once when the flag already has that value; otherwise whether setting it worked.
bool setFileImmutable(bool immutable, const QString &path);

} // namespace filelib
