// Internet location files: property-list and shortcut forms.
#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>
#include <QVariant>

namespace filelib {

// A property-list location file holds a dictionary with the address under "URL" and maybe a
// display name under "Name"; a shortcut file is UTF-8 text "[InternetShortCut]\nURL=...\n".
// An address argument is a QUrl (taken by its fully encoded absolute string) or a QString;
// anything else, a null string, an empty QUrl or an invalid QVariant, is no address.

/// The 22 type codes (between apostrophes) and extensions of location files, a new list.
QStringList InternetLocationTypes();
/// True for one of ten type codes ('ilge', 'ilht', 'ilma', 'ilns', 'ilnw', 'LINK', 'ilaf',
/// 'ilat', 'ilfi', 'ilft'; not 'ilvn') or, ignoring case, one of the extensions webloc,
/// mailloc, ftploc, inetloc, newsloc, fileloc, vncloc, url, webhistory and webbookmark.
bool isInternetLocationExtension(QStringView extension, QStringView type = {});
/// The same from the path's extension and the file's type code (none on Linux).
bool isInternetLocationFile(const QString &path);
/// The address a location file holds, null when there is none. A url file (or type 'LINK')
/// is read as UTF-8 (a byte-order mark dropped) of at most 1 MiB: the rest of its first line
/// starting "URL=" (any case), trimmed; failing that, a url file of exactly one line gives that
/// line trimmed when it is not empty. Other location files are property-list dictionaries:
/// their "URL" string, and the "Name" string into name. name is cleared first and only ever
/// set from a property list.
QString resolveInternetLocation(const QString &path, QString *name = nullptr);
/// The extension a location file for address should bear: "fileloc", "webloc", "ftploc",
/// "mailloc", "newsloc", "vncloc" or "inetloc"; null for no address or an empty string.
QString pathExtensionForInternetLocation(const QVariant &address);
/// Writes the property-list form in place (not atomically, parent folder must exist); false
/// for no address, an address with an empty or NUL-holding text, or an empty path.
bool createInternetLocation(const QVariant &address, const QString &path);
/// Writes the shortcut form atomically in UTF-8; false for no address or an empty path. Line
/// breaks in the address are written percent-encoded ("%0A"), so the file keeps one URL line.
bool createURL(const QVariant &address, const QString &path);

} // namespace filelib
