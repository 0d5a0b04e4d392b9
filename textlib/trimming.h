// Copying trimmers and their range forms.
#pragma once

#include "charactersets.h"
#include "range.h"

#include <QString>
#include <QStringView>

namespace textlib {

// Every trimmer answers s itself (shared) when nothing goes, an empty string when every unit
// goes, else a new substring. An empty or null s comes back as it is.

/// Which units the space trimmers drop.
enum class Feeds {
    Keep, ///< members of spaceCharacterSetRep(): blanks inside a line, line breaks stay
    Trim, ///< members of whiteCharacterSetRep(): blanks and line breaks
};

/// s without its leading blanks (and line breaks with Feeds::Trim).
QString stringByTrimmingSpacesOfLeftSideAndFeeds(const QString &s, Feeds feeds);
/// s without its trailing blanks (and line breaks with Feeds::Trim).
QString stringByTrimmingSpacesOfRightSideAndFeeds(const QString &s, Feeds feeds);
/// s without its leading and trailing blanks (and line breaks with Feeds::Trim).
QString stringByTrimmingSpacesAndFeeds(const QString &s, Feeds feeds);
/// A copy of s trimmed by trimWhiteSpaces().
QString stringByTrimmingWhiteSpaces(const QString &s);
/// s without the units at both ends that are not members of rep; a null rep has no members.
QString stringByTrimmingCharactersNotInRep(const QString &s, CharacterSetRep rep);
/// s without the runs of c at both ends.
QString stringByTrimmingCharacter(const QString &s, char16_t c);
/// s without the run of c at its start.
QString stringByTrimmingPrefixCharacter(const QString &s, char16_t c);
/// s without the run of c at its end.
QString stringByTrimmingSuffixCharacter(const QString &s, char16_t c);
/// s without the pairs of c that enclose it, matched from the outside in: "\"\"x\"" gives
/// "\"x" and "ccc" gives "c"; s itself when either end is no c.
QString stringByTrimmingEnclosingCharacter(const QString &s, char16_t c);
/// s without the runs of quotation marks and apostrophes, in any mix, at both ends.
QString stringByTrimmingQuotes(const QString &s);
/// s without the run of full stops and U+2026 at its end.
QString stringByTrimmingEllipsis(const QString &s);
/// s without the members of digitCharacterSetRep() at both ends.
QString stringByTrimmingDigits(const QString &s);

// The range forms keep s as it is. A range that does not lie inside s gives Range{NotFound, 0}
// and a null string.

/// The part of range left after dropping white units at both of its ends; the empty range at
/// the range's end when nothing is left.
Range trimWhiteSpacesInRange(QStringView s, Range range);
/// trimWhiteSpacesInRange() with blanks only (Feeds::Keep) or white units (Feeds::Trim).
Range trimSpacesInRange(QStringView s, Range range, Feeds feeds);
/// The text of the range trimSpacesInRange() answers: s itself when that is all of s, an empty
/// string when nothing is left.
QString stringByTrimmingSpacesInRange(const QString &s, Range range, Feeds feeds);

// The removing forms make a new string, even when no unit goes; an empty s comes back as it is.

/// s without its digits, every other unit mapped through lowerCharsTable.
QString lowercaseStringByRemovingDigits(const QString &s);
/// s without its digits, every other unit mapped through upperCharsTable.
QString uppercaseStringByRemovingDigits(const QString &s);
/// Only the digits and full stops of s, in order: "ip: 10.0.0.1/24" gives "10.0.0.124".
QString stringByRemovingNonIPCharacters(const QString &s);

} // namespace textlib
