#include "words.h"

namespace textlib {

namespace {

constexpr Range NoRange{NotFound, 0};

bool inside(QStringView s, qsizetype index) {
    return index >= 0 && index < s.size();
}

// The run of units that belong around index, found by one scan each way from it.
template<typename Belongs> Range runAround(QStringView s, qsizetype index, Belongs belongs) {
    if (!inside(s, index))
        return NoRange;
    const char16_t *units = s.utf16();
    qsizetype end = index;
    while (end < s.size() && belongs(units[end]))
        ++end;
    if (end == index)
        return NoRange;
    qsizetype before = index;
    while (before >= 0 && belongs(units[before]))
        --before;
    return Range{before + 1, end - before - 1};
}

QString textIn(const QString &s, Range range) {
    // mid() shares s when the range is all of it.
    return range.location == NotFound ? QString(QLatin1StringView(""))
                                      : s.mid(range.location, range.length);
}

bool isCurlyDoubleQuote(char16_t c) {
    return c >= 0x201C && c <= 0x201F;
}

// Where a mail address starting before p cannot reach: p is its last unit outside it.
bool boundsMailStart(const char16_t *units, qsizetype p) {
    switch (units[p]) {
    case u'<':
    case u'(':
    case u'@':
    case u'[':
    case u'"':
    case u'\'':
    case u'|':
        return true;
    case u'.':
        return p == 0 || units[p - 1] == u'.';
    default:
        return isCurlyDoubleQuote(units[p]);
    }
}

// Punctuation that closes a sentence or quote around a link rather than belonging to it.
bool isTrailingPunctuation(char16_t c, bool mail) {
    switch (c) {
    case u'!':
    case u'\'':
    case u',':
    case u'.':
    case u':':
    case u';':
    case u'?':
    case u'"':
        return true;
    case u')':
    case u'*':
    case u'|':
    case u']':
        return mail;
    default:
        return isCurlyDoubleQuote(c);
    }
}

} // namespace

Range getWordRangeAtIndex(QStringView s, qsizetype index) {
    const CharacterSetRep alphaNum = alphaNumCharacterSetRep();
    return runAround(s, index == NotFound ? s.size() - 1 : index,
                     [alphaNum](char16_t c) { return isMember(alphaNum, c); });
}

QString getWordAtIndex(const QString &s, qsizetype index) {
    return textIn(s, getWordRangeAtIndex(s, index));
}

Range getSubstringRangeAtIndex(QStringView s, qsizetype index, CharacterSetRep separators) {
    return runAround(s, index,
                     [separators](char16_t c) { return !separators || !isMember(separators, c); });
}

QString getSubstringAtIndex(const QString &s, qsizetype index, CharacterSetRep separators) {
    return textIn(s, getSubstringRangeAtIndex(s, index, separators));
}

Range getLinkRangeAtIndex(QStringView s, qsizetype index) {
    if (!inside(s, index))
        return NoRange;
    const char16_t *units = s.utf16();
    const qsizetype size = s.size();
    const CharacterSetRep white = whiteCharacterSetRep();
    const bool mail = units[index] == u'@';
    if (mail && index == 0)
        return NoRange;
    // Outside mail mode the unit at index is tested too, so a click on white space finds
    // nothing instead of the link after it, and one on a closing ">" gives the link before it
    // without the bracket.
    qsizetype end = mail ? index + 1 : index;
    while (end < size && !isMember(white, units[end]) && units[end] != u'>'
           && !(mail && units[end] == u'@'))
        ++end;
    qsizetype before = mail ? index - 1 : index;
    while (before >= 0 && units[before] != u'<' && !isMember(white, units[before])
           && !(mail && boundsMailStart(units, before)))
        --before;
    while (end - 1 > before && isTrailingPunctuation(units[end - 1], mail))
        --end;
    // A click on an opening "<" or on dropped trailing punctuation still gives the link.
    const qsizetype start = before + 1;
    if (end <= start)
        return NoRange;
    return Range{start, end - start};
}

QString getLinkAtIndex(const QString &s, qsizetype index) {
    return textIn(s, getLinkRangeAtIndex(s, index));
}

} // namespace textlib
