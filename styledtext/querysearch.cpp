#include "styledtext/querysearch.h"

#include "styledtext/editing.h"

#include "textlib/conversiontables.h"

#include <QChar>

#include <algorithm>
#include <array>
#include <vector>

using textlib::isMember;
using textlib::NotFound;
using textlib::Range;

namespace {

// The overlap of range with [0, size) as [from, to), without overflow for any values.
std::pair<qsizetype, qsizetype> clipped(Range range, qsizetype size) {
    const qsizetype from = std::clamp<qsizetype>(range.location, 0, size);
    if (range.length <= 0)
        return {from, from};
    const qsizetype to =
        range.location > size - range.length ? size : std::max(range.location + range.length, from);
    return {from, to};
}

// Units as compared: folded through the upper table when case is ignored.
class Folding {
public:
    explicit Folding(Qt::CaseSensitivity cs)
        : m_upper(cs == Qt::CaseInsensitive ? textlib::initUpperCharsTable() : nullptr) {}
    char16_t operator()(char16_t c) const { return m_upper ? m_upper[c] : c; }
    std::u16string fold(QStringView s) const {
        std::u16string out(size_t(s.size()), u'\0');
        for (qsizetype i = 0; i < s.size(); ++i)
            out[size_t(i)] = (*this)(s[i].unicode());
        return out;
    }

private:
    textlib::ConversionTable m_upper;
};

bool isWordStart(QStringView chars, qsizetype p) {
    return p == 0 || isMember(defaultWordSeparators(), chars[p - 1].unicode());
}

// Whether index falls between the two halves of a surrogate pair.
bool splitsPair(QStringView chars, qsizetype index) {
    return index > 0 && index < chars.size() && chars[index - 1].isHighSurrogate()
           && chars[index].isLowSurrogate();
}

// Whether the folded word occurs at p (enough units are known to remain).
bool matchesAt(QStringView chars, qsizetype p, const std::u16string &word, const Folding &fold) {
    for (size_t i = 0; i < word.size(); ++i) {
        if (fold(chars[p + qsizetype(i)].unicode()) != word[i])
            return false;
    }
    return true;
}

// The end of the phrase starting at p, or -1.
qsizetype phraseEnd(QStringView chars, qsizetype p, qsizetype to,
                    const std::vector<std::u16string> &words, const Folding &fold) {
    const textlib::CharacterSetRep white = textlib::whiteCharacterSetRep();
    qsizetype q = p;
    for (size_t w = 0; w < words.size(); ++w) {
        if (w > 0) {
            if (q >= to || !isMember(white, chars[q].unicode()))
                return -1;
            while (q < to && isMember(white, chars[q].unicode()))
                ++q;
        }
        if (qsizetype(words[w].size()) > to - q || !matchesAt(chars, q, words[w], fold))
            return -1;
        q += qsizetype(words[w].size());
    }
    return q;
}

// The white-space-separated pieces of all terms, in order.
std::vector<std::u16string> phraseWords(const QStringList &terms, const Folding &fold) {
    const textlib::CharacterSetRep white = textlib::whiteCharacterSetRep();
    std::vector<std::u16string> words;
    for (const QString &term : terms) {
        qsizetype i = 0;
        while (i < term.size()) {
            while (i < term.size() && isMember(white, term[i].unicode()))
                ++i;
            const qsizetype start = i;
            while (i < term.size() && !isMember(white, term[i].unicode()))
                ++i;
            if (i > start)
                words.push_back(fold.fold(QStringView(term).mid(start, i - start)));
        }
    }
    return words;
}

// Whether the folded word matches the folded pattern; "*" backtracks to its latest position
// only, which suffices for glob patterns and keeps the cost at word × pattern at most.
bool globMatches(QStringView word, const std::u16string &pattern, const Folding &fold) {
    size_t p = 0, star = std::u16string::npos;
    qsizetype w = 0, starW = 0;
    while (w < word.size()) {
        if (p < pattern.size() && pattern[p] == u'*') {
            star = p++;
            starW = w;
        } else if (p < pattern.size()
                   && (pattern[p] == u'?' || pattern[p] == fold(word[w].unicode()))) {
            ++p;
            ++w;
        } else if (star != std::u16string::npos) {
            p = star + 1;
            w = ++starW;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*')
        ++p;
    return p == pattern.size();
}

} // namespace

textlib::CharacterSetRep defaultWordSeparators() {
    static const std::array<std::uint8_t, textlib::CharacterSetRepSize> bits = [] {
        std::array<std::uint8_t, textlib::CharacterSetRepSize> b{};
        const textlib::CharacterSetRep white = textlib::whiteCharacterSetRep();
        for (char32_t c = 0; c <= 0xFFFF; ++c) {
            if (c >= 0xD800 && c <= 0xDFFF)
                continue;
            const QChar::Category cat = QChar::category(c);
            if (isMember(white, char16_t(c)) || cat == QChar::Other_Control
                || (cat >= QChar::Punctuation_Connector && cat <= QChar::Punctuation_Other)
                || (cat >= QChar::Symbol_Math && cat <= QChar::Symbol_Other))
                b[c >> 3] |= std::uint8_t(1u << (c & 7));
        }
        return b;
    }();
    return bits.data();
}

Range findNextQueryTerm(const QStringList &terms, QStringView characters, Range range,
                        Qt::CaseSensitivity cs, Anchored anchored, ExactPhrase exactPhrase) {
    const Range none{NotFound, 0};
    const auto [from, to] = clipped(range, characters.size());
    if (from >= to)
        return none;
    const Folding fold(cs);
    std::vector<std::u16string> words;
    if (exactPhrase == ExactPhrase::Yes) {
        words = phraseWords(terms, fold);
    } else {
        for (const QString &term : terms) {
            if (!term.isEmpty())
                words.push_back(fold.fold(term));
        }
    }
    if (words.empty())
        return none;
    for (qsizetype p = from; p < to; ++p) {
        if (splitsPair(characters, p) || (anchored == Anchored::Yes && !isWordStart(characters, p)))
            continue;
        if (exactPhrase == ExactPhrase::Yes) {
            const qsizetype end = phraseEnd(characters, p, to, words, fold);
            if (end > p && !splitsPair(characters, end))
                return {p, end - p};
            continue;
        }
        const char16_t first = fold(characters[p].unicode());
        qsizetype best = 0;
        for (const std::u16string &word : words) {
            const qsizetype n = qsizetype(word.size());
            if (word[0] == first && n > best && n <= to - p && matchesAt(characters, p, word, fold)
                && !splitsPair(characters, p + n))
                best = n;
        }
        if (best > 0)
            return {p, best};
    }
    return none;
}

Range rangeOfNextWildcard(const QStringList &patterns, QStringView characters, Range range,
                          Qt::CaseSensitivity comparison, qsizetype minCharacters) {
    const Range none{NotFound, 0};
    const auto [from, to] = clipped(range, characters.size());
    if (from >= to)
        return none;
    const Folding fold(comparison);
    std::vector<std::u16string> folded;
    for (const QString &pattern : patterns) {
        if (!pattern.isEmpty())
            folded.push_back(fold.fold(pattern));
    }
    if (folded.empty())
        return none;
    const textlib::CharacterSetRep separators = defaultWordSeparators();
    const auto separatorAt = [&](qsizetype i) {
        return isMember(separators, characters[i].unicode());
    };
    qsizetype p = from;
    // A word that began before the range is not wholly inside it.
    if (p > 0 && !separatorAt(p - 1)) {
        while (p < to && !separatorAt(p))
            ++p;
    }
    while (p < to) {
        while (p < to && separatorAt(p))
            ++p;
        const qsizetype start = p;
        while (p < characters.size() && !separatorAt(p))
            ++p;
        if (p > to || start == p)
            return none;
        const QStringView word = characters.mid(start, p - start);
        if (word.size() >= minCharacters
            && std::any_of(folded.begin(), folded.end(), [&](const std::u16string &pattern) {
                   return globMatches(word, pattern, fold);
               }))
            return {start, word.size()};
    }
    return none;
}

QColor foregroundHighlightingColor() {
    return QColor(0, 0, 0);
}

QColor backgroundHighlightingColor() {
    return QColor(255, 255, 0);
}

QColor autoLinkColor() {
    return linkColor();
}
