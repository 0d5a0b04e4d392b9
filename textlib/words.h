// Words, separator-delimited pieces and links around an index.
#pragma once

#include "charactersets.h"
#include "range.h"

#include <QString>
#include <QStringView>

namespace textlib {

// Indexes are code-unit positions; a negative one or one at or past the end finds nothing
// (Range{NotFound, 0}). The text forms answer "" (empty, not null) when nothing is found and s
// itself (shared) when the range is all of s.

/// The run of members of alphaNumCharacterSetRep() around index; NotFound as index stands for
/// the last unit.
Range getWordRangeAtIndex(QStringView s, qsizetype index);
QString getWordAtIndex(const QString &s, qsizetype index);
/// The word at index 0: "" when s starts with anything but a letter or digit.
inline QString firstWord(const QString &s) {
    return getWordAtIndex(s, 0);
}
/// The word at the last unit: "" when s ends with anything but a letter or digit.
inline QString lastWord(const QString &s) {
    return getWordAtIndex(s, NotFound);
}

/// The run of units outside separators around index; not found on a separator. A null
/// separator set has no members.
Range getSubstringRangeAtIndex(QStringView s, qsizetype index, CharacterSetRep separators);
QString getSubstringAtIndex(const QString &s, qsizetype index, CharacterSetRep separators);

/// The web or mail address around index, as a click into text would pick it: bounded by white
/// space and angle brackets, without trailing punctuation such as ".", "?" or "!". An "@" at
/// index reads a mail address, bounded also by quotes, brackets, "|", "(", another "@" and "..",
/// and loses a trailing ")", "]", "*" or "|" too. Not found when index is on a bound or on the
/// trailing punctuation, or on an "@" at index 0.
Range getLinkRangeAtIndex(QStringView s, qsizetype index);
QString getLinkAtIndex(const QString &s, qsizetype index);

/// The first code unit of s, or 0 when s is empty.
inline char16_t firstCharacter(QStringView s) {
    return s.isEmpty() ? u'\0' : s.front().unicode();
}
/// The last code unit of s, or 0 when s is empty.
inline char16_t lastCharacter(QStringView s) {
    return s.isEmpty() ? u'\0' : s.back().unicode();
}

} // namespace textlib
