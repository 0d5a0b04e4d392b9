// Recognising and making addresses (URLs) from text and paths.
#pragma once

#include <QString>
#include <QStringView>
#include <QUrl>

namespace filelib {

// The string predicates look at the scheme only, ignoring case; they need at least one unit
// after it, so "http://" alone is no web address. Null and empty strings are no address.

/// "file:/" (so "file:///a" and "file:/a").
bool isFileStringURL(QStringView s);
/// "http://" or "https://", or a host starting "www." with at least one unit after it.
bool isHTTPStringURL(QStringView s);
/// "ftp://", "ftps://" or "sftp://".
bool isFTPStringURL(QStringView s);
/// "news:", "snews:" or "nntp:".
bool isNewsStringURL(QStringView s);
/// "mailto:", or a bare address: one "@" after a local part without white space, brackets,
/// quotes, "/" or ":", before a host of letters, digits, "-" and "." with an inner dot
/// ("a@b.org"; not "a@b", "a@.b", "a@b..c").
bool isMailStringURL(QStringView s);

/// The first address in text, as a click on it would select it (getLinkRangeAtIndex, leading
/// "(", "[" and quotes and unbalanced closing ones dropped): a URL whose scheme is followed by
/// "//", one of mailto:, news:, nntp: and file:, a "www." host, or a bare mail address. Null
/// when there is none; plain paths do not count.
QString possibleInternetLocation(const QString &text);
/// An address from text trimmed of white space: a path starting "/" or "~" becomes a file URL
/// (the tilde expanded), a "www." host gets "http://", a bare mail address "mailto:"; anything
/// else must parse as a URL with a scheme. An empty QUrl otherwise (null, empty, "no scheme").
QUrl URLWithStringOrPath(const QString &text);
/// The local path of a file URL, else the absolute string (fully encoded); null for an empty
/// or invalid URL.
QString absoluteStringOrPath(const QUrl &url);
/// A title for url: a file URL's file name ("/" for the root), a mail address without
/// "mailto:", otherwise the decoded URL without its password. Null for an empty or invalid URL.
QString displayString(const QUrl &url);

} // namespace filelib
