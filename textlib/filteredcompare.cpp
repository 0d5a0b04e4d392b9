#include "filteredcompare.h"

#include <algorithm>

namespace textlib {

namespace {

// Steps p over the units of [p, end) that are not members.
inline const char16_t *nextMember(const char16_t *p, const char16_t *end, CharacterSetRep rep) {
    while (p != end && !isMember(rep, *p))
        ++p;
    return p;
}

} // namespace

bool equalCharsOfCharacterSetRep(const char16_t *a, qsizetype aLength, const char16_t *b,
                                 qsizetype bLength, CharacterSetRep rep, Qt::CaseSensitivity cs,
                                 FilterMatch match) {
    const char16_t *const aEnd = a + std::max<qsizetype>(aLength, 0);
    const char16_t *const bEnd = b + std::max<qsizetype>(bLength, 0);
    const ConversionTable upper = cs == Qt::CaseInsensitive ? initUpperCharsTable() : nullptr;
    for (;;) {
        a = nextMember(a, aEnd, rep);
        b = nextMember(b, bEnd, rep);
        if (a == aEnd)
            return b == bEnd;
        if (b == bEnd)
            return match == FilterMatch::Prefix;
        if (*a != *b && (!upper || upper[*a] != upper[*b]))
            return false;
        ++a;
        ++b;
    }
}

bool equalStringsUsingCharacterSetRep(QStringView s1, QStringView s2, CharacterSetRep rep,
                                      Qt::CaseSensitivity cs, FilterMatch match) {
    return equalCharsOfCharacterSetRep(s1.utf16(), s1.size(), s2.utf16(), s2.size(), rep, cs,
                                       match);
}

bool equalStringsUsingConversionTable(QStringView s1, QStringView s2, ConversionTable table) {
    if (s1.size() != s2.size())
        return false;
    if (!table)
        return s1 == s2;
    const char16_t *a = s1.utf16();
    const char16_t *b = s2.utf16();
    for (qsizetype i = 0; i < s1.size(); ++i) {
        if (a[i] != b[i] && table[a[i]] != table[b[i]])
            return false;
    }
    return true;
}

} // namespace textlib
