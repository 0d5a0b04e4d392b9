// Creating, copying, moving, removing and writing files and folders, with logging.
#pragma once

#include <QByteArray>
#include <QFileDevice>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <exception>
#include <optional>

namespace filelib {

// Paths are used as given (relative ones against the current folder). The operations answer
// false rather than throw; an exception from below is logged with exceptionLogLine() through
// textlib::systemLog and answers false.

enum class Append : bool { No, Yes };
enum class Atomically : bool { No, Yes };
/// Keep: a destination file is replaced only by a source modified later.
enum class Overwrite : bool { No, Yes };
/// Hidden extensions are a Finder attribute; Linux has none, so Yes changes nothing.
enum class HideExtensions : bool { No, Yes };

/// Attributes for new folders; only the permission bits mean anything on Linux. Without
/// them new folders get 0777 less the umask.
struct FileAttributes {
    std::optional<QFileDevice::Permissions> permissions;
};

/// operation + " (" + receiverClass + "): " + name, reason and the call stack, one a line.
QString exceptionLogLine(QStringView operation, QStringView receiverClass, QStringView name,
                         QStringView reason, const QStringList &callStack);
/// Logs the exception line for e caught in operation: e's demangled type as its name, what()
/// as its reason and the stack where it was caught (the throw site is gone by then).
void logException(QStringView operation, const std::exception &e);

/// False for an empty path; true when anything (a dangling link too) is there; otherwise
/// creates an empty file (never through a dangling symbolic link) and answers whether it did.
/// A path that cannot be looked at (a name too long, a folder that may not be searched) holds
/// nothing and gives false.
bool createFile(const QString &path);
/// createFile() after creating the missing parent folders; false if that fails.
bool createPathAndFile(const QString &path);
/// False for an empty path; when something is there, whether it is a folder (following a
/// link); otherwise creates the folder and its missing parents, each with attributes.
bool createPath(const QString &path, const FileAttributes &attributes = {});
/// createPath() on the path's parent folder; true for a bare file name (the current folder).
bool createPathToFile(const QString &path, const FileAttributes &attributes = {});
/// Writes object as an XML property list to path after creating its parent folders. False
/// for an invalid object or one holding a type property lists lack (maps need string keys;
/// strings, booleans, integers, doubles, byte arrays, dates, lists and maps are fine).
bool createPathAndWriteObject(const QVariant &object, const QString &path,
                              Atomically atomically = Atomically::Yes);
/// False for an empty path or one that exists; moves an existing previous folder to path
/// (a previous file is left alone); otherwise creates path as createPath() does.
bool createPath(const QString &path, const QString &previousPath);
/// Removes whatever is at path, creates the folder and answers whether it is writable.
bool createWritableTemporaryPath(const QString &path);

/// Copies a file, folder (recursively) or symbolic link (as a link), keeping permissions and
/// the access and modification dates of every item. False for a null path, an existing
/// destination, or a destination inside the source folder; error gets the reason.
bool copyPath(const QString &source, const QString &destination, QString *error = nullptr);
/// Moves by renaming, across file systems by copying (dates kept) and removing. False for a
/// null path or an existing destination; error gets the reason.
bool movePath(const QString &source, const QString &destination, QString *error = nullptr);
/// Moves path within its folder to newName (a last component, no "/").
bool renamePath(const QString &path, const QString &newName);
/// Removes the item at path with everything in it; a symbolic link is removed, never what it
/// points to, also when path ends in "/". True when nothing is there afterwards (also when
/// nothing was); otherwise logs "Couldn't remove path <path>". error is null unless false.
bool removePath(const QString &path, QString *error = nullptr);
/// unlink(2) of path: false for an empty path or when the call fails.
bool unlinkFileAtPath(const QString &path);
/// Writes data to path, creating the file; appends or replaces the old content. False for
/// null data, an empty path, or when creating, opening, writing or closing fails; a dangling
/// symbolic link there is refused, as createFile() leaves its target uncreated.
bool writeData(const QByteArray &data, const QString &path, Append append = Append::No);
/// writeData() of text in UTF-8 (the C-string encoding of Linux); false for empty text.
bool writeString(const QString &text, const QString &path, Append append = Append::No);

/// Mirrors the folder source into the existing folder destination: entries missing there are
/// copied whole, existing subfolders are mirrored recursively, and existing files are replaced
/// (Overwrite::No: only by a source modified later). Every entry is tried; false when any
/// failed (each copy failure is logged) or source cannot be listed. destination is not created.
bool updatePath(const QString &source, const QString &destination,
                Overwrite overwrite = Overwrite::No,
                HideExtensions hideExtensions = HideExtensions::No);

/// For each name up to the first null one: when folder/name exists and removePath() succeeds,
/// calls didRemoveFile() with the full path.
void directory(const QString &folder, const QStringList &names);
/// Logs "Removed: <path>".
void didRemoveFile(const QString &path);

} // namespace filelib
