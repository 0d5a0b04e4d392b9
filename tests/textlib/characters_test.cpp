// Characters, editing and finding: counting, searching and replacing units and substrings.
#include "textlib/characters.h"
#include "textlib/editing.h"
#include "textlib/finding.h"

#include "texttesting.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

using namespace std::literals;
using namespace Qt::StringLiterals;
using namespace textlib;

namespace {

constexpr auto CS = Qt::CaseSensitive;
constexpr auto CI = Qt::CaseInsensitive;

// One row drives countCharacter, findCharacter, findLastCharacter and containsCharacter.
TEST(Characters, CountsAndFindsFromStart) {
    const struct {
        std::u16string_view text;
        char16_t c;
        qsizetype start;
        Qt::CaseSensitivity cs;
        qsizetype count, first, last;
    } rows[] = {{u"BANana"sv, u'a', 0, CI, 3, 1, 5},
                {u"BANana"sv, u'a', 0, CS, 2, 3, 5},
                {u"abc"sv, u'a', 3, CS, 0, NotFound, NotFound},
                {u"abc"sv, u'a', -1, CS, 0, NotFound, NotFound},
                {{}, u'a', 0, CI, 0, NotFound, NotFound},
                {u"a\0b\0"sv, u'\0', 0, CS, 2, 1, 3},
                // ß has no one-unit uppercase, so it matches only itself; long s uppercases to S.
                {u"\u00DFSS"sv, u'\u00DF', 0, CI, 1, 0, 0},
                {u"\u017FsS"sv, u'S', 0, CI, 3, 0, 2},
                // Surrogate halves are plain units.
                {u"\U0001F600x\U0001F600"sv, u'\xDE00', 0, CI, 2, 1, 4}};
    for (const auto &k : rows) {
        SCOPED_TRACE(quoted(k.text) + " start " + std::to_string(k.start));
        const QString s = makeText(k.text);
        EXPECT_EQ(countCharacter(s, k.c, k.start, k.cs), k.count);
        EXPECT_EQ(findCharacter(s, k.c, k.start, k.cs), k.first);
        EXPECT_EQ(findLastCharacter(s, k.c, k.start, k.cs), k.last);
        EXPECT_EQ(containsCharacter(s, k.c, k.start, k.cs), k.first != NotFound);
    }
}

// The bulk scans work eight units at a time; every length, start and hit position around
// that width must agree with a plain scan.
TEST(Characters, ScanBlocksAgreeWithPlainScan) {
    for (qsizetype length = 0; length <= 40; ++length) {
        for (int pattern = 0; pattern < 3; ++pattern) {
            std::u16string v(size_t(length), u'x');
            for (qsizetype i = 0; i < length; ++i) {
                if ((pattern == 1 && i % 7 == 3) || (pattern == 2 && (i == 0 || i == length - 1)))
                    v[size_t(i)] = u'a';
            }
            const QString s = makeText(v);
            for (qsizetype start = 0; start <= length; ++start) {
                SCOPED_TRACE(quoted(s) + " start " + std::to_string(start));
                const auto rest = std::u16string_view(v).substr(size_t(start));
                const auto first = rest.find(u'a'), last = rest.rfind(u'a');
                EXPECT_EQ(countCharacter(s, u'a', start),
                          qsizetype(std::count(rest.begin(), rest.end(), u'a')));
                EXPECT_EQ(findCharacter(s, u'a', start),
                          first == rest.npos ? NotFound : start + qsizetype(first));
                EXPECT_EQ(findLastCharacter(s, u'a', start),
                          last == rest.npos ? NotFound : start + qsizetype(last));
            }
        }
    }
    QString big(600001, u'a'); // more hits than a 16-bit lane counter holds
    big[300000] = u'b';
    EXPECT_EQ(countCharacter(big, u'a'), 600000);
}

TEST(Characters, FindOneOfFindsFirstGroupMember) {
    const struct {
        std::u16string_view text, group;
        qsizetype start;
        Qt::CaseSensitivity cs;
        qsizetype expected;
    } rows[] = {{u"html?x=1"sv, u"?&;=#"sv, 5, CS, 6},
                {u"html?x=1"sv, u"?&;=#"sv, 8, CS, NotFound},
                {u"html?x=1"sv, {}, 0, CI, NotFound},
                {u"abc"sv, u"XC"sv, 0, CS, NotFound},
                {u"abc"sv, u"XC"sv, 0, CI, 2},
                // Upper forms beyond U+00FF.
                {u"a\u00FF"sv, u"\u0178z"sv, 0, CI, 1},
                {u"a\U0001F600"sv, u"\xDE00\xD800"sv, 0, CS, 2}};
    for (const auto &k : rows)
        EXPECT_EQ(findOneOf(makeText(k.text), makeText(k.group), k.start, k.cs), k.expected)
            << quoted(k.text) << " group " << quoted(k.group) << " start " << k.start;
}

TEST(Characters, CountLTCountsBothBrackets) {
    qsizetype lt = -1, gt = -1;
    EXPECT_TRUE(countLT(u"a<b>", &lt, &gt));
    EXPECT_EQ(lt + gt, 2);
    EXPECT_FALSE(countLT(u"<<>", &lt, &gt));
    EXPECT_EQ(lt * 10 + gt, 21);
    EXPECT_FALSE(countLT(QString(), &lt, &gt));
    EXPECT_EQ(lt + gt, 0);
    EXPECT_TRUE(countLT(u"<>")); // the counters are optional
}

TEST(Characters, ContainsCharactersNeedsEverySelectedCharacter) {
    const struct {
        std::u16string_view text;
        unsigned mask;
        bool expected;
    } rows[] = {{u"2*3"sv, 65, false},
                {u"2*3.5"sv, 257, false},
                {u"2*3.5"sv, 0, false},
                {u"$*_;?/@."sv, 255, true},
                // Units whose low byte is "." or "@" are not those characters.
                {u"\u012E\u0140\uFF0E"sv, 3, false},
                {{}, 1, false}};
    for (const auto &k : rows)
        EXPECT_EQ(containsCharacters(makeText(k.text), CharacterFlags::fromInt(k.mask)), k.expected)
            << quoted(k.text) << " mask " << k.mask;
}

TEST(Characters, RotateRotatesAsciiLettersOnly) {
    const struct {
        std::u16string_view text;
        quint64 n;
        std::u16string_view expected;
    } rows[] = {{u"Hello, World"sv, 13, u"Uryyb, Jbeyq"sv},
                {u"Hello"sv, 26, u"Hello"sv},
                {u"a"sv, ~quint64(0), u"p"sv}, // 2^64 - 1 is 15 modulo 26
                {u"@[`{\u00E4\uFF41"sv, 1, u"@[`{\u00E4\uFF41"sv},
                {{}, 13, {}}};
    for (const auto &k : rows) {
        SCOPED_TRACE(quoted(k.text) + " by " + std::to_string(k.n));
        const QString s = makeText(k.text);
        expectText(s, k.n == 13 ? stringByRotating13(s) : stringByRotating(s, k.n), k.expected);
    }
}

// An edit that changes nothing must leave a shared copy alone instead of detaching or copying.
TEST(Editing, ReplacesInPlaceAndCounts) {
    const struct {
        bool single; // replaceCharacter, else replaceString
        std::u16string_view text, target, replacement;
        Qt::CaseSensitivity cs;
        std::u16string_view expected;
        qsizetype count;
    } rows[] = {{true, u"abc"sv, u"x"sv, u"y"sv, CS, u"abc"sv, 0},
                {true, u"banana"sv, u"a"sv, u"a"sv, CS, u"banana"sv, 3},
                {true, u"BANana"sv, u"a"sv, u"x"sv, CI, u"BxNxnx"sv, 3},
                {true, u"aa"sv, u"A"sv, u"a"sv, CI, u"aa"sv, 2},
                {true, u"0123456789abcdef,"sv, u","sv, u"."sv, CS, u"0123456789abcdef."sv, 1},
                {true, {}, u"a"sv, u"b"sv, CI, {}, 0},
                {false, u"a.b.c"sv, u"."sv, {}, CS, u"abc"sv, 2},
                {false, u"abc"sv, u""sv, u"x"sv, CS, u"abc"sv, 0},
                {false, u"aaaa"sv, u"aa"sv, u"b"sv, CS, u"bb"sv, 2},
                // A written replacement must not take part in the next match.
                {false, u"aaa"sv, u"aa"sv, u"xaa"sv, CS, u"xaaa"sv, 1},
                {false, u"x.y.z"sv, u"."sv, u":"sv, CS, u"x:y:z"sv, 2},
                {false, u"abcABC"sv, u"Bc"sv, u""sv, CI, u"aA"sv, 2},
                {false, u"StraSSe"sv, u"\u00DF"sv, u"ss"sv, CI, u"StraSSe"sv, 0},
                {false, {}, u"a"sv, u"b"sv, CS, {}, 0}};
    for (const auto &k : rows) {
        SCOPED_TRACE(quoted(k.text) + ": " + quoted(k.target) + " -> " + quoted(k.replacement));
        const QString original = makeText(k.text);
        QString s = original;
        EXPECT_EQ(k.single ? replaceCharacter(s, k.target[0], k.replacement[0], k.cs)
                           : replaceString(s, makeText(k.target), makeText(k.replacement), k.cs),
                  k.count);
        expectText(original, s, k.expected);
        // The copying forms give the same text, and a null replacement changes nothing there.
        const QString copy =
            k.single ? stringByReplacingCharacter(original, k.target[0], k.replacement[0], k.cs)
                     : stringByReplacingString(original, makeText(k.target),
                                               makeText(k.replacement), k.cs);
        expectText(original, copy, k.replacement.data() ? k.expected : k.text);
    }
}

TextOpCase edit(std::u16string_view text, std::u16string_view expected, void (*f)(QString &)) {
    return {{"edit", f, nullptr}, text, expected};
}

TEST(Editing, SmallEditsInPlace) {
    expectTextOps({
        edit(u"x"sv, u"x23"sv,
             [](QString &s) { appendSubstring(s, u"0123", Range(2, 1LL << 62)); }),
        edit(u"x"sv, u"x"sv, [](QString &s) { appendSubstring(s, u"0123", Range(-1, 2)); }),
        edit(u"x"sv, u"xa b"sv, [](QString &s) { appendTrimmedString(s, u"\n a b\u00A0\t"); }),
        edit({}, {}, [](QString &s) { appendTrimmedString(s, {}); }),
        edit(u"a"sv, u"a\0"sv, [](QString &s) { appendUnichar(s, 0); }),
        edit(u"a"sv, u"abc"sv, [](QString &s) { appendUnichars(s, u"bcd", 2); }),
        edit(u"a"sv, u"a"sv, [](QString &s) { appendUnichars(s, nullptr, 3); }),
        edit(u"ab"sv, u"ab!"sv, [](QString &s) { insertCharacter(s, u'!', 2); }),
        edit(u"ab"sv, u"ab"sv, [](QString &s) { insertCharacter(s, u'!', 3); }),
        edit(u"ab"sv, u"a"sv, [](QString &s) { removeCharacterAtIndex(s, 1); }),
        edit(u"ab"sv, u"ab"sv, [](QString &s) { removeCharacterAtIndex(s, 2); }),
        edit(u"aabbab"sv, u"ab"sv, [](QString &s) { EXPECT_EQ(deleteString(s, u"ab"_s), 2); }),
        edit(u"1.5."sv, u"1252"sv,
             [](QString &s) {
                 EXPECT_EQ(replaceStringWithFormatted(s, u"."_s, u"%1"_s.arg(2)), 2);
             }),
        // A failed format must not delete.
        edit(u"1.5"sv, u"1.5"sv, [](QString &s) { replaceStringWithFormatted(s, u"."_s, {}); }),
        edit(u"\u0130A\u00C4"sv, u"i\u0307a\u00E4"sv, lowercase),
        edit(u"stra\u00DFe"sv, u"STRASSE"sv, uppercase),
        edit(u"don't-stop 3d x2 \u00E9lan"sv, u"Don't-Stop 3d X2 \u00C9lan"sv, capitalize),
        edit(u"'quoted' \u01C6emal"sv, u"'Quoted' \u01C5emal"sv, capitalize),
        // A letter outside the BMP is titlecased as one code point.
        edit(u"\U00010428\U00010400"sv, u"\U00010400\U00010428"sv, capitalize),
        edit(u"Ab Cd"sv, u"Ab Cd"sv, capitalize),
        edit(u"a\uFFFCb"sv, u"a\uFFFCb"sv,
             [](QString &s) {
                 removeAttachments(s);
                 removeLinks(s);
                 removeAttribute(s, u"link");
             }),
    });
}

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
        // Empty selections: a wrapped search ends where the selection starts.
        {u"abcx"sv, u"abc"sv, {1, 0}, CS, F, On, None},
        {u"abc"sv, u"abc"sv, {3, 0}, CS, F, On, {0, 3}},
        {u"abc"sv, u"abc"sv, {0, 0}, CS, B, On, {0, 3}},
        // A match overlapping the selection is never found, also not by wrapping.
        {u"abab"sv, u"bab"sv, {2, 0}, CS, F, On, None},
        {u"abab"sv, u"bab"sv, {2, 0}, CS, B, On, None},
        // Backward takes the last occurrence before the selection, overlaps included.
        {u"aaaaa"sv, u"aa"sv, {4, 1}, CS, B, Off, {2, 2}},
        {u"xABCxabc"sv, u"abc"sv, {0, 0}, CI, F, Off, {1, 3}},
        {u"ABCxabc"sv, u"abc"sv, {0, 2}, CI, B, On, {4, 3}},
        // Case through the upper table: long s is S, a titlecase digraph only itself.
        {u"xS"sv, u"\u017F"sv, {0, 0}, CI, F, Off, {1, 1}},
        {u"\u01C6"sv, u"\u01C5"sv, {0, 0}, CI, F, On, None},
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
        {u"xabcx"sv, u"ABC"sv, CI, 1},
        {u"aaaa"sv, u"aa"sv, CS, 2},
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
