// Counting, finding and replacing single code units.
#pragma once

#include "charactersets.h"
#include "conversiontables.h"

#include <QFlags>
#include <QString>
#include <QStringView>

namespace textlib {

/// ASCII classes, as the C locale has them: nothing above 127 is a digit or a letter.
constexpr bool isAsciiDigit(char32_t c) {
    return c >= u'0' && c <= u'9';
}
constexpr bool isAsciiLetter(char32_t c) {
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}
/// The value of a hexadecimal digit of either case; -1 for any other character.
constexpr int hexDigitValue(char32_t c) {
    if (isAsciiDigit(c))
        return int(c - u'0');
    if (c >= u'a' && c <= u'f')
        return int(c - u'a') + 10;
    if (c >= u'A' && c <= u'F')
        return int(c - u'A') + 10;
    return -1;
}

// Indexes are code-unit positions; a start at or past the end, or a negative one, finds nothing.
// Qt::CaseInsensitive compares units by their upperCharsTable forms (see conversiontables.h).

/// Number of positions from start to the end that hold c.
qsizetype countCharacter(QStringView s, char16_t c, qsizetype start = 0,
                         Qt::CaseSensitivity cs = Qt::CaseSensitive);
/// Lowest index at or after start that holds c, or NotFound.
qsizetype findCharacter(QStringView s, char16_t c, qsizetype start = 0,
                        Qt::CaseSensitivity cs = Qt::CaseSensitive);
/// Highest index at or after start that holds c, or NotFound.
qsizetype findLastCharacter(QStringView s, char16_t c, qsizetype start = 0,
                            Qt::CaseSensitivity cs = Qt::CaseSensitive);
/// Lowest index at or after start whose unit occurs in group, or NotFound.
qsizetype findOneOf(QStringView s, QStringView group, qsizetype start = 0,
                    Qt::CaseSensitivity cs = Qt::CaseSensitive);
/// Whether c occurs at or after start.
bool containsCharacter(QStringView s, char16_t c, qsizetype start = 0,
                       Qt::CaseSensitivity cs = Qt::CaseSensitive);

/// Counts "<" and ">" in s into lt and gt, each when given; true when both counts are equal and
/// not 0, as in a balanced run of markup.
bool countLT(QStringView s, qsizetype *lt = nullptr, qsizetype *gt = nullptr);

/// The characters containsCharacters() can ask for, one bit each.
enum class CharacterFlag : unsigned {
    Period = 1,      ///< "."
    At = 2,          ///< "@"
    Slash = 4,       ///< "/"
    Question = 8,    ///< "?"
    Semicolon = 16,  ///< ";"
    Underscore = 32, ///< "_"
    Asterisk = 64,   ///< "*"
    Dollar = 128,    ///< "$"
};
Q_DECLARE_FLAGS(CharacterFlags, CharacterFlag)
Q_DECLARE_OPERATORS_FOR_FLAGS(CharacterFlags)

/// Whether every character selected by mask occurs in s. An empty mask or s gives false, and so
/// does a mask with any bit above Dollar: no character answers it.
bool containsCharacters(QStringView s, CharacterFlags mask);

/// s with every occurrence of from replaced by to; s itself (shared) when nothing changes.
QString stringByReplacingCharacter(const QString &s, char16_t from, char16_t to,
                                   Qt::CaseSensitivity cs = Qt::CaseSensitive);
/// s with every non-overlapping occurrence of target replaced; s itself when target is absent
/// from s or either argument is null.
QString stringByReplacingString(const QString &s, const QString &target, const QString &replacement,
                                Qt::CaseSensitivity cs = Qt::CaseSensitive);

// Both return s itself (shared) when nothing goes.
/// s without any occurrence of c.
QString stringByRemovingCharacters(const QString &s, char16_t c);
/// s without any unit that occurs in units; nothing goes for an empty or null units.
QString stringByRemovingCharactersOfString(const QString &s, QStringView units);

/// s with the ASCII letters rotated n places through the alphabet (case kept, everything else
/// untouched); s itself when n is a multiple of 26 or s holds no ASCII letter.
QString sByR(const QString &s, quint64 n);
inline QString stringByRotating(const QString &s, quint64 n) {
    return sByR(s, n);
}
/// ROT13, its own inverse.
inline QString stringByRotating13(const QString &s) {
    return sByR(s, 13);
}

} // namespace textlib
