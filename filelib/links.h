// Resolving symbolic links in paths.
#pragma once

#include <QString>

namespace filelib {

// Linux has no alias files, so only symbolic links are followed; a loop of links ends the walk
// (see stringByResolvingSymlinksInPath) instead of hanging.

/// The path with its symbolic links resolved (stringByResolvingSymlinksInPath), or path
/// itself when that gives nothing. Null stays null.
QString stringByResolvingLinkOfPath(const QString &path);
/// The path with its symbolic links resolved and its components cleaned up
/// (standardizedPathComponents), rebuilt one component at a time; the root stays "/", and a
/// relative path that cleans up to nothing gives ".".
QString stringByResolvingLinksInPath(const QString &path);

} // namespace filelib
