// Comparing and searching raw arrays of UTF-16 units and of bytes.
#pragma once

#include "conversiontables.h"
#include "range.h"

#include <QString>
#include <QStringView>

#include <initializer_list>
#include <span>

namespace textlib {

// Byte arrays ("chars") hold ASCII text. Where a byte meets a unit, the byte stands for the unit
// of the same value (so bytes 0x80-0xFF read as Latin-1). Ignoring case means comparing
// upperCharsTable forms. Negative lengths count as 0.

/// The leftmost occurrence of needle in haystack, or null; an empty needle is never found.
const char16_t *fastContainsUnichars(const char16_t *haystack, qsizetype haystackLength,
                                     const char16_t *needle, qsizetype needleLength);
const char16_t *fastCaseInsensitiveContainsUnichars(const char16_t *haystack,
                                                    qsizetype haystackLength,
                                                    const char16_t *needle, qsizetype needleLength);
const char16_t *fastUnicharsContainChars(const char16_t *haystack, qsizetype haystackLength,
                                         const char *needle, qsizetype needleLength);
const char16_t *fastCaseInsensitiveUnicharsContainChars(const char16_t *haystack,
                                                        qsizetype haystackLength,
                                                        const char *needle, qsizetype needleLength);
/// fastUnicharsContainChars() or fastCaseInsensitiveUnicharsContainChars(), after cs.
const char16_t *positionOfCharacters(const char *needle, qsizetype needleLength,
                                     const char16_t *haystack, qsizetype haystackLength,
                                     Qt::CaseSensitivity cs);

/// Whether every unit is a member of whiteCharacterSetRep(); true for an empty array.
bool onlyWhiteCharacters(const char16_t *units, qsizetype length);

/// Whether any of the NUL-terminated byte strings in list occurs in s. A null entry ends the list
/// early, so a null-terminated array can be passed whole; an empty byte string matches nothing.
/// With a table, the units of s are mapped through it first and the byte strings are not: with
/// initLowerCharsTable() only byte strings written in lowercase can match.
bool fastContainsSubCStrings(QStringView s, std::span<const char *const> list,
                             ConversionTable table = nullptr);
inline bool fastContainsSubCStrings(QStringView s, std::initializer_list<const char *> list,
                                    ConversionTable table = nullptr) {
    return fastContainsSubCStrings(s, std::span(list.begin(), list.size()), table);
}

// Ordering: the difference of the first pair of (folded) units that differ, else
// aLength - bLength. So "a" against "c" gives -2 and "ab" against "a" gives 1.

qint64 fastCompareUnichars(const char16_t *a, qsizetype aLength, const char16_t *b,
                           qsizetype bLength);
qint64 fastCompareUnicharsWithChars(const char16_t *a, qsizetype aLength, const char *b,
                                    qsizetype bLength);
/// Bytes compare as signed 8-bit values, so 0xE9 sorts before 'a'.
qint64 fastCompareChars(const char *a, qsizetype aLength, const char *b, qsizetype bLength);
qint64 fastCaseInsensitiveCompareUnichars(const char16_t *a, qsizetype aLength, const char16_t *b,
                                          qsizetype bLength);
qint64 fastCaseInsensitiveCompareUnicharsWithChars(const char16_t *a, qsizetype aLength,
                                                   const char *b, qsizetype bLength);
/// ASCII bytes are folded; bytes 0x80-0xFF are not and compare as signed 8-bit values, as in
/// fastCompareChars(), so that lead bytes of UTF-8 never fold into each other.
qint64 fastCaseInsensitiveCompareChars(const char *a, qsizetype aLength, const char *b,
                                       qsizetype bLength);
/// Compares table forms; a null table compares exactly.
qint64 fastCompareUnicharsUsingConversionTable(const char16_t *a, qsizetype aLength,
                                               const char16_t *b, qsizetype bLength,
                                               ConversionTable table);

inline qint64 compareCharacters(const char16_t *a, qsizetype aLength, const char16_t *b,
                                qsizetype bLength) {
    return fastCompareUnichars(a, aLength, b, bLength);
}
inline qint64 compareCharacters(const char16_t *a, qsizetype aLength, const char *b,
                                qsizetype bLength) {
    return fastCompareUnicharsWithChars(a, aLength, b, bLength);
}
inline qint64 caseInsensitiveCompareCharacters(const char16_t *a, qsizetype aLength,
                                               const char16_t *b, qsizetype bLength) {
    return fastCaseInsensitiveCompareUnichars(a, aLength, b, bLength);
}
inline qint64 caseInsensitiveCompareCharacters(const char16_t *a, qsizetype aLength, const char *b,
                                               qsizetype bLength) {
    return fastCaseInsensitiveCompareUnicharsWithChars(a, aLength, b, bLength);
}

// String equality. A null string never equals anything here, not even another null string,
// except where noted.

/// Same length and equal ignoring case; two empty strings are equal.
bool isEqualToStringNoCase(const QString &s, const QString &other);
/// Same length and equal unit by unit under toUpperAscii(), so "\u00C9lan" equals "ELAN" and
/// U+00DF equals U+20AC (both become a space).
bool isAsciiEqualToStringNoCase(const QString &s, const QString &other);
/// Same length and equal unit by unit under upperUmlautsCharsTable.
bool isNonUmlautedEqualToStringNoCase(const QString &s, const QString &other);
/// Whether s begins with prefix ignoring case; false for an empty prefix.
bool hasPrefixNoCase(QStringView s, QStringView prefix);
/// Whether s ends with suffix ignoring case; false for an empty suffix.
bool hasSuffixNoCase(QStringView s, QStringView suffix);

// The range forms compare the units of s inside range with all of other. A range that does not
// lie inside s is never equal.

/// Exact equality; a null other is empty, so an empty range equals it.
bool rangeIsEqualTo(QStringView s, Range range, QStringView other);
/// Equality ignoring case; a null other is empty.
bool rangeIsEqualToNoCase(QStringView s, Range range, QStringView other);
/// Equality under toUpperAscii(); false for a null other.
bool rangeIsAsciiEqualToNoCase(QStringView s, Range range, const QString &other);
/// Equality under upperUmlautsCharsTable; false for a null other.
bool rangeIsNonUmlautedEqualToNoCase(QStringView s, Range range, const QString &other);

} // namespace textlib
