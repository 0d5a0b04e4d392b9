// Free numbered file names and dated archive rotation.
#pragma once

#include <QString>

namespace filelib {

/// A path at which nothing exists yet (not even a dangling link): path itself when that is
/// free, else the first of stem-1.ext, stem-2.ext ... (stem-n for a name without extension)
/// beside it. The stem is cut so that the name stays within 250 units (never between the
/// halves of a surrogate pair; it may be cut to nothing for a very long extension). Null for
/// a null path or the root; "" and a path holding a NUL (nothing can be there) come back as
/// they are.
QString nonExistingFilenameAtPath(const QString &path);
/// The name for a new archive, prefix + the local time as " yyyy-MM-dd HH-mm-ss", after
/// removing the oldest entries of directory whose names start with prefix (ignoring case)
/// until at most maxNumberOfArchives (negative counts as 0) remain. Nothing is created, and
/// failed removals are ignored. Null for a null or empty prefix.
QString archiveDirectoryContentsAtPath(const QString &directory, const QString &prefix,
                                       int maxNumberOfArchives);
/// Whether a's content was modified after b's (newest first); a path that cannot be read
/// counts as oldest. The dates are read on every call, so sorting files that change meanwhile
/// is the caller's risk.
bool sortByModificationDate(const QString &a, const QString &b);

} // namespace filelib
