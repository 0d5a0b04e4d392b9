// Small in-place edits of a mutable string.
#pragma once

#include "range.h"

#include <QString>
#include <QStringView>

namespace textlib {

/// Replaces every occurrence of from by to; returns the number of replacements (occurrences that
/// already hold to count too, but leave s untouched and shared).
qsizetype replaceCharacter(QString &s, char16_t from, char16_t to,
                           Qt::CaseSensitivity cs = Qt::CaseSensitive);
/// Replaces every non-overlapping occurrence of target, left to right; a null replacement is
/// the empty string; nothing for a null or empty target. Case is ignored unit by unit through the
/// case tables. Returns the number of replacements.
qsizetype replaceString(QString &s, const QString &target, const QString &replacement,
                        Qt::CaseSensitivity cs = Qt::CaseSensitive);
/// replaceString with a replacement the caller has formatted (QString::arg, QString::number...).
/// Unlike replaceString, a null replacement changes nothing: a failed format must not delete.
qsizetype replaceStringWithFormatted(QString &s, const QString &target, const QString &formatted);
/// Deletes every occurrence of target; returns how many.
qsizetype deleteString(QString &s, const QString &target);

/// Appends the units of other in range, clipped to other; nothing for a length below 1 or a
/// location outside other.
void appendSubstring(QString &s, QStringView other, Range range);
/// Appends other without the members of whiteCharacterSetRep() at its ends.
void appendTrimmedString(QString &s, QStringView other);
void appendUnichar(QString &s, char16_t c);
/// Appends count units; nothing for a null pointer or a count below 1.
void appendUnichars(QString &s, const char16_t *units, qsizetype count);
/// Inserts c before index; nothing for an index outside [0, size].
void insertCharacter(QString &s, char16_t c, qsizetype index);
/// Deletes the unit at index; nothing for an index outside [0, size).
void removeCharacterAtIndex(QString &s, qsizetype index);

// Full Unicode case mappings without a locale (so "\u00DF" uppercases to "SS").
void lowercase(QString &s);
void uppercase(QString &s);
/// The first letter of every word in titlecase, the rest in lowercase. A word is a run of
/// letters, marks and digits, an apostrophe between letters included: "3d" stays "3d" and
/// "don't-stop" gives "Don't-Stop".
void capitalize(QString &s);

// A plain string carries no attachments, links or attributes; these let code written for
// attributed text take plain text too.
inline void removeAttachments(QString &) {
}
inline void removeLinks(QString &) {
}
inline void removeAttribute(QString &, QStringView /*name*/) {
}

} // namespace textlib
