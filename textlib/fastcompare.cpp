#include "fastcompare.h"

#include "charactersets.h"
#include "unitscan_p.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

namespace textlib {

namespace {

using detail::UnitChoice;

inline char16_t unitOf(char16_t c) {
    return c;
}
inline char16_t unitOf(char c) {
    return char16_t(static_cast<unsigned char>(c));
}

inline qsizetype lengthOf(qsizetype length) {
    return std::max<qsizetype>(length, 0);
}

// Case partners that the two case tables do not lead to: units whose upper form is u but which
// are neither u nor lower[u], such as U+017F (long s) for 'S' or U+03D1 for U+0398. Sorted
// pairs of (upper form, unit); a few dozen.
const std::vector<std::pair<char16_t, char16_t>> &extraCasePartners() {
    static const std::vector<std::pair<char16_t, char16_t>> partners = [] {
        const ConversionTable upper = initUpperCharsTable();
        const ConversionTable lower = initLowerCharsTable();
        std::vector<std::pair<char16_t, char16_t>> found;
        for (char32_t c = 0; c <= 0xFFFF; ++c) {
            const char16_t x = char16_t(c);
            const char16_t u = upper[x];
            if (x != u && x != lower[u])
                found.emplace_back(u, x);
        }
        std::sort(found.begin(), found.end());
        return found;
    }();
    return partners;
}

// Every unit whose upper form is that of c, or false when they do not fit in a UnitChoice.
bool addCaseVariants(char16_t c, ConversionTable upper, UnitChoice &choice) {
    const char16_t u = upper[c];
    const char16_t l = initLowerCharsTable()[u];
    if (upper[u] == u && !choice.add(u))
        return false;
    if (upper[l] == u && !choice.add(l))
        return false;
    const auto &extras = extraCasePartners();
    auto it = std::lower_bound(extras.begin(), extras.end(), std::pair<char16_t, char16_t>(u, 0));
    for (; it != extras.end() && it->first == u; ++it) {
        if (!choice.add(it->second))
            return false;
    }
    return true;
}

template<typename Needle> bool equalsExactly(const char16_t *h, const Needle *n, qsizetype length) {
    if constexpr (std::is_same_v<Needle, char16_t>) {
        return std::memcmp(h, n, size_t(length) * sizeof(char16_t)) == 0;
    } else {
        for (qsizetype k = 0; k < length; ++k) {
            if (h[k] != unitOf(n[k]))
                return false;
        }
        return true;
    }
}

template<typename Needle>
bool equalsFolded(const char16_t *h, const Needle *n, qsizetype length, ConversionTable upper) {
    for (qsizetype k = 0; k < length; ++k) {
        const char16_t x = h[k];
        const char16_t y = unitOf(n[k]);
        if (x != y && upper[x] != upper[y])
            return false;
    }
    return true;
}

// Candidates are the positions whose first and last units match the needle's; the units between
// are then compared.
template<typename Needle>
const char16_t *findExact(const char16_t *haystack, qsizetype haystackLength, const Needle *needle,
                          qsizetype needleLength) {
    if (needleLength <= 0 || needleLength > haystackLength)
        return nullptr;
    const char16_t *const end = haystack + (haystackLength - needleLength + 1);
    const char16_t first = unitOf(needle[0]);
    if (needleLength == 1)
        return detail::findUnit(haystack, end, first);
    const qsizetype gap = needleLength - 1;
    return detail::findUnitPairs<1>(
        haystack, end, UnitChoice(first), gap, UnitChoice(unitOf(needle[gap])),
        [&](const char16_t *q) { return equalsExactly(q + 1, needle + 1, gap - 1); });
}

template<typename Needle>
const char16_t *findFolded(const char16_t *haystack, qsizetype haystackLength, const Needle *needle,
                           qsizetype needleLength) {
    if (needleLength <= 0 || needleLength > haystackLength)
        return nullptr;
    const ConversionTable upper = initUpperCharsTable();
    const char16_t *const end = haystack + (haystackLength - needleLength + 1);
    const qsizetype gap = needleLength - 1;
    const char16_t first = unitOf(needle[0]);
    const char16_t last = unitOf(needle[gap]);
    const auto rest = [&](const char16_t *q) {
        return equalsFolded(q + 1, needle + 1, gap - 1, upper);
    };
    UnitChoice firsts(first);
    UnitChoice lasts(last);
    if (!addCaseVariants(first, upper, firsts) || !addCaseVariants(last, upper, lasts)) {
        const char16_t firstUpper = upper[first];
        const char16_t lastUpper = upper[last];
        for (const char16_t *q = haystack; q != end; ++q) {
            if (upper[q[0]] == firstUpper && upper[q[gap]] == lastUpper && rest(q))
                return q;
        }
        return nullptr;
    }
    if (firsts.count == 1 && lasts.count == 1)
        return detail::findUnitPairs<1>(haystack, end, firsts, gap, lasts, rest);
    return detail::findUnitPairs<4>(haystack, end, firsts, gap, lasts, rest);
}

template<typename B, typename Fold>
qint64 compareFolded(const char16_t *a, qsizetype aLength, const B *b, qsizetype bLength,
                     Fold fold) {
    aLength = lengthOf(aLength);
    bLength = lengthOf(bLength);
    const qsizetype n = std::min(aLength, bLength);
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t x = a[i];
        const char16_t y = unitOf(b[i]);
        if (x != y) {
            const qint64 d = qint64(fold(x)) - qint64(fold(y));
            if (d != 0)
                return d;
        }
    }
    return qint64(aLength) - qint64(bLength);
}

template<typename Fold>
bool equalFolded(const char16_t *a, const char16_t *b, qsizetype length, Fold fold) {
    for (qsizetype i = 0; i < length; ++i) {
        if (a[i] != b[i] && fold(a[i]) != fold(b[i]))
            return false;
    }
    return true;
}

// toUpperAscii() with the umlauts table already in hand.
struct UpperAscii {
    ConversionTable umlauts = initUmlautsCharsTable();
    char16_t operator()(char16_t c) const {
        const char16_t u = umlauts[c];
        if (u > 0x7F)
            return u' ';
        return u >= u'a' && u <= u'z' ? char16_t(u - 0x20) : u;
    }
};

struct ThroughTable {
    ConversionTable table;
    char16_t operator()(char16_t c) const { return table[c]; }
};

const char16_t *unitsOf(const QString &s) {
    return QStringView(s).utf16();
}

const char16_t *unitsIn(QStringView s, Range range) {
    return s.utf16() + range.location;
}

template<typename Fold> bool equalAsStrings(const QString &s, const QString &other, Fold fold) {
    return !s.isNull() && !other.isNull() && s.size() == other.size()
           && equalFolded(unitsOf(s), unitsOf(other), s.size(), fold);
}

} // namespace

const char16_t *fastContainsUnichars(const char16_t *haystack, qsizetype haystackLength,
                                     const char16_t *needle, qsizetype needleLength) {
    return findExact(haystack, haystackLength, needle, needleLength);
}

const char16_t *fastCaseInsensitiveContainsUnichars(const char16_t *haystack,
                                                    qsizetype haystackLength,
                                                    const char16_t *needle,
                                                    qsizetype needleLength) {
    return findFolded(haystack, haystackLength, needle, needleLength);
}

const char16_t *fastUnicharsContainChars(const char16_t *haystack, qsizetype haystackLength,
                                         const char *needle, qsizetype needleLength) {
    return findExact(haystack, haystackLength, needle, needleLength);
}

const char16_t *fastCaseInsensitiveUnicharsContainChars(const char16_t *haystack,
                                                        qsizetype haystackLength,
                                                        const char *needle,
                                                        qsizetype needleLength) {
    return findFolded(haystack, haystackLength, needle, needleLength);
}

const char16_t *positionOfCharacters(const char *needle, qsizetype needleLength,
                                     const char16_t *haystack, qsizetype haystackLength,
                                     Qt::CaseSensitivity cs) {
    return cs == Qt::CaseSensitive ? findExact(haystack, haystackLength, needle, needleLength)
                                   : findFolded(haystack, haystackLength, needle, needleLength);
}

bool onlyWhiteCharacters(const char16_t *units, qsizetype length) {
    const CharacterSetRep white = whiteCharacterSetRep();
    return std::all_of(units, units + lengthOf(length),
                       [white](char16_t c) { return isMember(white, c); });
}

bool fastContainsSubCStrings(QStringView s, std::span<const char *const> list,
                             ConversionTable table) {
    const qsizetype length = s.size();
    if (length < 1)
        return false;
    const char16_t *units = s.utf16();
    std::array<char16_t, 256> onStack;
    std::unique_ptr<char16_t[]> onHeap;
    if (table) {
        char16_t *mapped = onStack.data();
        if (length > qsizetype(onStack.size())) {
            onHeap.reset(new (std::nothrow) char16_t[size_t(length)]);
            if (!onHeap)
                return false;
            mapped = onHeap.get();
        }
        for (qsizetype i = 0; i < length; ++i)
            mapped[i] = table[units[i]];
        units = mapped;
    }
    for (const char *bytes : list) {
        if (!bytes)
            break;
        if (findExact(units, length, bytes, qsizetype(std::strlen(bytes))))
            return true;
    }
    return false;
}

qint64 fastCompareUnichars(const char16_t *a, qsizetype aLength, const char16_t *b,
                           qsizetype bLength) {
    aLength = lengthOf(aLength);
    bLength = lengthOf(bLength);
    const qsizetype n = std::min(aLength, bLength);
    const qsizetype i = detail::firstDifference(a, b, n);
    if (i < n)
        return qint64(a[i]) - qint64(b[i]);
    return qint64(aLength) - qint64(bLength);
}

qint64 fastCompareUnicharsWithChars(const char16_t *a, qsizetype aLength, const char *b,
                                    qsizetype bLength) {
    return compareFolded(a, aLength, b, bLength, [](char16_t c) { return c; });
}

qint64 fastCompareChars(const char *a, qsizetype aLength, const char *b, qsizetype bLength) {
    aLength = lengthOf(aLength);
    bLength = lengthOf(bLength);
    const qsizetype n = std::min(aLength, bLength);
    for (qsizetype i = 0; i < n; ++i) {
        if (a[i] != b[i])
            return qint64(static_cast<signed char>(a[i])) - static_cast<signed char>(b[i]);
    }
    return qint64(aLength) - qint64(bLength);
}

qint64 fastCaseInsensitiveCompareUnichars(const char16_t *a, qsizetype aLength, const char16_t *b,
                                          qsizetype bLength) {
    return compareFolded(a, aLength, b, bLength, ThroughTable{initUpperCharsTable()});
}

qint64 fastCaseInsensitiveCompareUnicharsWithChars(const char16_t *a, qsizetype aLength,
                                                   const char *b, qsizetype bLength) {
    return compareFolded(a, aLength, b, bLength, ThroughTable{initUpperCharsTable()});
}

qint64 fastCaseInsensitiveCompareChars(const char *a, qsizetype aLength, const char *b,
                                       qsizetype bLength) {
    aLength = lengthOf(aLength);
    bLength = lengthOf(bLength);
    const ConversionTable upper = initUpperCharsTable();
    const auto fold = [upper](char c) -> qint64 {
        const signed char s = static_cast<signed char>(c);
        return s < 0 ? s : upper[char16_t(s)];
    };
    const qsizetype n = std::min(aLength, bLength);
    for (qsizetype i = 0; i < n; ++i) {
        if (a[i] != b[i]) {
            const qint64 d = fold(a[i]) - fold(b[i]);
            if (d != 0)
                return d;
        }
    }
    return qint64(aLength) - qint64(bLength);
}

qint64 fastCompareUnicharsUsingConversionTable(const char16_t *a, qsizetype aLength,
                                               const char16_t *b, qsizetype bLength,
                                               ConversionTable table) {
    if (!table)
        return fastCompareUnichars(a, aLength, b, bLength);
    return compareFolded(a, aLength, b, bLength, ThroughTable{table});
}

bool isEqualToStringNoCase(const QString &s, const QString &other) {
    return equalAsStrings(s, other, ThroughTable{initUpperCharsTable()});
}

bool isAsciiEqualToStringNoCase(const QString &s, const QString &other) {
    return equalAsStrings(s, other, UpperAscii{});
}

bool isNonUmlautedEqualToStringNoCase(const QString &s, const QString &other) {
    return equalAsStrings(s, other, ThroughTable{initUpperUmlautsCharsTable()});
}

bool hasPrefixNoCase(QStringView s, QStringView prefix) {
    return !prefix.isEmpty() && s.size() >= prefix.size()
           && equalFolded(s.utf16(), prefix.utf16(), prefix.size(),
                          ThroughTable{initUpperCharsTable()});
}

bool hasSuffixNoCase(QStringView s, QStringView suffix) {
    return !suffix.isEmpty() && s.size() >= suffix.size()
           && equalFolded(s.utf16() + (s.size() - suffix.size()), suffix.utf16(), suffix.size(),
                          ThroughTable{initUpperCharsTable()});
}

bool rangeIsEqualTo(QStringView s, Range range, QStringView other) {
    return rangeLiesWithin(range, s.size()) && other.size() == range.length
           && detail::firstDifference(unitsIn(s, range), other.utf16(), range.length)
                  == range.length;
}

bool rangeIsEqualToNoCase(QStringView s, Range range, QStringView other) {
    return rangeLiesWithin(range, s.size()) && other.size() == range.length
           && equalFolded(unitsIn(s, range), other.utf16(), range.length,
                          ThroughTable{initUpperCharsTable()});
}

bool rangeIsAsciiEqualToNoCase(QStringView s, Range range, const QString &other) {
    return !other.isNull() && rangeLiesWithin(range, s.size()) && other.size() == range.length
           && equalFolded(unitsIn(s, range), unitsOf(other), range.length, UpperAscii{});
}

bool rangeIsNonUmlautedEqualToNoCase(QStringView s, Range range, const QString &other) {
    return !other.isNull() && rangeLiesWithin(range, s.size()) && other.size() == range.length
           && equalFolded(unitsIn(s, range), unitsOf(other), range.length,
                          ThroughTable{initUpperUmlautsCharsTable()});
}

} // namespace textlib
