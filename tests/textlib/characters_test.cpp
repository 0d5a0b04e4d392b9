#include "textlib/characters.h"

#include "texttesting.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace std::literals;
using textlib::NotFound;

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
                {u"aXa"sv, u'x', 1, CI, 1, 1, 1},
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
        EXPECT_EQ(textlib::countCharacter(s, k.c, k.start, k.cs), k.count);
        EXPECT_EQ(textlib::findCharacter(s, k.c, k.start, k.cs), k.first);
        EXPECT_EQ(textlib::findLastCharacter(s, k.c, k.start, k.cs), k.last);
        EXPECT_EQ(textlib::containsCharacter(s, k.c, k.start, k.cs), k.first != NotFound);
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
                EXPECT_EQ(textlib::countCharacter(s, u'a', start),
                          qsizetype(std::count(rest.begin(), rest.end(), u'a')));
                EXPECT_EQ(textlib::findCharacter(s, u'a', start),
                          first == rest.npos ? NotFound : start + qsizetype(first));
                EXPECT_EQ(textlib::findLastCharacter(s, u'a', start),
                          last == rest.npos ? NotFound : start + qsizetype(last));
            }
        }
    }
    QString big(600001, u'a'); // more hits than a 16-bit lane counter holds
    big[300000] = u'b';
    EXPECT_EQ(textlib::countCharacter(big, u'a'), 600000);
}

TEST(Characters, FindOneOfFindsFirstGroupMember) {
    const struct {
        std::u16string_view text, group;
        qsizetype start;
        Qt::CaseSensitivity cs;
        qsizetype expected;
    } rows[] = {{u"html?x=1"sv, u"?&;=#"sv, 0, CS, 4},
                {u"html?x=1"sv, u"?&;=#"sv, 5, CS, 6},
                {u"html?x=1"sv, u"?&;=#"sv, 8, CS, NotFound},
                {u"html?x=1"sv, {}, 0, CI, NotFound},
                {u"abc"sv, u"XC"sv, 0, CS, NotFound},
                {u"abc"sv, u"XC"sv, 0, CI, 2},
                // Upper forms beyond U+00FF.
                {u"a\u00FF"sv, u"\u0178z"sv, 0, CI, 1},
                {u"a\U0001F600"sv, u"\xDE00\xD800"sv, 0, CS, 2}};
    for (const auto &k : rows)
        EXPECT_EQ(textlib::findOneOf(makeText(k.text), makeText(k.group), k.start, k.cs),
                  k.expected)
            << quoted(k.text) << " group " << quoted(k.group) << " start " << k.start;
}

// `same` asks for the very same string back; a change must give a new one.
TEST(Characters, ReplacingCopiesOnlyWhenChanged) {
    const struct {
        bool single; // stringByReplacingCharacter, else stringByReplacingString
        std::u16string_view text, target, replacement;
        Qt::CaseSensitivity cs;
        std::u16string_view expected;
        bool same;
    } rows[] = {{true, u"abc"sv, u"x"sv, u"y"sv, CS, u"abc"sv, true},
                {true, u"Aa"sv, u"a"sv, u"x"sv, CI, u"xx"sv, false},
                {true, u"aa"sv, u"A"sv, u"a"sv, CI, u"aa"sv, true},
                {true, {}, u"a"sv, u"b"sv, CS, {}, true},
                {false, u"aXbx"sv, u"x"sv, u"--"sv, CI, u"a--b--"sv, false},
                {false, u"1.5"sv, u"."sv, {}, CS, u"1.5"sv, true},
                {false, u"1.5"sv, u""sv, u","sv, CS, u"1.5"sv, true},
                {false, {}, u"."sv, u","sv, CS, {}, true}};
    for (const auto &k : rows) {
        SCOPED_TRACE(quoted(k.text) + ": " + quoted(k.target) + " -> " + quoted(k.replacement));
        const QString s = makeText(k.text);
        const QString r =
            k.single ? textlib::stringByReplacingCharacter(s, k.target[0], k.replacement[0], k.cs)
                     : textlib::stringByReplacingString(s, makeText(k.target),
                                                        makeText(k.replacement), k.cs);
        expectText(r, k.expected);
        EXPECT_EQ(r.constData() == s.constData(), k.same);
    }
}

TEST(Characters, CountLTCountsBothBrackets) {
    qsizetype lt = -1, gt = -1;
    EXPECT_TRUE(textlib::countLT(u"a<b>", &lt, &gt));
    EXPECT_EQ(lt + gt, 2);
    EXPECT_FALSE(textlib::countLT(u"<<>", &lt, &gt));
    EXPECT_EQ(lt * 10 + gt, 21);
    EXPECT_FALSE(textlib::countLT(QString(), &lt, &gt));
    EXPECT_EQ(lt + gt, 0);
    EXPECT_TRUE(textlib::countLT(u"<>")); // the counters are optional
}

TEST(Characters, ContainsCharactersNeedsEverySelectedCharacter) {
    const struct {
        std::u16string_view text;
        unsigned mask;
        bool expected;
    } rows[] = {{u"2*3.5"sv, 65, true},
                {u"2*3"sv, 65, false},
                {u"2*3.5"sv, 257, false},
                {u"2*3.5"sv, 0, false},
                {u"$*_;?/@."sv, 255, true},
                // Units whose low byte is "." or "@" are not those characters.
                {u"\u012E\u0140\uFF0E"sv, 3, false},
                {{}, 1, false}};
    for (const auto &k : rows)
        EXPECT_EQ(
            textlib::containsCharacters(makeText(k.text), textlib::CharacterFlags::fromInt(k.mask)),
            k.expected)
            << quoted(k.text) << " mask " << k.mask;
}

TEST(Characters, RotateRotatesAsciiLettersOnly) {
    const struct {
        std::u16string_view text;
        quint64 n;
        std::u16string_view expected;
        bool same;
    } rows[] = {{u"Hello, World"sv, 13, u"Uryyb, Jbeyq"sv, false},
                {u"Hello"sv, 26, u"Hello"sv, true},
                {u"a"sv, ~quint64(0), u"p"sv, false}, // 2^64 - 1 is 15 modulo 26
                {u"@[`{\u00E4\uFF41"sv, 1, u"@[`{\u00E4\uFF41"sv, true},
                {{}, 13, {}, true}};
    for (const auto &k : rows) {
        const QString s = makeText(k.text);
        const QString r =
            k.n == 13 ? textlib::stringByRotating13(s) : textlib::stringByRotating(s, k.n);
        expectText(r, k.expected);
        EXPECT_EQ(r.constData() == s.constData(), k.same) << quoted(k.text) << " by " << k.n;
    }
}

} // namespace
