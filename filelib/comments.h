// File comments in the freedesktop extended attribute, written in batches.
#pragma once

#include <QString>

namespace filelib {

// A comment is the UTF-8 value of the extended attribute user.xdg.comment, which the KDE and
// GNOME file managers show. Linux forbids user attributes on symbolic links, so a link's
// comment is its target's. A lone surrogate has no UTF-8 form and is stored as "?".
//
// Comments written asynchronously wait in two lists (folders, files), each sorted by path, a
// later comment for a path replacing the earlier one. Every new comment puts the flush of its
// list 0.2 s off; a flush writes at most 25 comments and comes back 0.2 s later while more
// wait. The flushes run on the thread of the QCoreApplication; waiting comments are written
// when its event loop quits. Without a QCoreApplication nothing would run the flushes, so
// comments are then written at once and the answer is that of the write.

inline constexpr char CommentAttribute[] = "user.xdg.comment";
/// Comments written per flush.
inline constexpr int CommentBatchSize = 25;
/// Delay before a flush, in milliseconds.
inline constexpr int CommentBatchDelayMs = 200;

enum class Asynchronous : bool { No, Yes };

/// Always true: comments need no running file manager.
bool finderLaunched();
/// Whether the item exists and its file system takes user extended attributes (tmpfs before
/// Linux 6.6, vfat and many network file systems do not). Asked afresh for every path.
bool finderScriptable(const QString &path);

/// The comment, "" when there is none; null for a null or empty path, or when the attribute
/// cannot be read (nothing there, no permission, no user attributes). Invalid UTF-8 reads as
/// U+FFFD.
QString finderCommentAtPath(const QString &path);
/// False for a null or empty path, a path where nothing exists or that is not
/// finderScriptable; a null comment counts as "", and "" removes the attribute. Synchronously,
/// whether the write worked; asynchronously true at once (a later failure is only seen by the
/// batch handler).
bool setFinderComment(const QString &comment, const QString &path,
                      Asynchronous asynchronous = Asynchronous::No);

/// How many asynchronous comments still wait.
qsizetype pendingFinderCommentCount();

/// Told after every flush: whether the batch was folders, how many comments it took and how
/// many of those could not be written.
using CommentBatchHandler = void (*)(bool folders, int size, int failed);
/// Routes flush reports to handler (nullptr for none) and returns the previous handler.
CommentBatchHandler setCommentBatchHandler(CommentBatchHandler handler);

} // namespace filelib
