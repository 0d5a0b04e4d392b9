#include "characters.h"

#include "conversiontables.h"
#include "editing.h"
#include "unitscan_p.h"
#include "whitespace.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace textlib {

namespace {

// A negative start is past the end: callers think of indexes as unsigned.
bool startsInside(QStringView s, qsizetype start) {
    return start >= 0 && start < s.size();
}

// Only a unit with case needs the table: one without case matches nothing but itself.
bool foldsCase(char16_t c, Qt::CaseSensitivity cs) {
    return cs == Qt::CaseInsensitive && hasCase(c);
}

// Forms below 256 are looked up in a bitmap built from the group, so the common groups of
// punctuation cost one test per unit; only wider forms walk the group.
template<typename Fold>
qsizetype findFoldedOneOf(QStringView s, QStringView group, qsizetype start, Fold fold) {
    std::uint64_t narrow[4] = {};
    bool hasWide = false;
    const char16_t *groupBegin = group.utf16();
    const char16_t *groupEnd = groupBegin + group.size();
    for (const char16_t *g = groupBegin; g != groupEnd; ++g) {
        const char16_t f = fold(*g);
        if (f < 256)
            narrow[f >> 6] |= std::uint64_t(1) << (f & 63);
        else
            hasWide = true;
    }
    const char16_t *units = s.utf16();
    for (qsizetype i = start; i < s.size(); ++i) {
        const char16_t f = fold(units[i]);
        if (f < 256) {
            if ((narrow[f >> 6] >> (f & 63)) & 1)
                return i;
        } else if (hasWide) {
            for (const char16_t *g = groupBegin; g != groupEnd; ++g) {
                if (fold(*g) == f)
                    return i;
            }
        }
    }
    return NotFound;
}

} // namespace

qsizetype countCharacter(QStringView s, char16_t c, qsizetype start, Qt::CaseSensitivity cs) {
    if (!startsInside(s, start))
        return 0;
    const char16_t *p = s.utf16() + start;
    const char16_t *end = s.utf16() + s.size();
    if (!foldsCase(c, cs))
        return detail::countUnit(p, end, c);
    const ConversionTable upper = initUpperCharsTable();
    const char16_t wanted = upper[c];
    qsizetype n = 0;
    for (; p != end; ++p)
        n += upper[*p] == wanted;
    return n;
}

qsizetype findCharacter(QStringView s, char16_t c, qsizetype start, Qt::CaseSensitivity cs) {
    if (!startsInside(s, start))
        return NotFound;
    const char16_t *begin = s.utf16();
    const char16_t *end = begin + s.size();
    if (!foldsCase(c, cs)) {
        const char16_t *hit = detail::findUnit(begin + start, end, c);
        return hit ? hit - begin : NotFound;
    }
    const ConversionTable upper = initUpperCharsTable();
    const char16_t wanted = upper[c];
    for (const char16_t *p = begin + start; p != end; ++p) {
        if (upper[*p] == wanted)
            return p - begin;
    }
    return NotFound;
}

qsizetype findLastCharacter(QStringView s, char16_t c, qsizetype start, Qt::CaseSensitivity cs) {
    if (!startsInside(s, start))
        return NotFound;
    const char16_t *begin = s.utf16();
    const char16_t *end = begin + s.size();
    if (!foldsCase(c, cs)) {
        const char16_t *hit = detail::findLastUnit(begin + start, end, c);
        return hit ? hit - begin : NotFound;
    }
    const ConversionTable upper = initUpperCharsTable();
    const char16_t wanted = upper[c];
    for (const char16_t *p = end; p != begin + start;) {
        if (upper[*--p] == wanted)
            return p - begin;
    }
    return NotFound;
}

qsizetype findOneOf(QStringView s, QStringView group, qsizetype start, Qt::CaseSensitivity cs) {
    if (!startsInside(s, start) || group.isEmpty())
        return NotFound;
    if (group.size() == 1)
        return findCharacter(s, group.front().unicode(), start, cs);
    if (cs == Qt::CaseSensitive)
        return findFoldedOneOf(s, group, start, [](char16_t u) { return u; });
    const ConversionTable upper = initUpperCharsTable();
    return findFoldedOneOf(s, group, start, [upper](char16_t u) { return upper[u]; });
}

bool containsCharacter(QStringView s, char16_t c, qsizetype start, Qt::CaseSensitivity cs) {
    return findCharacter(s, c, start, cs) != NotFound;
}

bool countLT(QStringView s, qsizetype *lt, qsizetype *gt) {
    const char16_t *begin = s.utf16();
    const char16_t *end = begin + s.size();
    const qsizetype opening = detail::countUnit(begin, end, u'<');
    const qsizetype closing = detail::countUnit(begin, end, u'>');
    if (lt)
        *lt = opening;
    if (gt)
        *gt = closing;
    return opening == closing && opening != 0;
}

bool containsCharacters(QStringView s, CharacterFlags mask) {
    // Bit for each ASCII unit that a flag names; 0 for every other unit.
    static constexpr auto bits = [] {
        std::array<unsigned char, 128> table{};
        table['.'] = 1;
        table['@'] = 2;
        table['/'] = 4;
        table['?'] = 8;
        table[';'] = 16;
        table['_'] = 32;
        table['*'] = 64;
        table['$'] = 128;
        return table;
    }();
    unsigned missing = mask.toInt();
    if (missing == 0 || missing > 0xFF)
        return false;
    for (QChar c : s) {
        if (c.unicode() < 128 && (missing &= ~unsigned(bits[c.unicode()])) == 0)
            return true;
    }
    return false;
}

QString stringByReplacingCharacter(const QString &s, char16_t from, char16_t to,
                                   Qt::CaseSensitivity cs) {
    if (s.isEmpty() || from == to)
        return s;
    // The scan reads s and writes only after the first real change, so an untouched string
    // comes back shared rather than copied.
    QString result = s;
    if (replaceCharacter(result, from, to, cs) == 0)
        return s;
    return result;
}

QString stringByReplacingString(const QString &s, const QString &target, const QString &replacement,
                                Qt::CaseSensitivity cs) {
    if (s.isNull() || target.isNull() || replacement.isNull())
        return s;
    QString result = s;
    replaceString(result, target, replacement, cs);
    return result;
}

QString stringByRemovingCharacters(const QString &s, char16_t c) {
    QString result = s;
    removeCharacters(result, c);
    return result;
}

QString stringByRemovingCharactersOfString(const QString &s, QStringView units) {
    QString result = s;
    removeCharactersOfString(result, units);
    return result;
}

QString sByR(const QString &s, quint64 n) {
    const char16_t k = char16_t(n % 26);
    if (k == 0)
        return s;
    const auto isLetter = [](char16_t c) { return (c | 0x20) >= u'a' && (c | 0x20) <= u'z'; };
    const char16_t *units = QStringView(s).utf16();
    const char16_t *first = std::find_if(units, units + s.size(), isLetter);
    if (first == units + s.size())
        return s;
    QString result = s;
    char16_t *d = reinterpret_cast<char16_t *>(result.data());
    for (char16_t *p = d + (first - units), *end = d + result.size(); p != end; ++p) {
        if (isLetter(*p)) {
            const char16_t a = *p & 0x20 ? u'a' : u'A';
            *p = char16_t(a + (*p - a + k) % 26);
        }
    }
    return result;
}

} // namespace textlib
