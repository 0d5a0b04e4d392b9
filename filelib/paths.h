// Path tests, containment, relative paths, clean-up and safe file names.
#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

namespace filelib {

// Paths are compared exactly, unit by unit, and by text alone: nothing here looks at the disk
// except pathMatchingExtensionsOrTypes (for a type code, which Linux never has).

/// Whether path is directory itself or lies below it. Trailing slashes of the directory do not
/// count, so "/a/b" is in "/a/b/" and "/a/bc" is not in "/a/b". A null, empty or root-only
/// directory contains nothing, or every path would be in "/".
bool pathIsInDirectory(QStringView path, const QString &directory);
/// Whether pathIsInDirectory holds for any of directories, skipping entries equal to path, so
/// a list of folders that holds the path itself does not claim it.
bool pathIsInDirectories(const QString &path, const QStringList &directories);
/// The relative path from directory to path after stringByStandardizingPath of both: "/a/b/c/d"
/// from "/a/b" gives "./c/d", "/a/x" from "/a/b/c" gives "../../x", equal paths give "./". Null
/// when either is null or empty or only one of them is absolute (no common root to count from).
QString relativePathToDirectory(const QString &path, const QString &directory);

/// Without the file name: a trailing slash goes alone ("/a/b/" gives "/a/b", "/" gives ""),
/// otherwise stringByDeletingLastPathComponent. Null stays null, "" stays "".
QString stringByDeletingFileComponent(const QString &path);
/// pathComponents without empty and "." components and inner "/" ones; ".." takes the component
/// before it along. At the root ".." just goes (it never removes the leading "/"), and in a
/// relative path a ".." with nothing before it to take stays.
QStringList standardizedPathComponents(const QString &path);
/// standardizedPathComponents joined with "/" behind a leading slash for an absolute path:
/// "/a/./b/../c/" gives "/a/c". The root alone (also "/a/..") gives "", as "" joins nothing.
QString standardizedPath(const QString &path);

/// path + "." + extension unless the path's extension already equals it ignoring case; path
/// itself for a null or empty extension or a path that cannot take one ("" or "/").
QString stringByAppendingPathExtensionIfNecessary(const QString &path, const QString &extension);
/// path with its extension swapped for extension; path itself when the extension is null or
/// already the same (case-sensitive), or the path cannot take one. An empty extension removes
/// the current one.
QString stringByReplacingPathExtensionWith(const QString &path, const QString &extension);
/// Whether extensions holds the path's extension ignoring case; false for an empty list.
bool pathMatchingExtensions(const QString &path, const QStringList &extensions);
/// Same, and also true when the list holds the file's type code exactly (typeCodeOfFile in
/// filetypes.h; Linux has none); false for an empty list or an empty path.
bool pathMatchingExtensionsOrTypes(const QString &path, const QStringList &extensionsOrTypes);

/// Whether the first unit is "/" or "~".
bool isPath(QStringView path);
/// 1 to 17 units, letters and digits only (isAlphaNumString).
bool isValidPathExtension(QStringView extension);
/// The path's extension cut at the first of "?&;=#", as in a URL's "page.html?x=1" ("html"),
/// when that is a valid extension; "" otherwise.
QString validPathExtension(const QString &path);
/// The extension lowered unit by unit through the lower table: "Photo.JPG" gives "jpg", "a."
/// gives "". Null when there is none: fewer than two units, no "." in the last component, a
/// "." that starts a component (".bashrc", "/x/.bashrc") or a trailing "/".
QString lowercasePathExtension(QStringView path);

// File-system representations: Linux names are UTF-8 bytes; a result fits a C buffer of 250
// bytes (249 and the NUL), and at most 250 units. Cuts never split a surrogate pair, so no
// lone half ever reaches the encoder.

/// Cuts s to 250 units, then drops trailing units until its UTF-8 fits. Nothing for "".
void createFileSystemRepresentation(QString &s);
/// Cuts s so that "." + extension still fits, then appends them unless s already ends with
/// them. An extension of no or more than 17 units is ignored (plain
/// createFileSystemRepresentation); an s without a name (empty, or ending in "/", also after
/// the cut) gets no extension rather than turning into a hidden ".extension" file.
void createFileSystemRepresentationAndAppendExtension(QString &s, QStringView extension);
/// A safe file name in place: form C, leading and trailing ".", "/", ":" and "_" removed, cut to
/// 250 units and to a UTF-8 length that fits as above, then each of * / : < > ? \ | and NUL
/// replaced by "-". May leave "" (e.g. for "..").
void createFilename(QString &s);

/// Null for null, s itself for "", else a copy through createFileSystemRepresentation (s
/// itself when nothing is cut).
QString stringByCreatingFileSystemRepresentation(const QString &s);
QString stringByCreatingFileSystemRepresentationByAppendingExtension(const QString &s,
                                                                     QStringView extension);
/// s itself for null or "", else a copy through createFilename.
QString stringByCreatingFilename(const QString &s);

} // namespace filelib
