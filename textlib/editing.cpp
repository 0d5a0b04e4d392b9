#include "editing.h"

#include "charactersets.h"
#include "conversiontables.h"
#include "unitscan_p.h"

#include <QChar>
#include <QStringView>

#include <algorithm>

namespace textlib {

namespace {

// Detaches s; a shared string is copied only here, once something really changes.
char16_t *mutableUnits(QString &s) {
    return reinterpret_cast<char16_t *>(s.data());
}

// Case is ignored through the upper table so that it agrees with the character functions;
// matches therefore always have the target's length.
qsizetype indexOfIgnoringCase(QStringView s, QStringView target, qsizetype from) {
    const ConversionTable upper = initUpperCharsTable();
    const char16_t *units = s.utf16();
    const char16_t *wanted = target.utf16();
    const qsizetype length = target.size();
    const char16_t first = upper[wanted[0]];
    for (qsizetype i = from, last = s.size() - length; i <= last; ++i) {
        if (upper[units[i]] != first)
            continue;
        qsizetype k = 1;
        while (k < length && upper[units[i + k]] == upper[wanted[k]])
            ++k;
        if (k == length)
            return i;
    }
    return -1;
}

qsizetype indexOf(QStringView s, QStringView target, qsizetype from, Qt::CaseSensitivity cs) {
    return cs == Qt::CaseSensitive ? s.indexOf(target, from) : indexOfIgnoringCase(s, target, from);
}

bool inWord(char32_t c) {
    return QChar::isLetterOrNumber(c) || QChar::isMark(c);
}

bool isApostrophe(char32_t c) {
    return c == u'\'' || c == u'\u2019';
}

} // namespace

qsizetype replaceCharacter(QString &s, char16_t from, char16_t to, Qt::CaseSensitivity cs) {
    const qsizetype size = s.size();
    const char16_t *units = QStringView(s).utf16();
    if (cs == Qt::CaseInsensitive && hasCase(from)) {
        const ConversionTable upper = initUpperCharsTable();
        const char16_t wanted = upper[from];
        qsizetype n = 0;
        qsizetype i = 0;
        // Matches that already hold `to` count as replaced but need no write.
        for (; i < size; ++i) {
            if (upper[units[i]] == wanted) {
                if (units[i] != to)
                    break;
                ++n;
            }
        }
        if (i == size)
            return n;
        char16_t *d = mutableUnits(s);
        for (; i < size; ++i) {
            if (upper[d[i]] == wanted) {
                d[i] = to;
                ++n;
            }
        }
        return n;
    }
    if (from == to)
        return detail::countUnit(units, units + size, from);
    const char16_t *hit = detail::findUnit(units, units + size, from);
    if (!hit)
        return 0;
    const qsizetype first = hit - units;
    char16_t *d = mutableUnits(s);
    char16_t *const end = d + size;
    qsizetype n = 0;
    // `to` differs from `from`, so a written unit is never found again.
    for (char16_t *p = d + first; p;
         p = const_cast<char16_t *>(detail::findUnit(p + 1, end, from))) {
        *p = to;
        ++n;
    }
    return n;
}

qsizetype replaceString(QString &s, const QString &target, const QString &replacement,
                        Qt::CaseSensitivity cs) {
    // An empty target occurs nowhere; a null one is the same.
    if (s.isEmpty() || target.isEmpty())
        return 0;
    const qsizetype length = target.size();
    qsizetype at = indexOf(s, target, 0, cs);
    if (at < 0)
        return 0;
    qsizetype n = 0;
    if (replacement.size() == length) {
        // Same length: overwrite in place. Later matches start after the written part, so
        // they are found in units that were not touched.
        char16_t *d = mutableUnits(s);
        const char16_t *with = QStringView(replacement).utf16();
        for (; at >= 0; at = indexOf(s, target, at + length, cs), ++n)
            std::copy(with, with + length, d + at);
        return n;
    }
    const QStringView source(s);
    QString result;
    result.reserve(replacement.size() < length ? s.size() : s.size() + replacement.size() - length);
    qsizetype copied = 0;
    for (; at >= 0; at = indexOf(source, target, copied, cs), ++n) {
        result.append(source.sliced(copied, at - copied));
        result.append(replacement);
        copied = at + length;
    }
    result.append(source.sliced(copied));
    s = std::move(result);
    return n;
}

qsizetype replaceStringWithFormatted(QString &s, const QString &target, const QString &formatted) {
    return formatted.isNull() ? 0 : replaceString(s, target, formatted);
}

qsizetype deleteString(QString &s, const QString &target) {
    return replaceString(s, target, QString());
}

void appendSubstring(QString &s, QStringView other, Range range) {
    if (range.length < 1 || range.location < 0 || range.location >= other.size())
        return;
    s.append(other.sliced(range.location, std::min(range.length, other.size() - range.location)));
}

void appendTrimmedString(QString &s, QStringView other) {
    const CharacterSetRep white = whiteCharacterSetRep();
    const char16_t *begin = other.utf16();
    const char16_t *end = begin + other.size();
    while (begin != end && isMember(white, *begin))
        ++begin;
    while (end != begin && isMember(white, end[-1]))
        --end;
    if (begin != end)
        s.append(QStringView(begin, end));
}

void appendUnichar(QString &s, char16_t c) {
    s.append(QChar(c));
}

void appendUnichars(QString &s, const char16_t *units, qsizetype count) {
    if (units && count > 0)
        s.append(QStringView(units, count));
}

void insertCharacter(QString &s, char16_t c, qsizetype index) {
    if (index >= 0 && index <= s.size())
        s.insert(index, QChar(c));
}

void removeCharacterAtIndex(QString &s, qsizetype index) {
    if (index >= 0 && index < s.size())
        s.remove(index, 1);
}

// QString's case conversions leave an unchanged string shared and convert an unshared one in
// place.
void lowercase(QString &s) {
    s = std::move(s).toLower();
}

void uppercase(QString &s) {
    s = std::move(s).toUpper();
}

void capitalize(QString &s) {
    // Lowercasing first may change the length (U+0130 becomes two units), so words are found in
    // the lowered text; titlecasing one letter in it never does.
    QString lowered = s.toLower();
    const qsizetype size = lowered.size();
    bool word = false;
    for (qsizetype i = 0; i < size;) {
        const char16_t u = lowered.at(i).unicode();
        char32_t c = u;
        qsizetype width = 1;
        if (QChar::isHighSurrogate(u) && i + 1 < size && lowered.at(i + 1).isLowSurrogate()) {
            c = QChar::surrogateToUcs4(u, lowered.at(i + 1).unicode());
            width = 2;
        }
        if (inWord(c)) {
            const char32_t title = QChar::toTitleCase(c);
            if (!word && QChar::isLetter(c) && title != c
                && QChar::requiresSurrogates(title) == (width == 2)) {
                QChar *d = lowered.data() + i;
                if (width == 2) {
                    d[0] = QChar::highSurrogate(title);
                    d[1] = QChar::lowSurrogate(title);
                } else {
                    d[0] = QChar(char16_t(title));
                }
            }
            word = true;
        } else if (!(word && isApostrophe(c) && i + 1 < size && lowered.at(i + 1).isLetter())) {
            // An apostrophe between letters keeps the word going: "don't", not "Don'T".
            word = false;
        }
        i += width;
    }
    if (lowered.constData() != s.constData() && lowered != s)
        s = std::move(lowered);
}

} // namespace textlib
