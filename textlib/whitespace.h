// Removing, collapsing and trimming classes of code units; expanding and compressing tabs.
#pragma once

#include "charactersets.h"

#include <QString>
#include <QStringView>

namespace textlib {

// The in-place forms detach s only when a unit really changes, so an untouched string stays
// shared with its copies; the copying forms then return s itself. Null stays null.

/// Deletes every member of whiteCharacterSetRep().
void removeWhiteSpaces(QString &s);
/// Deletes every member of spaceCharacterSetRep() (blanks inside a line, TAB and NUL).
void removeSpaces(QString &s);
void removeTabs(QString &s);
/// Deletes every line break (isFeed in lines.h).
void removeFeeds(QString &s);
/// Deletes every member of digitCharacterSetRep().
void removeDigits(QString &s);
void removeCharacters(QString &s, char16_t c);
/// Deletes every unit that occurs in units; nothing for an empty or null units.
void removeCharactersOfString(QString &s, QStringView units);

/// s without the members of rep; s itself for a null rep or when nothing goes.
QString stringByRemovingCharactersInRep(const QString &s, CharacterSetRep rep);
QString stringByRemovingWhiteSpaces(const QString &s);
QString stringByRemovingSpaces(const QString &s);
QString stringByRemovingTabs(const QString &s);
QString stringByRemovingFeeds(const QString &s);
QString stringByRemovingDigits(const QString &s);

/// Which units form the runs that the collapsing functions replace.
enum class RunClass {
    Feeds,  ///< line breaks (isFeed)
    Spaces, ///< members of spaceCharacterSetRep()
    White,  ///< members of whiteCharacterSetRep()
};

/// Replaces every run of one or more units of the class by one replacement unit, also at the
/// ends (nothing is trimmed) and also a run of one, so a lone TAB becomes a space. One pass.
void removeMultipleWhiteSpaces(QString &s, RunClass runs = RunClass::White,
                               char16_t replacement = u' ');
QString stringByRemovingMultipleWhiteSpaces(const QString &s, RunClass runs = RunClass::White,
                                            char16_t replacement = u' ');
/// Runs of blanks become one space.
void removeMultipleSpaces(QString &s);
QString stringByRemovingMultipleSpaces(const QString &s);
/// Runs of line breaks (CR LF included) become one LF.
void removeMultipleFeeds(QString &s);
QString stringByRemovingMultipleFeeds(const QString &s);

/// Removes the members of whiteCharacterSetRep() at both ends.
void trimWhiteSpaces(QString &s);
/// Removes the run of c at the start.
void trimPrefixCharacter(QString &s, char16_t c);
/// Removes the run of c at the end.
void trimSuffixCharacter(QString &s, char16_t c);
/// Removes the runs of c at both ends.
void trimCharacter(QString &s, char16_t c);
/// Removes the line breaks at the end; leading ones stay.
void trimFeeds(QString &s);
QString stringByTrimmingFeeds(const QString &s);

// Tab stops lie every `width` columns; the column starts at 0 on every line. A width below 1 has
// no tab stops, so both leave s untouched.

/// Replaces every TAB by the spaces up to the next tab stop (one to width of them).
void decodeTabs(QString &s, qsizetype width);
/// Replaces every run of blanks that ends exactly on a tab stop by one TAB; blanks after the
/// last tab stop of a run stay.
void encodeTabs(QString &s, qsizetype width);

} // namespace textlib
