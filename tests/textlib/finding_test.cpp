#include "textlib/finding.h"

#include "texttesting.h"

#include <gtest/gtest.h>

#include <string>

using namespace std::literals;
using namespace Qt::StringLiterals;
using namespace textlib;

namespace {

constexpr auto CS = Qt::CaseSensitive;
constexpr auto CI = Qt::CaseInsensitive;
constexpr auto F = Direction::Forward;
constexpr auto B = Direction::Backward;
constexpr auto Off = Wrap::Off;
constexpr auto On = Wrap::Around;
constexpr Range None{NotFound, 0};

TEST(Finding, FindStringOutsideSelection) {
    const struct {
        std::u16string_view text, needle;
        Range range;
        Qt::CaseSensitivity cs;
        Direction direction;
        Wrap wrap;
        Range expected;
    } rows[] = {
        {u"abcabc"sv, u"abc"sv, {0, 3}, CS, F, Off, {3, 3}},
        {u"abcabc"sv, u"abc"sv, {3, 3}, CS, F, Off, None},
        {u"abcabc"sv, u"abc"sv, {3, 3}, CS, F, On, {0, 3}},
        {u"abcabc"sv, u"abc"sv, {3, 3}, CS, B, Off, {0, 3}},
        {u"abcabc"sv, u"abc"sv, {0, 3}, CS, B, Off, None},
        {u"abcabc"sv, u"abc"sv, {0, 3}, CS, B, On, {3, 3}},
        {u"abcabc"sv, u"abc"sv, {0, 6}, CS, B, On, None},
        // Nothing after an empty selection at 0, so wrapping has nothing left to search.
        {u"xabc"sv, u"abc"sv, {0, 0}, CS, F, On, {1, 3}},
        {u"abcx"sv, u"abc"sv, {1, 0}, CS, F, On, None},
        {u"abc"sv, u"abc"sv, {3, 0}, CS, F, On, {0, 3}},
        {u"abc"sv, u"abc"sv, {0, 0}, CS, B, On, {0, 3}},
        // A match overlapping the selection is never found, also not by wrapping.
        {u"abab"sv, u"bab"sv, {2, 0}, CS, F, On, None},
        {u"abab"sv, u"bab"sv, {2, 0}, CS, B, On, None},
        // Backward takes the last occurrence before the selection, overlaps included.
        {u"aaaaa"sv, u"aa"sv, {4, 1}, CS, B, Off, {2, 2}},
        {u"xABCxabc"sv, u"abc"sv, {0, 0}, CI, F, Off, {1, 3}},
        {u"xABCxabc"sv, u"ABC"sv, {8, 0}, CS, B, Off, {1, 3}},
        {u"ABCxabc"sv, u"abc"sv, {0, 2}, CI, B, On, {4, 3}},
        // Case through the upper table: long s is S, a titlecase digraph only itself.
        {u"xS"sv, u"\u017F"sv, {0, 0}, CI, F, Off, {1, 1}},
        {u"\u01C6"sv, u"\u01C5"sv, {0, 0}, CI, F, On, None},
        {u"STRASSE"sv, u"\u00DF"sv, {0, 0}, CI, F, On, None},
        {u"a\0b"sv, u"\0B"sv, {0, 0}, CI, F, Off, {1, 2}},
        {u"abc"sv, {}, {0, 0}, CS, F, On, None},
        {{}, u"a"sv, {0, 0}, CS, F, On, None},
        // Selections outside the text.
        {u"abcabc"sv, u"abc"sv, {5, 3}, CS, F, On, None},
        {u"abcabc"sv, u"abc"sv, {-1, 1}, CS, B, On, None},
        {u"abcabc"sv, u"abc"sv, {1, -1}, CS, F, On, None},
        {u"abcabc"sv, u"abc"sv, None, CS, F, On, None},
        {u"abcabc"sv, u"abc"sv, {1, NotFound}, CS, B, On, None},
    };
    for (const auto &k : rows) {
        SCOPED_TRACE(quoted(k.text) + " " + quoted(k.needle) + " at "
                     + std::to_string(k.range.location) + "+" + std::to_string(k.range.length));
        const Range r =
            findString(makeText(k.text), makeText(k.needle), k.range, k.cs, k.direction, k.wrap);
        EXPECT_EQ(r.location, k.expected.location);
        EXPECT_EQ(r.length, k.expected.length);
    }
}

TEST(Finding, ContainsAndCountsSubstrings) {
    const struct {
        std::u16string_view text, needle;
        Qt::CaseSensitivity cs;
        qsizetype count;
    } rows[] = {
        {u"abc"sv, u"abc"sv, CS, 1},
        {u"xabcx"sv, u"ABC"sv, CI, 1},
        {u"aaaa"sv, u"aa"sv, CS, 2},
        {u"aAaAa"sv, u"aa"sv, CI, 2},
        {u"ab\0ab"sv, u"b\0"sv, CS, 1},
        {u"\u03C3\u03C2"sv, u"\u03A3"sv, CI, 2},
        {u"abc"sv, u""sv, CS, 0},
        {u"abc"sv, {}, CI, 0},
        {{}, u"a"sv, CI, 0},
    };
    for (const auto &k : rows) {
        SCOPED_TRACE(quoted(k.text) + " " + quoted(k.needle));
        const QString s = makeText(k.text);
        EXPECT_EQ(countSubstring(s, makeText(k.needle), k.cs), k.count);
        EXPECT_EQ(containsSubstring(s, makeText(k.needle), k.cs), k.count > 0);
    }
}

TEST(Finding, ContainsAnyOfList) {
    const QString abc = u"abc"_s;
    // A null entry ends the list; an empty one matches nothing.
    EXPECT_FALSE(containsSubstrings(abc, {u"x"_s, QString(), u"abc"_s}));
    EXPECT_TRUE(containsSubstrings(abc, {u""_s, u"abcd"_s, u"bc"_s}));
    EXPECT_FALSE(containsSubstrings(abc, {u"B"_s}));
    EXPECT_TRUE(containsSubstrings(abc, {u"B"_s}, CI));
    EXPECT_FALSE(containsSubstrings(abc, std::span<const QString>()));
    EXPECT_FALSE(containsSubstrings(QString(), {u"a"_s}));

    EXPECT_TRUE(containsSubCStrings(abc, {"x", "bc"}));
    EXPECT_FALSE(containsSubCStrings(abc, {"x", nullptr, "bc"}));
    EXPECT_FALSE(containsSubCStrings(abc, {""}));
    // Ignoring case lowers the text only, so an uppercase byte string never matches.
    EXPECT_TRUE(containsSubCStrings(u"ABC"_s, {"bc"}, CI));
    EXPECT_FALSE(containsSubCStrings(u"ABC"_s, {"BC"}, CI));
    EXPECT_FALSE(containsSubCStrings(QString(), {"a"}, CI));
}

TEST(Finding, IndexOfStringInList) {
    const QStringList list{u"a"_s, u"b"_s, u"B"_s, QString(), u""_s, u"\u01C6"_s};
    const struct {
        std::u16string_view string;
        qsizetype exact, noCase;
    } rows[] = {
        {u"B"sv, 2, 1},
        {u"a"sv, 0, 0},
        {u"A"sv, NotFound, 0},
        {u"\u01C5"sv, NotFound, NotFound},
        {u"\u01C4"sv, NotFound, 5},
        {u""sv, NotFound, NotFound},
        {{}, NotFound, NotFound},
    };
    for (const auto &k : rows) {
        SCOPED_TRACE(quoted(k.string));
        const QString s = makeText(k.string);
        EXPECT_EQ(indexOfStringEqualTo(list, s), k.exact);
        EXPECT_EQ(indexOfStringEqualToNoCase(list, s), k.noCase);
        EXPECT_EQ(containsString(list, s), k.exact != NotFound);
        EXPECT_EQ(containsStringNoCase(list, s), k.noCase != NotFound);
    }
    EXPECT_EQ(indexOfStringInArray({}, u"a", CI), NotFound);
}

} // namespace
