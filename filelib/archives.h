// Zip archives through the system's zip and unzip tools.
#pragma once

#include "fileoperations.h"

#include <QString>
#include <QStringList>

namespace filelib {

/// Whether a folder goes into the archive as itself or only with its contents.
enum class KeepParent : bool { No, Yes };

// Each answers false when a path is empty, the source does not exist, or the tool (/usr/bin/zip,
// /usr/bin/unzip) is missing or fails. Symbolic links are archived as links.

/// Writes a new zip archive at destination (replacing one there) holding source: a file under
/// its name; a folder's contents at the top, or with KeepParent::Yes the folder itself.
bool compressFileAtPath(const QString &source, const QString &destination,
                        KeepParent keepParent = KeepParent::No);
/// Runs "zip -r -q destination names..." in folder. A relative destination lies in folder.
/// Without append an old archive at destination is removed first; with it the names are added.
/// False for an empty or null list of names or a missing folder.
bool compressFiles(const QStringList &names, const QString &folder, const QString &destination,
                   Append append = Append::No);
/// Extracts the zip archive source into destination, creating it with its parents. What is
/// already there stays untouched: folders merge, and an entry whose name is taken otherwise
/// (file or folder either way, or a link) is skipped while the rest is extracted; the answer
/// is then false. An archive with an entry that would land outside destination
/// (an absolute name, a ".." component, a path through one of its own non-folder entries, a
/// symbolic link pointing out) is refused before anything is written there.
bool decompressFileAtPath(const QString &source, const QString &destination);
/// The same extraction; kept for callers that name the unzip tool.
bool unzipFileAtPath(const QString &source, const QString &destination);

} // namespace filelib
