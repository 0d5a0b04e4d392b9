#include "textlib/finding.h"

#include "texttesting.h"

TEST(Finding, FindStringOutsideSelection) {
    constexpr auto CS = Qt::CaseSensitive, CI = Qt::CaseInsensitive;
    constexpr auto F = Direction::Forward, B = Direction::Backward;
    constexpr auto Off = Wrap::Off, On = Wrap::Around;
    constexpr Range None{NotFound, 0};
    for (auto [text, needle, range, cs, direction, wrap, expected] :
         {std::tuple{u"abcabc"sv, u"abc"sv, Range{0, 3}, CS, F, Off, Range{3, 3}},
          {u"abcabc"sv, u"abc"sv, {3, 3}, CS, F, On, {0, 3}},
          {u"abcabc"sv, u"abc"sv, {3, 3}, CS, B, Off, {0, 3}},
          {u"abcabc"sv, u"abc"sv, {0, 3}, CS, B, On, {3, 3}},
          {u"abcabc"sv, u"abc"sv, {0, 6}, CS, B, On, None},
          // Empty selections: a wrapped search ends where the selection starts.
          {u"abcx"sv, u"abc"sv, {1, 0}, CS, F, On, None},
          // A match overlapping the selection is never found, also not by wrapping.
          {u"abab"sv, u"bab"sv, {2, 0}, CS, F, On, None},
          // Backward takes the last occurrence before the selection, overlaps included.
          {u"aaaaa"sv, u"aa"sv, {4, 1}, CS, B, Off, {2, 2}},
          {u"ABCxabc"sv, u"abc"sv, {0, 2}, CI, B, On, {4, 3}},
          // Case through the upper table: long s is S, a titlecase digraph only itself.
          {u"xS"sv, u"\u017F"sv, {0, 0}, CI, F, Off, {1, 1}},
          // Selections outside the text.
          {u"abcabc"sv, u"abc"sv, {-1, 1}, CS, B, On, None}}) {
        const Range r = findString(makeText(text), makeText(needle), range, cs, direction, wrap);
        EXPECT_EQ(r, expected) << quoted(text) << " " << quoted(needle) << " at " << range.location
                               << "+" << range.length;
    }
}

TEST(Finding, ContainsAndCountsSubstrings) {
    for (auto [text, needle, cs, count] : {std::tuple{u"xabcx"sv, u"ABC"sv, Qt::CaseInsensitive, 1},
                                           {u"aaaa"sv, u"aa"sv, Qt::CaseSensitive, 2},
                                           {Null, u"a"sv, Qt::CaseInsensitive, 0}}) {
        EXPECT_EQ(countSubstring(makeText(text), makeText(needle), cs), count) << quoted(text);
        EXPECT_EQ(containsSubstring(makeText(text), makeText(needle), cs), count > 0);
    }
    const QString abc = u"abc"_s;
    // In lists, a null entry ends the list and an empty one matches nothing.
    EXPECT_FALSE(containsSubstrings(abc, {u"x"_s, QString(), u"abc"_s}));
    EXPECT_TRUE(containsSubstrings(abc, {u""_s, u"abcd"_s, u"bc"_s}));
    // Ignoring case lowers the text only, so an uppercase byte string never matches.
    EXPECT_TRUE(containsSubCStrings(u"ABC"_s, {"x", "bc"}, Qt::CaseInsensitive));
    EXPECT_FALSE(containsSubCStrings(u"ABC"_s, {"BC"}, Qt::CaseInsensitive));
    // An empty text is found in no list.
    const QStringList list{u"a"_s, u""_s, u"B"_s, u"b"_s};
    EXPECT_EQ(indexOfStringEqualToNoCase(list, u"b"_s), 2);
    EXPECT_EQ(indexOfStringEqualTo(list, u"b"_s), 3);
    EXPECT_EQ(indexOfStringEqualTo(list, u""_s), NotFound);
}
