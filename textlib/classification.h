// What a text is made of: membership, character kinds, numbers, mashed words.
#pragma once

#include "charactersets.h"
#include "conversiontables.h"

#include <QString>
#include <QStringView>

namespace textlib {

// A null rep has no members. A null string is empty. Number tests use ASCII digits (0-9) only;
// the digit class tests use digitCharacterSetRep() (every decimal digit).

/// Whether at least one unit of s is a member of rep; false for an empty s or a null rep.
bool characterPartOfSet(QStringView s, CharacterSetRep rep);
/// The number of units of s that are members of rep; 0 for an empty s or a null rep.
qsizetype countCharactersPartOfSet(QStringView s, CharacterSetRep rep);
/// Whether every unit of s is a member of rep; resultForEmpty when s is empty. A non-empty s is
/// never made of a null rep.
bool charactersPartOfSet(QStringView s, CharacterSetRep rep, bool resultForEmpty);

inline bool containsAlphaNumCharacter(QStringView s) {
    return characterPartOfSet(s, alphaNumCharacterSetRep());
}
inline bool containsAlphaCharacter(QStringView s) {
    return characterPartOfSet(s, alphaCharacterSetRep());
}
inline bool containsWhiteCharacter(QStringView s) {
    return characterPartOfSet(s, whiteCharacterSetRep());
}
inline bool containsDigitCharacter(QStringView s) {
    return characterPartOfSet(s, digitCharacterSetRep());
}

inline qsizetype countAlphaNumCharacters(QStringView s) {
    return countCharactersPartOfSet(s, alphaNumCharacterSetRep());
}
inline qsizetype countAlphaCharacters(QStringView s) {
    return countCharactersPartOfSet(s, alphaCharacterSetRep());
}
inline qsizetype countWhiteCharacters(QStringView s) {
    return countCharactersPartOfSet(s, whiteCharacterSetRep());
}
inline qsizetype countDigitCharacters(QStringView s) {
    return countCharactersPartOfSet(s, digitCharacterSetRep());
}

/// Only white units; true for an empty s.
inline bool isWhiteString(QStringView s) {
    return charactersPartOfSet(s, whiteCharacterSetRep(), true);
}
/// Only blanks (no line breaks); true for an empty s.
inline bool isSpaceString(QStringView s) {
    return charactersPartOfSet(s, spaceCharacterSetRep(), true);
}
/// Only decimal digits; false for an empty s.
inline bool isDigitString(QStringView s) {
    return charactersPartOfSet(s, digitCharacterSetRep(), false);
}
/// Only letters and marks; false for an empty s.
inline bool isAlphaString(QStringView s) {
    return charactersPartOfSet(s, alphaCharacterSetRep(), false);
}
/// Only letters, marks and numbers; false for an empty s.
inline bool isAlphaNumString(QStringView s) {
    return charactersPartOfSet(s, alphaNumCharacterSetRep(), false);
}

/// Whether every unit is at most U+007F; true for an empty s.
bool isAsciiString(QStringView s);
/// Whether some unit loses a diacritic in the umlauts table; false for an empty s.
bool isUmlautedString(QStringView s);
/// Whether no unit changes in the lower table; true for an empty s.
bool isLowerCaseString(QStringView s);
/// Whether no unit changes in the upper table (so U+00DF counts); true for an empty s.
bool isUpperCaseString(QStringView s);

/// The number of maximal runs of ASCII digits: "a1b22c333" has 3.
qsizetype countNumbers(QStringView s);
/// Whether number occurs in s with no ASCII digit right before or after it. The search resumes
/// after a rejected occurrence, so overlapping ones are not tried: "1212" holds no "12". False
/// for an empty or null number.
bool containsNumber(QStringView s, QStringView number);
/// Whether the first length units of s (all of s when it is shorter) hold a run of at least n
/// ASCII digits; false when n < 1 or length < n.
bool containsNumberWithNDigits(QStringView s, qsizetype length, qsizetype n);
inline bool containsNumberWithNDigits(QStringView s, qsizetype n) {
    return containsNumberWithNDigits(s, s.size(), n);
}

/// Whether s begins with an uppercase letter, one or more lowercase letters, an uppercase letter
/// and a lowercase letter, as "WikiWord" does; the rest is not looked at.
bool isMashedWordString(QStringView s);
inline bool isMashedWord(QStringView s) {
    return isMashedWordString(s);
}

/// s with every unit u replaced by table[u]; s itself (shared) for a null table or when no unit
/// changes.
QString stringByApplyingConversionTable(const QString &s, ConversionTable table);
/// The members of alphaNumCharacterSetRep() in s, each mapped through table when one is given
/// (membership is tested before mapping); s itself when nothing changes, so null stays null.
QString stringByRemovingNonAlphaNumericCharactersAndApplyingConversionTable(
    const QString &s, ConversionTable table = nullptr);

} // namespace textlib
