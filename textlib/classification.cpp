#include "classification.h"

#include "characters.h"
#include "fastcompare.h"

#include <algorithm>

namespace textlib {

namespace {

const char16_t *unitsOf(QStringView s) {
    return s.utf16();
}

template<typename Pred> bool anyUnit(QStringView s, Pred pred) {
    const char16_t *units = unitsOf(s);
    return std::any_of(units, units + s.size(), pred);
}

template<typename Pred> bool allUnits(QStringView s, Pred pred) {
    const char16_t *units = unitsOf(s);
    return std::all_of(units, units + s.size(), pred);
}

// Where the copy first differs from s: the first unit that goes or changes, or s.size().
template<typename Keep, typename Map>
qsizetype firstChange(const char16_t *units, qsizetype size, Keep keep, Map map) {
    qsizetype i = 0;
    while (i < size && keep(units[i]) && map(units[i]) == units[i])
        ++i;
    return i;
}

// The kept units of s mapped; s itself when every unit stays as it is.
template<typename Keep, typename Map> QString filtered(const QString &s, Keep keep, Map map) {
    const char16_t *units = unitsOf(s);
    const qsizetype size = s.size();
    const qsizetype first = firstChange(units, size, keep, map);
    if (first == size)
        return s;
    QString result(size, Qt::Uninitialized);
    char16_t *out = reinterpret_cast<char16_t *>(result.data());
    std::copy(units, units + first, out);
    qsizetype kept = first;
    for (qsizetype i = first; i < size; ++i) {
        if (keep(units[i]))
            out[kept++] = map(units[i]);
    }
    result.truncate(kept);
    return result;
}

} // namespace

bool characterPartOfSet(QStringView s, CharacterSetRep rep) {
    return rep && anyUnit(s, [rep](char16_t c) { return isMember(rep, c); });
}

qsizetype countCharactersPartOfSet(QStringView s, CharacterSetRep rep) {
    if (!rep)
        return 0;
    const char16_t *units = unitsOf(s);
    return std::count_if(units, units + s.size(), [rep](char16_t c) { return isMember(rep, c); });
}

bool charactersPartOfSet(QStringView s, CharacterSetRep rep, bool resultForEmpty) {
    if (s.isEmpty())
        return resultForEmpty;
    return rep && allUnits(s, [rep](char16_t c) { return isMember(rep, c); });
}

bool isAsciiString(QStringView s) {
    return allUnits(s, [](char16_t c) { return c <= 0x7F; });
}

bool isUmlautedString(QStringView s) {
    const ConversionTable table = initUmlautsCharsTable();
    return anyUnit(s, [table](char16_t c) { return table[c] != c; });
}

bool isLowerCaseString(QStringView s) {
    const ConversionTable table = initLowerCharsTable();
    return allUnits(s, [table](char16_t c) { return table[c] == c; });
}

bool isUpperCaseString(QStringView s) {
    const ConversionTable table = initUpperCharsTable();
    return allUnits(s, [table](char16_t c) { return table[c] == c; });
}

qsizetype countNumbers(QStringView s) {
    const char16_t *units = unitsOf(s);
    qsizetype n = 0;
    bool inNumber = false;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const bool digit = isAsciiDigit(units[i]);
        n += digit && !inNumber;
        inNumber = digit;
    }
    return n;
}

bool containsNumber(QStringView s, QStringView number) {
    const qsizetype size = s.size(), length = number.size();
    if (length == 0 || length > size)
        return false;
    const char16_t *units = unitsOf(s);
    for (qsizetype p = 0; p <= size - length;) {
        const char16_t *hit = fastContainsUnichars(units + p, size - p, unitsOf(number), length);
        if (!hit)
            return false;
        const qsizetype at = hit - units, end = at + length;
        if ((at == 0 || !isAsciiDigit(units[at - 1])) && (end == size || !isAsciiDigit(units[end])))
            return true;
        p = end;
    }
    return false;
}

bool containsNumberWithNDigits(QStringView s, qsizetype length, qsizetype n) {
    if (n < 1 || length < n)
        return false;
    const char16_t *units = unitsOf(s);
    const qsizetype end = std::min(length, s.size());
    qsizetype run = 0;
    for (qsizetype i = 0; i < end; ++i) {
        run = isAsciiDigit(units[i]) ? run + 1 : 0;
        if (run == n)
            return true;
    }
    return false;
}

bool isMashedWordString(QStringView s) {
    const qsizetype size = s.size();
    if (size < 3)
        return false;
    const char16_t *units = unitsOf(s);
    const CharacterSetRep upper = upperCharacterSetRep(), lower = lowerCharacterSetRep();
    if (!isMember(upper, units[0]))
        return false;
    qsizetype k = 1;
    while (k < size && isMember(lower, units[k]))
        ++k;
    return k >= 2 && k + 1 < size && isMember(upper, units[k]) && isMember(lower, units[k + 1]);
}

QString stringByApplyingConversionTable(const QString &s, ConversionTable table) {
    if (!table)
        return s;
    return filtered(
        s, [](char16_t) { return true; }, [table](char16_t c) { return table[c]; });
}

QString stringByRemovingNonAlphaNumericCharactersAndApplyingConversionTable(const QString &s,
                                                                            ConversionTable table) {
    const CharacterSetRep alphaNum = alphaNumCharacterSetRep();
    const auto keep = [alphaNum](char16_t c) { return isMember(alphaNum, c); };
    if (!table)
        return filtered(s, keep, [](char16_t c) { return c; });
    return filtered(s, keep, [table](char16_t c) { return table[c]; });
}

} // namespace textlib
