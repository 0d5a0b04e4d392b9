// Editing styled text: links, attachments, inserts, run-by-run attributes, case, replacing,
// trimming.
#pragma once

#include "styledtext/attributedstring.h"

#include "textlib/normalization.h"
#include "textlib/range.h"

#include <QColor>
#include <QFont>
#include <QList>
#include <QString>
#include <QStringView>
#include <QUrl>
#include <QVariant>

#include <optional>

// Functions that take a plain QString write it through the characters, so it takes the
// attributes of its neighbours (never an attachment); those taking an AttributedString keep its
// own attributes. Indexes and ranges outside the text are clipped; nothing crashes on them.

// --- Construction ---------------------------------------------------------------------------

/// The colour of links: the classic browser blue (0, 0, 238), fixed so that documents look the
/// same whatever palette or style the application runs with.
QColor linkColor();
/// The attributes of a link: link colour, single underline, the address; the font when given.
TextAttributes linkAttributes(const QUrl &address, const std::optional<QFont> &font = {});
/// A link as styled text. address is a QUrl or a QString (parsed tolerantly); nullopt for an
/// invalid, empty or other-typed address. The text is description or, when that is null or
/// empty, the address: a QString as given, a QUrl in its full encoded form.
std::optional<AttributedString> attributedStringWithLink(const QVariant &address,
                                                         const QString &description = {},
                                                         const std::optional<QFont> &font = {});
/// One U+FFFC carrying the file's bytes, its name and its MIME type (from the contents and the
/// name); nullopt for a null or empty path, a folder or an unreadable file.
std::optional<AttributedString> attributedStringWithAttachmentAtPath(const QString &path);
/// One U+FFFC carrying data under the preferred file name; nullopt for empty data or name.
std::optional<AttributedString> attributedStringWithAttachmentContents(const QByteArray &data,
                                                                       const QString &filename);

// --- Queries --------------------------------------------------------------------------------

/// Whether the attachment is a contact card: MIME type text/vcard or text/x-vcard, or a file
/// name ending in ".vcf" (any case).
bool isEmailContactCard(const TextAttachment &attachment);
/// The attachment characters whose attachment is not a contact card.
qsizetype numberOfAttachments(const AttributedString &s);
/// Whether the characters contain needle exactly; false for a null or empty needle.
bool containsSubstring(const AttributedString &s, QStringView needle);
/// Line terminators of styled text: LF, FF, CR, U+2028, U+2029 and U+FEFF (not U+0003, and not
/// U+FFFC, which is an attachment here).
bool isStyledFeed(char16_t c);
/// The styled text before the first terminator; the text itself when there is none; nullopt
/// for empty text or text that starts with a terminator.
std::optional<AttributedString> firstLine(const AttributedString &s);
/// The styled run of terminators at the end (such as CR LF); nullopt when the text does not end
/// with one.
std::optional<AttributedString> feedOfLine(const AttributedString &s);
/// Whether the last unit is a terminator (isStyledFeed).
bool hasFeedOfLine(const AttributedString &s);
/// The text cut after every line break, each line keeping its terminator and attributes; CR LF
/// stays together. The breaks are textlib's (U+0003 included) except U+FFFC. Empty for empty
/// text.
QList<AttributedString> lines(const AttributedString &s);
/// The last code unit, 0 for empty text.
char16_t lastCharacter(const AttributedString &s);

// --- Inserting, appending, setting ----------------------------------------------------------

/// Inserts plain characters before index; they take the attributes of the unit before (after,
/// at 0). Nothing for a null or empty string.
void insertString(AttributedString &s, const QString &string, qsizetype index);
/// Inserts styled text with its own attributes before index.
void insertString(AttributedString &s, const AttributedString &string, qsizetype index);
/// Appends plain characters with the attributes of the last unit; nothing for a null string.
void appendString(AttributedString &s, const QString &string);
void appendString(AttributedString &s, const AttributedString &string);
/// Replaces all characters, keeping the attributes of the first unit (the defaults for empty
/// text).
void setString(AttributedString &s, const QString &string);
void setString(AttributedString &s, const AttributedString &string);
/// Appends a string already filled from its format (QString::arg, stringWithFormat...) through
/// the characters; nothing for a null string (a failed format).
void appendFormat(AttributedString &s, const QString &formatted);

/// Inserts the string with exactly the attributes given; nothing for a null or empty string.
void insertString(AttributedString &s, const QString &string, qsizetype index,
                  const TextAttributes &attributes);
/// Appends the string with exactly the attributes given; nothing for a null string.
void appendString(AttributedString &s, const QString &string, const TextAttributes &attributes);
/// Replaces all characters by the string with exactly the attributes given.
void setString(AttributedString &s, const QString &string, const TextAttributes &attributes);
/// Appends the filled format with the attributes given; nothing when it is null or empty.
void appendFormat(AttributedString &s, const TextAttributes &attributes, const QString &formatted);

/// Inserts the string as a link to itself (linkAttributes); nothing when it is not an address.
void insertStringAsLink(AttributedString &s, const QString &string, qsizetype index);
/// Appends the string as a link to itself, on the background colour when given.
void appendStringAsLink(AttributedString &s, const QString &string,
                        const std::optional<QColor> &backgroundColor = {});

/// Whether link text is underlined.
enum class Underline { No, Yes };
/// Inserts the string linking to link (an invalid or empty link sets none) with the font,
/// colours and underline given; absent font or colours leave those attributes unset.
void insertString(AttributedString &s, const QString &string, const QUrl &link,
                  const std::optional<QFont> &font, const std::optional<QColor> &color,
                  Underline underlined, const std::optional<QColor> &backgroundColor,
                  qsizetype index);
void appendString(AttributedString &s, const QString &string, const QUrl &link,
                  const std::optional<QFont> &font, const std::optional<QColor> &color,
                  Underline underlined, const std::optional<QColor> &backgroundColor);

// --- Attributes -----------------------------------------------------------------------------

/// Sets one attribute over a range, run by run, so every other attribute of each run stays. An
/// invalid value (or one of another type) removes the attribute.
void setAttribute(AttributedString &s, Attribute name, const QVariant &value, qsizetype location,
                  qsizetype length);
/// Lays the dictionary over a range, run by run; its entries win. Nothing for an empty one.
void overrideAttributes(AttributedString &s, const AttributeDictionary &attributes,
                        qsizetype location, qsizetype length);
/// Lays the dictionary over the whole text.
void overrideAttributes(AttributedString &s, const AttributeDictionary &attributes);
/// Removes the attribute everywhere.
void removeAttribute(AttributedString &s, Attribute name);
/// Deletes every U+FFFC that carries an attachment; other characters keep their attributes.
void removeAttachments(AttributedString &s);
/// Removes link, underline and foreground colour from every link run; the characters stay.
void removeLinks(AttributedString &s);

/// Full Unicode case mappings, run by run (a run may change length: "\u00DF" gives "SS").
void lowercase(AttributedString &s);
void uppercase(AttributedString &s);
/// Each word's first letter upper case, the rest lower, starting anew in every run.
void capitalize(AttributedString &s);

// --- Replacing ------------------------------------------------------------------------------

/// Replaces every occurrence of target, left to right, continuing after each replacement (so a
/// replacement that contains target does not loop); the replacement takes the attributes of
/// the first replaced unit. A null replacement deletes. Ignoring case compares unit by unit
/// through the upper-case table. Returns the count; 0 for a null or empty target.
qsizetype replaceString(AttributedString &s, const QString &target, const QString &replacement,
                        Qt::CaseSensitivity cs = Qt::CaseSensitive);
/// Replaces every occurrence by description (or, when it is null or empty, the address) linking
/// to the address (a QUrl or QString, as in attributedStringWithLink); only the link attribute
/// is added. 0 for a null or empty target or an unusable address.
qsizetype replaceString(AttributedString &s, const QString &target, const QVariant &link,
                        const QString &description, Qt::CaseSensitivity cs = Qt::CaseSensitive);
/// Replaces every occurrence by the styled replacement; the paragraph style at the start of an
/// occurrence, if any, is laid over the inserted text again.
qsizetype replaceString(AttributedString &s, const QString &target,
                        const AttributedString &replacement,
                        Qt::CaseSensitivity cs = Qt::CaseSensitive);

// --- Trimming and collapsing ----------------------------------------------------------------

/// Whether trimming treats an attachment character U+FFFC as white space to delete.
enum class Attachments { Keep, Trim };
/// Deletes the white units (whiteCharacterSetRep, which holds U+FFFC) at both ends; with Keep
/// a U+FFFC ends each run of them and stays.
void trimWhiteSpacesAndAttachments(AttributedString &s, Attachments attachments);
/// trimWhiteSpacesAndAttachments with Trim.
void trimWhiteSpaces(AttributedString &s);
// Collapsing replaces every run (a run of one too, so a lone TAB becomes a space) by one unit
// that takes the attributes of the run's first unit.

/// Every run of blanks (spaceCharacterSetRep) becomes one space.
void removeMultipleSpaces(AttributedString &s);
/// Every run of white units becomes one space; U+FFFC is white, so attachments go too.
void removeMultipleWhiteSpaces(AttributedString &s);
/// Every run of terminators (isStyledFeed; CR LF included) becomes one LF.
void removeMultipleFeeds(AttributedString &s);

// --- Character edits ------------------------------------------------------------------------

// The edits of textlib (editing.h, whitespace.h, normalization.h) on the characters of styled
// text. Each is made where it removes and inserts, so the runs follow it exactly: units the edit
// keeps keep their attributes, a unit written over another takes that one's, and inserted units
// take the attributes of the unit before (after, at the start); written units never carry an
// attachment. Normalising rewrites each segment that changes (a letter with its marks), its new
// units taking the attributes of its old ones in order.
void appendSubstring(AttributedString &s, QStringView other, textlib::Range range);
qsizetype deleteString(AttributedString &s, const QString &target);
void removeCharacterAtIndex(AttributedString &s, qsizetype index);
void appendUnichar(AttributedString &s, char16_t c);
void appendUnichars(AttributedString &s, const char16_t *units, qsizetype count);
void appendTrimmedString(AttributedString &s, QStringView other);
void removeCharacters(AttributedString &s, char16_t c);
void removeCharactersOfString(AttributedString &s, QStringView units);
void removeFeeds(AttributedString &s);
void removeTabs(AttributedString &s);
void removeSpaces(AttributedString &s);
void removeWhiteSpaces(AttributedString &s);
void trimCharacter(AttributedString &s, char16_t c);
void trimPrefixCharacter(AttributedString &s, char16_t c);
void trimSuffixCharacter(AttributedString &s, char16_t c);
void trimFeeds(AttributedString &s);
void insertCharacter(AttributedString &s, char16_t c, qsizetype index);
void decodeTabs(AttributedString &s, qsizetype width);
void encodeTabs(AttributedString &s, qsizetype width);
qsizetype replaceCharacter(AttributedString &s, char16_t from, char16_t to,
                           Qt::CaseSensitivity cs = Qt::CaseSensitive);
void normalizeString(AttributedString &s, textlib::NormalForm form = textlib::NormalForm::C);
