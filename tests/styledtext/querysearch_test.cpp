#include "styledtesting.h"

#include "styledtext/querysearch.h"

#include "textlib/charactersets.h"

#include <limits>

namespace {

using namespace std::literals;
using textlib::NotFound;
using textlib::Range;
constexpr qsizetype huge = std::numeric_limits<qsizetype>::max();
const Range none{NotFound, 0}, all{0, huge};
constexpr auto cs = Qt::CaseSensitive, ci = Qt::CaseInsensitive;

TEST(QuerySearchTest, FindNextQueryTerm) {
    constexpr Anchored A = Anchored::Yes, a = Anchored::No;
    constexpr ExactPhrase P = ExactPhrase::Yes, p = ExactPhrase::No;
    const std::tuple<QStringList, std::u16string_view, Range, Qt::CaseSensitivity, Anchored,
                     ExactPhrase, Range>
        cases[] = {
            {{"STRASSE"}, u"stra\u00DFe", all, ci, a, p, none}, // unit by unit: no full folding
            // Leftmost hit of any term; the longest where several start together.
            {{"o", "foo", "fo"}, u"foo", all, cs, a, p, {0, 3}},
            {{"a b"}, u"a  b a b", all, cs, a, p, {5, 3}}, // literal without ExactPhrase
            // Anchored: only at word starts.
            {{"oo"}, u"foo oops", all, cs, A, p, {4, 2}},
            // Exact phrase: words in order, gaps of any white run.
            {{"hello", "world"}, u"hello\0world"sv, all, cs, a, P, {0, 11}},
            // Bad input.
            {{"", QString()}, u"abc", all, cs, a, p, none},
            // Never half a surrogate pair.
            {{u16(u"\xDE00")}, u"\U0001F600", all, cs, a, p, none},
            {{u16(u"\xD83D")}, u"\xD83Dx", all, cs, a, p, {0, 1}},
        };
    for (const auto &[terms, characters, range, sensitivity, anchored, phrase, expected] : cases)
        EXPECT_EQ(findNextQueryTerm(terms, u16(characters), range, sensitivity, anchored, phrase),
                  expected)
            << terms.join(u'|').toStdString() << " in " << u16(characters).toStdString();
}

TEST(QuerySearchTest, RangeOfNextWildcard) {
    const std::tuple<QStringList, std::u16string_view, Range, Qt::CaseSensitivity, qsizetype, Range>
        cases[] = {
            {{"*"}, u"a bb ccc", all, cs, 3, {5, 3}},
            // Words wholly inside the range, judged on all the characters.
            {{"bar"}, u"foobar bar", {3, 7}, cs, 0, {7, 3}},
            {{"foo*"}, u"foobar", {0, 3}, cs, 0, none},
            {{"*"}, u"ab, cd", {2, huge}, cs, 0, {4, 2}},
            // A character outside the BMP is two units, not one.
            {{"??"}, u"\U0001F600", all, cs, 0, {0, 2}},
            // Bad input.
            {{"", QString()}, u"abc", all, cs, 0, none},
            {{"*"}, u"ab\0cd"sv, all, cs, 3, none},
        };
    for (const auto &[patterns, characters, range, sensitivity, minimum, expected] : cases)
        EXPECT_EQ(rangeOfNextWildcard(patterns, u16(characters), range, sensitivity, minimum),
                  expected)
            << patterns.join(u'|').toStdString() << " in " << u16(characters).toStdString();
}

} // namespace
