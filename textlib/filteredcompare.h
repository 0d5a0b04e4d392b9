// Comparing unit arrays and strings by only the units of one character class, or through a
// conversion table.
#pragma once

#include "charactersets.h"
#include "conversiontables.h"

#include <QStringView>

namespace textlib {

/// How much of the first array the second must match.
enum class FilterMatch {
    Whole,  ///< both arrays hold the same members
    Prefix, ///< the members of the second array begin those of the first
};

/// Compares a and b looking only at the members of rep; every other unit is skipped in both.
/// With Qt::CaseInsensitive two members agree when their upperCharsTable forms do. Arrays
/// without members are equal, and have each other as prefix.
bool equalCharsOfCharacterSetRep(const char16_t *a, qsizetype aLength, const char16_t *b,
                                 qsizetype bLength, CharacterSetRep rep,
                                 Qt::CaseSensitivity cs = Qt::CaseSensitive,
                                 FilterMatch match = FilterMatch::Whole);

inline bool equalCharsNoCaseOfCharacterSetRep(const char16_t *a, qsizetype aLength,
                                              const char16_t *b, qsizetype bLength,
                                              CharacterSetRep rep) {
    return equalCharsOfCharacterSetRep(a, aLength, b, bLength, rep, Qt::CaseInsensitive);
}
/// Whether the members of prefix begin the members of a.
inline bool hasPrefixCharsOfCharacterSetRep(const char16_t *a, qsizetype aLength,
                                            const char16_t *prefix, qsizetype prefixLength,
                                            CharacterSetRep rep) {
    return equalCharsOfCharacterSetRep(a, aLength, prefix, prefixLength, rep, Qt::CaseSensitive,
                                       FilterMatch::Prefix);
}
inline bool hasPrefixCharsNoCaseOfCharacterSetRep(const char16_t *a, qsizetype aLength,
                                                  const char16_t *prefix, qsizetype prefixLength,
                                                  CharacterSetRep rep) {
    return equalCharsOfCharacterSetRep(a, aLength, prefix, prefixLength, rep, Qt::CaseInsensitive,
                                       FilterMatch::Prefix);
}

/// equalCharsOfCharacterSetRep() on the units of two strings; a null string is empty.
bool equalStringsUsingCharacterSetRep(QStringView s1, QStringView s2, CharacterSetRep rep,
                                      Qt::CaseSensitivity cs = Qt::CaseSensitive,
                                      FilterMatch match = FilterMatch::Whole);

inline bool equalStringsNoCaseUsingCharacterSetRep(QStringView s1, QStringView s2,
                                                   CharacterSetRep rep) {
    return equalStringsUsingCharacterSetRep(s1, s2, rep, Qt::CaseInsensitive);
}
inline bool hasPrefixUsingCharacterSetRep(QStringView s, QStringView prefix, CharacterSetRep rep) {
    return equalStringsUsingCharacterSetRep(s, prefix, rep, Qt::CaseSensitive, FilterMatch::Prefix);
}
inline bool hasPrefixNoCaseUsingCharacterSetRep(QStringView s, QStringView prefix,
                                                CharacterSetRep rep) {
    return equalStringsUsingCharacterSetRep(s, prefix, rep, Qt::CaseInsensitive,
                                            FilterMatch::Prefix);
}

/// Whether s1 and s2 have the same length and agree unit by unit once both are mapped through
/// table; a null table compares exactly. A null string is empty. The table cannot make strings
/// of different lengths equal.
bool equalStringsUsingConversionTable(QStringView s1, QStringView s2, ConversionTable table);

} // namespace textlib
