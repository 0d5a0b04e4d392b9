// Path string primitives: components, extensions, tildes.
#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

namespace filelib {

// Pure string work on "/"-separated paths (only stringByResolvingSymlinksInPath looks at the
// disk, and the tilde functions read the home folder). Runs of slashes count as one, and every
// function that returns a path drops a trailing slash except from "/" itself. A null path gives
// a null result (an empty list for pathComponents); an empty one gives "". The copying forms
// return the path itself (shared) when nothing changes.

/// The components: "/" first for an absolute path, a final "/" for a trailing slash (not for
/// "/" alone), never an empty component. "/a//b/" gives {"/", "a", "b", "/"}; "" gives {}.
QStringList pathComponents(const QString &path);
/// The last component ignoring trailing slashes: "/a/b/" gives "b"; "/" and "//" give "/".
QString lastPathComponent(const QString &path);
/// The text after the last "." of lastPathComponent, "" without one. A dot that starts the
/// component does not count, so ".bashrc" and "a/.." have none; "a." has the empty extension.
QString pathExtension(const QString &path);
/// The path without its last component: "/a/b" gives "/a", "/a" and "/" give "/", "a" gives "".
QString stringByDeletingLastPathComponent(const QString &path);
/// The path without "." and pathExtension: "a/b.tar.gz/" gives "a/b.tar", ".bashrc" stays.
QString stringByDeletingPathExtension(const QString &path);
/// path + "/" + component with slashes tidied: "/" + "a" gives "/a", "" + "a/" gives "a". An
/// empty or null component gives the tidied path.
QString stringByAppendingPathComponent(const QString &path, QStringView component);
/// path + "." + extension (trailing slash dropped first): "a/" + "txt" gives "a.txt". Null
/// when there is nothing to extend ("" or "/") or the extension holds a "/".
QString stringByAppendingPathExtension(const QString &path, QStringView extension);

/// Expands a leading tilde, then drops "." components, runs of slashes and a trailing slash,
/// and resolves ".." against the component before it, by text alone (no symbolic links are
/// followed, unlike stringByResolvingSymlinksInPath). ".." at the root stays at the root; a
/// relative path keeps its leading ".." and collapses to "." when nothing is left.
QString stringByStandardizingPath(const QString &path);
/// "~" and "~/..." become the home folder (QDir::homePath); "~user/..." that user's home from
/// the password database. An unknown user or a tilde elsewhere leaves the path as is.
QString stringByExpandingTildeInPath(const QString &path);
/// Same with the home folder given, so the expansion can be tested without touching $HOME.
QString stringByExpandingTildeInPath(const QString &path, const QString &home);
/// The home folder at the start of the path becomes "~": "/home/u/x" gives "~/x". A home of
/// "/" or "" abbreviates nothing, or every absolute path would start with "~".
QString stringByAbbreviatingWithTildeInPath(const QString &path);
QString stringByAbbreviatingWithTildeInPath(const QString &path, const QString &home);
/// Expands the tilde and follows every symbolic link along an absolute path, one component at
/// a time, so ".." after a link leaves the link's target. Components that do not exist are kept
/// as text. A relative path or one holding a NUL is only standardised; a link loop (more than 40
/// links) gives the standardised path instead of hanging.
QString stringByResolvingSymlinksInPath(const QString &path);

} // namespace filelib
