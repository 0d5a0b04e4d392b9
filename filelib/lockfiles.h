// Lock files naming their owner.
#pragma once

#include <QString>

namespace filelib {

// A lock file is the guarded path with ".lock" appended, holding the property-list dictionary
// {"userName": account name, "processNumber": process id}. Locks are advisory: only callers
// that take them are kept out.

enum class Override : bool { No, Yes };

/// The account name of the effective user (password database); $USER, then the user id in
/// decimal, when the database has no entry.
QString userName();
/// This process's id.
qint32 processNumber();

/// Takes the lock for path and answers the lock file's path, or null when it is held by
/// someone (a lock file that reads as a dictionary) or cannot be written. The lock file is
/// written beside it under a temporary name and hard-linked into place, so it appears
/// complete and only one of several processes racing for it wins. A lock file that does not
/// read as a dictionary is stale and replaced, under an flock on the folder so that of
/// several processes replacing it only one wins (a folder that cannot be opened for reading
/// keeps its stale lock); Override::Yes replaces any lock. Missing parent folders are created.
/// Null for a path that cannot take an extension ("", "/") or holds a NUL. On file systems
/// without hard links the file is created exclusively and written in place, so a racing
/// reader may briefly find it empty and take it as stale.
QString lockFileAtPath(const QString &path, Override override = Override::No);
/// Removes the lock file at lockPath when its "userName" is userName() exactly and its
/// "processNumber" is a number whose 32-bit value is processNumber(); false otherwise, for a
/// null path, a file that is no dictionary, or when removing fails.
bool unlockFileAtPath(const QString &lockPath);

} // namespace filelib
