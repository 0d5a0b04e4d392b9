// Moving text, rich text, images, addresses and index lists through pasteboards.
#pragma once

#include "pasteboard/mimedatapasteboard.h"
#include "pasteboard/pasteboard.h"
#include "styledtext/attributedstring.h"

#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariant>

#include <optional>

class QMimeData;

namespace filelib {

// One thing travels under several type names at once, so reading tries a fixed list of names in
// a fixed order and writing offers several flavours together. Type names go through
// PasteboardType::canonical as the pasteboards themselves do (so "text/plain" finds String);
// every other comparison is exact and case-sensitive. Owners do not exist here: types are
// declared and filled at once. A MemoryPasteboard stands for a single pasteboard item.

// Names this library defines; they travel as they are, also on the desktop clipboard.
inline const QString LarkspanPboardType = QStringLiteral("LarkspanPboardType");
inline const QString LarkspanAutoPboardType = QStringLiteral("LarkspanAutoPboardType");
inline const QString WebURLsWithTitlesPboardType = QStringLiteral("WebURLsWithTitlesPboardType");
inline const QString BookmarksPboardType = QStringLiteral("TavikBookmarksPboardType");
inline const QString CorePasteboardFlavorTypeURL =
    QStringLiteral("CorePasteboardFlavorType 0x75726C20");
inline const QString CorePasteboardFlavorTypeURLName =
    QStringLiteral("CorePasteboardFlavorType 0x75726C6E");
inline const QString AppleWebArchivePasteboardType =
    QStringLiteral("Apple Web Archive pasteboard type");
inline const QString ApplePNGPasteboardType = QStringLiteral("Apple PNG pasteboard type");
inline const QString AppleURLPasteboardType = QStringLiteral("Apple URL pasteboard type");
inline const QString PublicURLType = QStringLiteral("public.url");
inline const QString PublicURLNameType = QStringLiteral("public.url-name");

// The platform's types as the desktop names them.
inline const QString StringPboardType = PasteboardType::String;
inline const QString RTFPboardType = PasteboardType::RTF;
inline const QString RTFDPboardType = PasteboardType::RTFD;
inline const QString HTMLPboardType = PasteboardType::HTML;
/// Files as file URLs, one a line (RFC 2483); read as the list of their paths. Entries with
/// another scheme (the desktop offers web addresses so) are addresses in their own right.
inline const QString FilenamesPboardType = PasteboardType::URIList;
/// One address as UTF-8 text. Not text/uri-list: that one is FilenamesPboardType, and a file
/// list must not count as an address. Not text/x-moz-url either, which Qt renames on X11.
inline const QString URLPboardType = QStringLiteral("application/x-sumwise-url");
inline const QString TIFFPboardType = QStringLiteral("image/tiff");
inline const QString PDFPboardType = QStringLiteral("application/pdf");
inline const QString PostScriptPboardType = QStringLiteral("application/postscript");
inline const QString TabularTextPboardType = QStringLiteral("text/tab-separated-values");
inline const QString VCardPboardType = QStringLiteral("text/vcard");
/// The name of the find pasteboard.
inline const QString FindPboard = QStringLiteral("NSFindPboard");

/// URLPboardType, CorePasteboardFlavorTypeURL, "Apple URL pasteboard type", "public.url".
const QStringList &addressTypes();
/// CorePasteboardFlavorTypeURLName, "public.url-name".
const QStringList &addressNameTypes();
/// WebURLsWithTitlesPboardType, FilenamesPboardType, StringPboardType.
const QStringList &addressListSources();
/// StringPboardType, TabularTextPboardType, HTMLPboardType.
const QStringList &textTypes();
/// RTFDPboardType, RTFPboardType.
const QStringList &richTextTypes();

/// The find pasteboard, a MemoryPasteboard named FindPboard kept for the life of the process.
MemoryPasteboard &findPasteboard();
/// Empties the find pasteboard (declares no types).
void clearFindPboard();
/// The find pasteboard's plain text when it offers StringPboardType, else null.
QString findPboardString();
/// copyToPasteboard(s, findPasteboard()).
void copyToFindPboard(const QString &s);

/// Whether type is non-null and on offer.
bool availableType(const Pasteboard &pboard, const QString &type);
/// The first of types on offer (as given in types), else null.
QString availableTypeFromArray(const Pasteboard &pboard, const QStringList &types);
/// The flavour read as a property list (XML or binary); invalid when absent or unreadable.
QVariant propertyListForType(const Pasteboard &pboard, const QString &type);
/// Stores plist as an XML property list; false when it cannot be written or the type was not
/// declared.
bool setPropertyList(Pasteboard &pboard, const QVariant &plist, const QString &type);

/// Whether one of addressNameTypes() is on offer.
bool containsURLName(const Pasteboard &pboard);
/// The text of the first address-name type on offer, else null.
QString URLName(const Pasteboard &pboard);
/// Whether one of addressTypes() is on offer.
bool containsURL(const Pasteboard &pboard);
/// The address text of the first address type on offer: a property-list string, the first
/// element of an array of one or of an address and an empty base, or the plain text when the
/// flavour is no property list. Other values are logged ("Unsupported URL data (type): value")
/// and give null, as does a pasteboard without an address type.
QString URL(const Pasteboard &pboard);
/// True when an address type is on offer, or the first address-list source on offer holds a
/// usable address: any WebURLsWithTitles flavour; text with an address in it; a file list with a
/// location file that names one (plain document paths do not count) or a uri-list entry that
/// names no file.
bool containsURLs(const Pasteboard &pboard);

/// Styled text from the first rich-text type on offer (RTFD or RTF); nullopt for a null
/// pasteboard, when neither is on offer or its data is absent or unreadable. Plain text is
/// not tried.
std::optional<AttributedString> attributedStringFromPasteboard(const Pasteboard *pboard);
/// RTFD under RTFDPboardType when text has attachments, else RTF under RTFPboardType; the
/// pasteboard is left alone when no data is produced.
void copyToPasteboard(const AttributedString &text, Pasteboard &pboard);
/// The image as LZW-compressed TIFF under TIFFPboardType alone; nothing for a null image or
/// when no TIFF can be written.
void copyToPasteboard(const QImage &image, Pasteboard &pboard);

/// The addresses of one type: URLPboardType gives its address, StringPboardType the address
/// found in its text (possibleInternetLocation, URLWithStringOrPath), each as a one-element
/// list or nullopt; FilenamesPboardType the addresses of the location files among its paths
/// and its entries that name no file, in order, possibly none. Any other type gives nullopt.
std::optional<QList<QUrl>> URLsFromPasteboard(const Pasteboard &pboard, const QString &type);
/// Nothing for no addresses; an empty QUrl among several goes out as "". One address goes through
/// copyToPasteboard(url, pboard, first title). Several are written under
/// WebURLsWithTitlesPboardType (addresses and titles, the titles taken as given or, when there are
/// none, displayString of each) and as text, each absoluteStringOrPath followed by "\n".
void copyURLsToPasteboard(const QList<QUrl> &urls, Pasteboard &pboard,
                          const QStringList &titles = {});
// The address writers write nothing for an empty QUrl, and plain text last, so that a
// clipboard keeping one flavour per write (ClipboardPasteboard) keeps the text.

/// The address under URLPboardType and its absoluteStringOrPath as text.
void copyToPasteboard(const QUrl &url, Pasteboard &pboard);
/// One address in all flavours: text, URLPboardType, CorePasteboardFlavorTypeURL, the title
/// (displayString when empty) as a safe file name under CorePasteboardFlavorTypeURLName,
/// WebURLsWithTitlesPboardType, and BookmarksPboardType with a valid bookmark.
void copyToPasteboard(const QUrl &url, Pasteboard &pboard, const QString &title,
                      const QVariant &bookmark = {});

/// The text of the first of textTypes() on offer; null for a null pasteboard or none on offer.
QString stringFromPasteboard(const Pasteboard *pboard);
/// s alone under StringPboardType; nothing for a null s.
void copyToPasteboard(const QString &s, Pasteboard &pboard);

/// The file extension for a type name ("tiff", "png", "jp2", "jpeg", "pdf", "ps", "html",
/// "rtf", "rtfd", "txt", "csv", "vcf", "url", "webarchive"); null for null or unknown names.
QString fileTypeForPboardType(const QString &type);

/// The indexes ascending and without repeats, as an index set holds them, as a property list
/// under type alone. False and nothing written for no indexes or a type that cannot be written.
bool writeIndexesToPasteboard(const QList<quint64> &indexes, Pasteboard &pboard,
                              const QString &type);

} // namespace filelib
