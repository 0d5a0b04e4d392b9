#include "styledtesting.h"

#include "styledtext/querysearch.h"

#include "textlib/charactersets.h"

#include <limits>
#include <string_view>

namespace {

using namespace std::literals;
using textlib::NotFound;
using textlib::Range;
constexpr qsizetype huge = std::numeric_limits<qsizetype>::max();
const Range none{NotFound, 0}, all{0, huge};
constexpr auto cs = Qt::CaseSensitive, ci = Qt::CaseInsensitive;

TEST(QuerySearchTest, WordSeparators) {
    // White space, controls, punctuation, symbols; not letters, marks, digits, surrogates or
    // private use.
    for (char16_t c : u" \0\n\x7F._+$*?\u00A0\u2014\uFFFC"sv)
        EXPECT_TRUE(textlib::isMember(defaultWordSeparators(), c)) << std::hex << unsigned(c);
    for (char16_t c : u"aZ5\u00E9\u0301\u65E5\xD83D\xDE00\uE000"sv)
        EXPECT_FALSE(textlib::isMember(defaultWordSeparators(), c)) << std::hex << unsigned(c);
}

TEST(QuerySearchTest, FindNextQueryTerm) {
    constexpr Anchored A = Anchored::Yes, a = Anchored::No;
    constexpr ExactPhrase P = ExactPhrase::Yes, p = ExactPhrase::No;
    const struct {
        QStringList terms;
        std::u16string_view characters;
        Range range;
        Qt::CaseSensitivity cs;
        Anchored anchored;
        ExactPhrase phrase;
        Range expected;
    } cases[] = {
        {{"FOO"}, u"a foo", all, ci, a, p, {2, 3}},
        {{u16(u"\u00C4RGER")}, u"\u00E4rger", all, ci, a, p, {0, 5}},
        {{"STRASSE"}, u"stra\u00DFe", all, ci, a, p, none}, // unit by unit: no full folding
        // Leftmost hit of any term; the longest where several start together.
        {{"o", "foo", "fo"}, u"foo", all, cs, a, p, {0, 3}},
        {{"a b"}, u"a  b a b", all, cs, a, p, {5, 3}}, // literal without ExactPhrase
        // Anchored: only at word starts, judged on all the characters.
        {{"oo"}, u"foo oops", all, cs, A, p, {4, 2}},
        {{"oo"}, u"foo", {1, 2}, cs, A, p, none},
        // Exact phrase: words in order, gaps of any white run.
        {{"hello world"}, u"say hello \n\t world!", all, cs, a, P, {4, 14}},
        {{"hello", "world"}, u"hello\0world"sv, all, cs, a, P, {0, 11}},
        {{"hello world"}, u"hello world", {0, 10}, cs, a, P, none},
        // Bad input.
        {{"", QString()}, u"abc", all, cs, a, p, none},
        {{"a"}, u"abc", {-5, 6}, cs, a, p, {0, 1}},
        {{u16(u"a\0b"sv)}, u"xa\0b"sv, all, cs, a, p, {1, 3}},
        // Never half a surrogate pair.
        {{u16(u"\xDE00")}, u"\U0001F600", all, cs, a, p, none},
        {{u16(u"\xD83D")}, u"\xD83Dx", all, cs, a, p, {0, 1}},
    };
    for (const auto &c : cases) {
        const QString characters = u16(c.characters);
        EXPECT_EQ(findNextQueryTerm(c.terms, characters, c.range, c.cs, c.anchored, c.phrase),
                  c.expected)
            << c.terms.join(u'|').toStdString() << " in " << characters.toStdString();
    }
}

TEST(QuerySearchTest, RangeOfNextWildcard) {
    const struct {
        QStringList patterns;
        std::u16string_view characters;
        Range range;
        Qt::CaseSensitivity cs;
        qsizetype minCharacters;
        Range expected;
    } cases[] = {
        {{"f*o"}, u"a fooo b", all, cs, 0, {2, 4}},
        {{"*"}, u"a bb ccc", all, cs, 3, {5, 3}},
        {{"*b"}, u"abba", all, cs, 0, none},
        {{"F*"}, u"foo", all, ci, 0, {0, 3}},
        // Words wholly inside the range, judged on all the characters.
        {{"bar"}, u"foobar bar", {3, 7}, cs, 0, {7, 3}},
        {{"foo*"}, u"foobar", {0, 3}, cs, 0, none},
        {{"*"}, u"ab, cd", {2, huge}, cs, 0, {4, 2}},
        // A character outside the BMP is two units.
        {{"?"}, u"\U0001F600", all, cs, 0, none},
        {{"??"}, u"\U0001F600", all, cs, 0, {0, 2}},
        // Bad input.
        {{"", QString()}, u"abc", all, cs, 0, none},
        {{"*"}, u"  ..  ", all, cs, 0, none},
        {{"*"}, u"ab\0cd"sv, all, cs, 3, none},
    };
    for (const auto &c : cases) {
        const QString characters = u16(c.characters);
        EXPECT_EQ(rangeOfNextWildcard(c.patterns, characters, c.range, c.cs, c.minCharacters),
                  c.expected)
            << c.patterns.join(u'|').toStdString() << " in " << characters.toStdString();
    }
}

} // namespace
