#include "whitespace.h"

#include "lines.h"
#include "unitscan_p.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace textlib {

namespace {

// Detaches s; called only once a unit really changes.
char16_t *mutableUnits(QString &s) {
    return reinterpret_cast<char16_t *>(s.data());
}

const char16_t *unitsOf(QStringView s) {
    return s.utf16();
}

struct InRep {
    CharacterSetRep rep;
    bool operator()(char16_t c) const { return isMember(rep, c); }
};

struct IsUnit {
    char16_t unit;
    bool operator()(char16_t c) const { return c == unit; }
};

struct IsFeed {
    bool operator()(char16_t c) const { return isFeed(c); }
};

// Units below 256 are looked up in a bitmap; wider ones walk the (usually short) group.
class UnitGroup {
public:
    explicit UnitGroup(QStringView group)
        : group_(group) {
        for (QChar g : group) {
            if (g.unicode() < 256)
                narrow_[g.unicode() >> 6] |= std::uint64_t(1) << (g.unicode() & 63);
            else
                hasWide_ = true;
        }
    }
    bool operator()(char16_t c) const {
        if (c < 256)
            return (narrow_[c >> 6] >> (c & 63)) & 1;
        return hasWide_ && group_.contains(QChar(c));
    }

private:
    QStringView group_;
    std::uint64_t narrow_[4] = {};
    bool hasWide_ = false;
};

// Keeps the non-members of src[from, size) and writes them to dst from `kept` on; returns the
// new length. dst may be src: writing never overtakes reading.
template<typename Member>
qsizetype keepNonMembers(const char16_t *src, qsizetype from, qsizetype size, char16_t *dst,
                         qsizetype kept, Member member) {
    for (qsizetype i = from; i < size; ++i) {
        const char16_t c = src[i];
        dst[kept] = c;
        kept += !member(c);
    }
    return kept;
}

template<typename Member> qsizetype firstMember(QStringView s, Member member) {
    const char16_t *units = unitsOf(s);
    qsizetype i = 0;
    while (i < s.size() && !member(units[i]))
        ++i;
    return i;
}

template<typename Member> void removeIn(QString &s, Member member) {
    const qsizetype first = firstMember(s, member);
    if (first == s.size())
        return;
    char16_t *d = mutableUnits(s);
    s.truncate(keepNonMembers(d, first + 1, s.size(), d, first, member));
}

// Builds the copy straight from s rather than copying it whole and compacting again.
template<typename Member> QString removedFrom(const QString &s, Member member) {
    const qsizetype first = firstMember(s, member);
    if (first == s.size())
        return s;
    const char16_t *src = unitsOf(s);
    QString result(s.size() - 1, Qt::Uninitialized);
    char16_t *d = mutableUnits(result);
    std::copy(src, src + first, d);
    result.truncate(keepNonMembers(src, first + 1, s.size(), d, first, member));
    return result;
}

// Where collapsing first changes something: a run longer than one unit, or a single unit that
// is not already the replacement. size when nothing changes.
template<typename Member>
qsizetype firstCollapse(const char16_t *units, qsizetype size, Member member,
                        char16_t replacement) {
    for (qsizetype i = 0; i < size; ++i) {
        if (!member(units[i]))
            continue;
        if (units[i] != replacement || (i + 1 < size && member(units[i + 1])))
            return i;
        ++i; // the unit after a run of one is no member
    }
    return size;
}

// Collapses src[from, size), where a run starts, into dst from index `from` on; returns the new
// length. dst may be src: at most one unit is written per unit read. Branch-free, since blanks
// come at no predictable rhythm.
template<typename Member>
qsizetype collapseRuns(const char16_t *src, qsizetype from, qsizetype size, char16_t *dst,
                       Member member, char16_t replacement) {
    qsizetype w = from;
    bool inRun = false;
    for (qsizetype i = from; i < size; ++i) {
        const char16_t c = src[i];
        const bool isMember = member(c);
        dst[w] = isMember ? replacement : c;
        w += !(isMember && inRun);
        inRun = isMember;
    }
    return w;
}

template<typename Member> void collapseIn(QString &s, Member member, char16_t replacement) {
    const qsizetype first = firstCollapse(unitsOf(s), s.size(), member, replacement);
    if (first == s.size())
        return;
    char16_t *d = mutableUnits(s);
    s.truncate(collapseRuns(d, first, s.size(), d, member, replacement));
}

template<typename Member>
QString collapsedFrom(const QString &s, Member member, char16_t replacement) {
    const char16_t *src = unitsOf(s);
    const qsizetype first = firstCollapse(src, s.size(), member, replacement);
    if (first == s.size())
        return s;
    QString result(s.size(), Qt::Uninitialized);
    char16_t *d = mutableUnits(result);
    std::copy(src, src + first, d);
    result.truncate(collapseRuns(src, first, s.size(), d, member, replacement));
    return result;
}

// Narrows s to [from, to) with one copy of the kept part at most; cutting only the end of an
// unshared string copies nothing.
void keepRange(QString &s, qsizetype from, qsizetype to) {
    if (from > 0)
        s = QStringView(s).sliced(from, to - from).toString();
    else if (to < s.size())
        s.truncate(to);
}

template<typename Member> qsizetype leadingRun(QStringView s, Member member) {
    return firstMember(s, [member](char16_t c) { return !member(c); });
}

template<typename Member> qsizetype trailingRunStart(QStringView s, Member member) {
    const char16_t *units = unitsOf(s);
    qsizetype end = s.size();
    while (end > 0 && member(units[end - 1]))
        --end;
    return end;
}

} // namespace

void removeWhiteSpaces(QString &s) {
    removeIn(s, InRep{whiteCharacterSetRep()});
}

void removeSpaces(QString &s) {
    removeIn(s, InRep{spaceCharacterSetRep()});
}

void removeTabs(QString &s) {
    removeCharacters(s, u'\t');
}

void removeFeeds(QString &s) {
    removeIn(s, IsFeed{});
}

void removeDigits(QString &s) {
    removeIn(s, InRep{digitCharacterSetRep()});
}

void removeCharacters(QString &s, char16_t c) {
    const char16_t *units = unitsOf(s);
    const char16_t *hit = detail::findUnit(units, units + s.size(), c);
    if (!hit)
        return;
    const qsizetype first = hit - units;
    char16_t *d = mutableUnits(s);
    s.truncate(keepNonMembers(d, first + 1, s.size(), d, first, IsUnit{c}));
}

void removeCharactersOfString(QString &s, QStringView units) {
    if (units.size() == 1)
        removeCharacters(s, units.front().unicode());
    else if (!units.isEmpty())
        removeIn(s, UnitGroup(units));
}

QString stringByRemovingCharactersInRep(const QString &s, CharacterSetRep rep) {
    return rep ? removedFrom(s, InRep{rep}) : s;
}

QString stringByRemovingWhiteSpaces(const QString &s) {
    return removedFrom(s, InRep{whiteCharacterSetRep()});
}

QString stringByRemovingSpaces(const QString &s) {
    return removedFrom(s, InRep{spaceCharacterSetRep()});
}

QString stringByRemovingTabs(const QString &s) {
    return removedFrom(s, IsUnit{u'\t'});
}

QString stringByRemovingFeeds(const QString &s) {
    return removedFrom(s, IsFeed{});
}

QString stringByRemovingDigits(const QString &s) {
    return removedFrom(s, InRep{digitCharacterSetRep()});
}

void removeMultipleWhiteSpaces(QString &s, RunClass runs, char16_t replacement) {
    switch (runs) {
    case RunClass::White:
        return collapseIn(s, InRep{whiteCharacterSetRep()}, replacement);
    case RunClass::Spaces:
        return collapseIn(s, InRep{spaceCharacterSetRep()}, replacement);
    case RunClass::Feeds:
        return collapseIn(s, IsFeed{}, replacement);
    }
}

QString stringByRemovingMultipleWhiteSpaces(const QString &s, RunClass runs, char16_t replacement) {
    switch (runs) {
    case RunClass::White:
        return collapsedFrom(s, InRep{whiteCharacterSetRep()}, replacement);
    case RunClass::Spaces:
        return collapsedFrom(s, InRep{spaceCharacterSetRep()}, replacement);
    case RunClass::Feeds:
        return collapsedFrom(s, IsFeed{}, replacement);
    }
    return s;
}

void removeMultipleSpaces(QString &s) {
    removeMultipleWhiteSpaces(s, RunClass::Spaces, u' ');
}

QString stringByRemovingMultipleSpaces(const QString &s) {
    return stringByRemovingMultipleWhiteSpaces(s, RunClass::Spaces, u' ');
}

void removeMultipleFeeds(QString &s) {
    removeMultipleWhiteSpaces(s, RunClass::Feeds, u'\n');
}

QString stringByRemovingMultipleFeeds(const QString &s) {
    return stringByRemovingMultipleWhiteSpaces(s, RunClass::Feeds, u'\n');
}

void trimWhiteSpaces(QString &s) {
    const InRep white{whiteCharacterSetRep()};
    const qsizetype from = leadingRun(s, white);
    // An all-white string is cut from the front only, so it is not scanned twice.
    keepRange(s, from, from == s.size() ? from : trailingRunStart(s, white));
}

void trimPrefixCharacter(QString &s, char16_t c) {
    keepRange(s, leadingRun(s, IsUnit{c}), s.size());
}

void trimSuffixCharacter(QString &s, char16_t c) {
    keepRange(s, 0, trailingRunStart(s, IsUnit{c}));
}

void trimCharacter(QString &s, char16_t c) {
    trimPrefixCharacter(s, c);
    trimSuffixCharacter(s, c);
}

void trimFeeds(QString &s) {
    keepRange(s, 0, trailingRunStart(s, IsFeed{}));
}

QString stringByTrimmingFeeds(const QString &s) {
    QString result = s;
    trimFeeds(result);
    return result;
}

// Columns are kept as the offset inside the current tab cell, [0, width): only the distance to
// the next stop matters, and a huge width cannot overflow the counter.
void decodeTabs(QString &s, qsizetype width) {
    if (width < 1)
        return;
    const char16_t *src = unitsOf(s);
    const qsizetype size = s.size();
    if (!detail::findUnit(src, src + size, u'\t'))
        return;
    // The first pass sizes the result exactly, so the second writes without growing. A result
    // too large to address leaves s alone.
    constexpr qsizetype limit = std::numeric_limits<qsizetype>::max() / 4;
    qsizetype cell = 0;
    qsizetype length = 0;
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = src[i];
        const qsizetype n = c == u'\t' ? width - cell : 1;
        if (n > limit - length)
            return;
        length += n;
        cell = isFeed(c) || cell + n == width ? 0 : cell + n;
    }
    QString result(length, Qt::Uninitialized);
    char16_t *d = mutableUnits(result);
    cell = 0;
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = src[i];
        if (c == u'\t') {
            d = std::fill_n(d, width - cell, u' ');
            cell = 0;
        } else {
            *d++ = c;
            cell = isFeed(c) || cell + 1 == width ? 0 : cell + 1;
        }
    }
    s = std::move(result);
}

void encodeTabs(QString &s, qsizetype width) {
    if (width < 1)
        return;
    const CharacterSetRep blank = spaceCharacterSetRep();
    const char16_t *src = unitsOf(s);
    const qsizetype size = s.size();
    // Until the first real change the output is the input itself (w == i): nothing is written
    // and s is not detached.
    char16_t *d = nullptr;
    qsizetype w = 0;
    qsizetype cell = 0;
    qsizetype run = -1; // output index of the open blank run's first unit
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = d ? d[i] : src[i];
        if (d)
            d[w] = c;
        ++w;
        if (isFeed(c)) {
            cell = 0;
            run = -1;
            continue;
        }
        cell = c == u'\t' || cell + 1 == width ? 0 : cell + 1;
        if (!isMember(blank, c)) {
            run = -1;
            continue;
        }
        if (run < 0)
            run = w - 1;
        if (cell != 0)
            continue;
        // The run ends on a tab stop. A lone TAB is already its own replacement.
        if (w - run > 1 || c != u'\t') {
            if (!d)
                d = mutableUnits(s);
            d[run] = u'\t';
            w = run + 1;
        }
        run = -1;
    }
    if (d)
        s.truncate(w);
}

} // namespace textlib
