// Folder listings filtered by extension or wildcard.
#pragma once

#include <QString>
#include <QStringList>

namespace filelib {

// Each result holds folder + "/" + entry name for the entries of folder (hidden ones too, never
// "." and ".."), in the order the file system lists them. A folder that cannot be listed gives
// an empty list.

/// Every entry; error gets the reason when the folder cannot be listed, else null.
QStringList pathsAtPath(const QString &folder, QString *error = nullptr);
/// The entries whose pathExtension equals extension ignoring case; none for a null extension.
/// An empty extension keeps the names without one and those ending in a dot.
QStringList pathsAtPathMatchingExtension(const QString &folder, const QString &extension);
/// The entries whose names match pattern (isCaseInsensitiveLikeWildcard); none for a null one.
QStringList pathsAtPathMatchingWildcard(const QString &folder, const QString &pattern);

} // namespace filelib
