#include "trimming.h"

#include "conversiontables.h"
#include "whitespace.h"

namespace textlib {

namespace {

constexpr Range NotFoundRange{NotFound, 0};

enum Sides { Leading = 1, Trailing = 2, Both = Leading | Trailing };

struct InRep {
    CharacterSetRep rep;
    bool operator()(char16_t c) const { return isMember(rep, c); }
};

CharacterSetRep repFor(Feeds feeds) {
    return feeds == Feeds::Trim ? whiteCharacterSetRep() : spaceCharacterSetRep();
}

// The part of range left once the trimmed units at the chosen sides are dropped; the empty
// range at the end when every unit goes. range lies inside units.
template<typename Trimmed>
Range keptPart(const char16_t *units, Range range, Trimmed isTrimmed, int sides) {
    qsizetype from = range.location;
    qsizetype to = range.end();
    if (sides & Leading) {
        while (from < to && isTrimmed(units[from]))
            ++from;
        if (from == to)
            return {to, 0};
    }
    // With the leading walk done, units[from] is kept, so this stops there at the latest.
    if (sides & Trailing) {
        while (to > from && isTrimmed(units[to - 1]))
            --to;
    }
    return {from, to - from};
}

// The text of part, which lies inside s.
QString textOf(const QString &s, Range part) {
    if (part.length == s.size())
        return s;
    if (part.length == 0)
        return QString(QLatin1StringView(""));
    return s.sliced(part.location, part.length);
}

template<typename Trimmed> QString trimmed(const QString &s, Trimmed isTrimmed, int sides = Both) {
    if (s.isEmpty())
        return s;
    return textOf(s, keptPart(QStringView(s).utf16(), {0, s.size()}, isTrimmed, sides));
}

// A new string of the units of s that keep accepts, each mapped through map.
template<typename Keep, typename Map> QString filtered(const QString &s, Keep keep, Map map) {
    if (s.isEmpty())
        return s;
    QString out(s.size(), Qt::Uninitialized);
    char16_t *d = reinterpret_cast<char16_t *>(out.data());
    qsizetype n = 0;
    for (const QChar c : s) {
        if (keep(c.unicode()))
            d[n++] = map(c.unicode());
    }
    out.truncate(n);
    return out;
}

} // namespace

QString stringByTrimmingSpacesOfLeftSideAndFeeds(const QString &s, Feeds feeds) {
    return trimmed(s, InRep{repFor(feeds)}, Leading);
}

QString stringByTrimmingSpacesOfRightSideAndFeeds(const QString &s, Feeds feeds) {
    return trimmed(s, InRep{repFor(feeds)}, Trailing);
}

QString stringByTrimmingSpacesAndFeeds(const QString &s, Feeds feeds) {
    return trimmed(s, InRep{repFor(feeds)});
}

QString stringByTrimmingWhiteSpaces(const QString &s) {
    QString copy = s;
    trimWhiteSpaces(copy);
    return copy;
}

QString stringByTrimmingCharactersNotInRep(const QString &s, CharacterSetRep rep) {
    if (!rep)
        return trimmed(s, [](char16_t) { return true; });
    return trimmed(s, [rep](char16_t c) { return !isMember(rep, c); });
}

QString stringByTrimmingCharacter(const QString &s, char16_t c) {
    return trimmed(s, [c](char16_t u) { return u == c; });
}

QString stringByTrimmingPrefixCharacter(const QString &s, char16_t c) {
    return trimmed(
        s, [c](char16_t u) { return u == c; }, Leading);
}

QString stringByTrimmingSuffixCharacter(const QString &s, char16_t c) {
    return trimmed(
        s, [c](char16_t u) { return u == c; }, Trailing);
}

QString stringByTrimmingEnclosingCharacter(const QString &s, char16_t c) {
    const qsizetype size = s.size();
    qsizetype k = 0;
    // Integer half, so an odd run of c alone keeps its middle unit.
    while (k < size / 2 && s[k] == c && s[size - 1 - k] == c)
        ++k;
    return k == 0 ? s : textOf(s, {k, size - 2 * k});
}

QString stringByTrimmingQuotes(const QString &s) {
    return trimmed(s, [](char16_t c) { return c == u'"' || c == u'\''; });
}

QString stringByTrimmingEllipsis(const QString &s) {
    return trimmed(
        s, [](char16_t c) { return c == u'.' || c == u'\u2026'; }, Trailing);
}

QString stringByTrimmingDigits(const QString &s) {
    return trimmed(s, InRep{digitCharacterSetRep()});
}

Range trimWhiteSpacesInRange(QStringView s, Range range) {
    return trimSpacesInRange(s, range, Feeds::Trim);
}

Range trimSpacesInRange(QStringView s, Range range, Feeds feeds) {
    if (!rangeLiesWithin(range, s.size()))
        return NotFoundRange;
    return keptPart(s.utf16(), range, InRep{repFor(feeds)}, Both);
}

QString stringByTrimmingSpacesInRange(const QString &s, Range range, Feeds feeds) {
    const Range part = trimSpacesInRange(s, range, feeds);
    return part.location == NotFound ? QString() : textOf(s, part);
}

QString lowercaseStringByRemovingDigits(const QString &s) {
    const InRep digit{digitCharacterSetRep()};
    const ConversionTable lower = initLowerCharsTable();
    return filtered(
        s, [digit](char16_t c) { return !digit(c); }, [lower](char16_t c) { return lower[c]; });
}

QString uppercaseStringByRemovingDigits(const QString &s) {
    const InRep digit{digitCharacterSetRep()};
    const ConversionTable upper = initUpperCharsTable();
    return filtered(
        s, [digit](char16_t c) { return !digit(c); }, [upper](char16_t c) { return upper[c]; });
}

QString stringByRemovingNonIPCharacters(const QString &s) {
    const InRep digit{digitCharacterSetRep()};
    return filtered(
        s, [digit](char16_t c) { return c == u'.' || digit(c); }, [](char16_t c) { return c; });
}

} // namespace textlib
