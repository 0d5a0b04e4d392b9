// Wiki-style link addresses and their page names.
#pragma once

#include <QString>
#include <QStringView>
#include <QUrl>

// Prefix tests are case-sensitive; only isQuillmoorURL ignores case.

/// The scheme of wiki addresses for the whole process: the one last set, "x-quillmoor" until
/// then. Safe to call from any thread.
QString quillmoorScheme();
/// Replaces the scheme for the whole process; a null scheme restores "x-quillmoor". An empty
/// scheme is kept and matches no address.
void setQuillmoorScheme(const QString &scheme);

/// s without a leading "http://" when the rest begins with "Quillmoor" or with the scheme; null
/// otherwise (also for null or empty s). Without "http://" it is s itself (shared).
QString isQuillmoorStringURL(const QString &s);
/// As isQuillmoorStringURL, for the old-style prefix "Quillmoor" alone.
QString isOldQuillmoorStringURL(const QString &s);
/// The page name of a wiki address: after the first ":" and the "/" that follow it, or without
/// ":" after the first "_", up to the next "/" or "?" or the end. Null when s is empty, has
/// neither ":" nor "_", or the name would be empty.
QString quillmoorID(QStringView s);
/// Whether the URL's scheme is the current scheme, ignoring case; false for a URL without one.
bool isQuillmoorURL(const QUrl &url);
