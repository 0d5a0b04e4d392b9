#include "finding.h"

#include "conversiontables.h"
#include "fastcompare.h"

namespace textlib {

namespace {

constexpr Range NotFoundRange{NotFound, 0};

bool equalFolded(const char16_t *a, const char16_t *b, qsizetype n, ConversionTable upper) {
    for (qsizetype i = 0; i < n; ++i) {
        if (upper[a[i]] != upper[b[i]])
            return false;
    }
    return true;
}

// Backward from the last possible start, since a previous match usually lies near the
// selection.
qsizetype lastFolded(QStringView hay, QStringView needle) {
    const ConversionTable upper = initUpperCharsTable();
    const char16_t *h = hay.utf16();
    const char16_t *n = needle.utf16();
    const char16_t first = upper[n[0]];
    for (qsizetype i = hay.size() - needle.size(); i >= 0; --i) {
        if (upper[h[i]] == first && equalFolded(h + i + 1, n + 1, needle.size() - 1, upper))
            return i;
    }
    return -1;
}

// Index of the first or last occurrence of needle in hay, or -1. needle is not empty.
qsizetype search(QStringView hay, QStringView needle, Qt::CaseSensitivity cs,
                 Direction direction = Direction::Forward) {
    if (needle.size() > hay.size())
        return -1;
    if (cs == Qt::CaseSensitive)
        return direction == Direction::Forward ? hay.indexOf(needle) : hay.lastIndexOf(needle);
    if (direction == Direction::Backward)
        return lastFolded(hay, needle);
    const char16_t *hit =
        fastCaseInsensitiveContainsUnichars(hay.utf16(), hay.size(), needle.utf16(), needle.size());
    return hit ? hit - hay.utf16() : -1;
}

} // namespace

Range findString(QStringView s, QStringView needle, Range range, Qt::CaseSensitivity cs,
                 Direction direction, Wrap wrap) {
    if (needle.isEmpty() || !rangeLiesWithin(range, s.size()))
        return NotFoundRange;
    const qsizetype end = range.end();
    const QStringView before = s.first(range.location);
    const QStringView after = s.sliced(end);
    const auto found = [&](qsizetype i, qsizetype offset) {
        return i < 0 ? NotFoundRange : Range{offset + i, needle.size()};
    };
    if (direction == Direction::Forward) {
        if (const qsizetype i = search(after, needle, cs); i >= 0)
            return found(i, end);
        if (end == 0 || wrap == Wrap::Off)
            return NotFoundRange;
        return found(search(before, needle, cs), 0);
    }
    if (const qsizetype i = search(before, needle, cs, direction); i >= 0)
        return found(i, 0);
    if (wrap == Wrap::Off || end >= s.size())
        return NotFoundRange;
    return found(search(after, needle, cs, direction), end);
}

bool containsSubstring(QStringView s, QStringView needle, Qt::CaseSensitivity cs) {
    return !needle.isEmpty() && search(s, needle, cs) >= 0;
}

qsizetype countSubstring(QStringView s, QStringView needle, Qt::CaseSensitivity cs) {
    if (needle.isEmpty())
        return 0;
    qsizetype count = 0;
    qsizetype from = 0;
    while (from < s.size()) {
        const qsizetype i = search(s.sliced(from), needle, cs);
        if (i < 0)
            break;
        ++count;
        from += i + needle.size();
    }
    return count;
}

bool containsSubstrings(QStringView s, std::span<const QString> list, Qt::CaseSensitivity cs) {
    for (const QString &needle : list) {
        if (needle.isNull())
            break;
        if (containsSubstring(s, needle, cs))
            return true;
    }
    return false;
}

bool containsSubCStrings(QStringView s, std::span<const char *const> list, Qt::CaseSensitivity cs) {
    return fastContainsSubCStrings(s, list,
                                   cs == Qt::CaseSensitive ? nullptr : initLowerCharsTable());
}

qsizetype indexOfStringInArray(const QStringList &list, QStringView string,
                               Qt::CaseSensitivity cs) {
    if (string.isEmpty())
        return NotFound;
    const ConversionTable upper = initUpperCharsTable();
    for (qsizetype i = 0; i < list.size(); ++i) {
        const QString &element = list[i];
        if (element.size() != string.size())
            continue;
        if (cs == Qt::CaseSensitive
                ? QStringView(element) == string
                : equalFolded(QStringView(element).utf16(), string.utf16(), string.size(), upper))
            return i;
    }
    return NotFound;
}

} // namespace textlib
