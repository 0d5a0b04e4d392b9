#include "textlib/characters.h"

#include "texttesting.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace std::literals;
using textlib::NotFound;

namespace {

constexpr auto CS = Qt::CaseSensitive;
constexpr auto CI = Qt::CaseInsensitive;

// One row drives countCharacter, findCharacter and findLastCharacter over the same range.
struct ScanCase {
    std::u16string_view text;
    char16_t c;
    qsizetype start;
    Qt::CaseSensitivity cs;
    qsizetype count, first, last;
};

std::ostream &operator<<(std::ostream &os, const ScanCase &k) {
    return os << quoted(k.text) << " c=U+" << std::hex << unsigned(k.c) << std::dec
              << " start=" << k.start << (k.cs == CI ? " ignoring case" : "");
}

class ScanTest : public testing::TestWithParam<ScanCase> {};

TEST_P(ScanTest, CountsAndFindsFromStart) {
    const ScanCase &k = GetParam();
    const QString s = makeText(k.text);
    EXPECT_EQ(textlib::countCharacter(s, k.c, k.start, k.cs), k.count);
    EXPECT_EQ(textlib::findCharacter(s, k.c, k.start, k.cs), k.first);
    EXPECT_EQ(textlib::findLastCharacter(s, k.c, k.start, k.cs), k.last);
    EXPECT_EQ(textlib::containsCharacter(s, k.c, k.start, k.cs), k.first != NotFound);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ScanTest,
    testing::Values(
        ScanCase{u"1.234.567"sv, u'.', 0, CS, 2, 1, 5}, ScanCase{u"BANana"sv, u'a', 0, CI, 3, 1, 5},
        ScanCase{u"BANana"sv, u'a', 0, CS, 2, 3, 5}, ScanCase{u"BANana"sv, u'A', 0, CS, 1, 1, 1},
        ScanCase{u"abc"sv, u'a', 3, CS, 0, NotFound, NotFound},
        ScanCase{u"abc"sv, u'a', 4, CI, 0, NotFound, NotFound},
        ScanCase{u"abc"sv, u'a', NotFound, CS, 0, NotFound, NotFound},
        ScanCase{u"abc"sv, u'a', -1, CS, 0, NotFound, NotFound},
        ScanCase{u"a.b.c"sv, u'.', 2, CI, 1, 3, 3},
        ScanCase{u"a.b.c"sv, u'.', 4, CI, 0, NotFound, NotFound},
        ScanCase{u"aXa"sv, u'a', 1, CS, 1, 2, 2}, ScanCase{u"aXa"sv, u'x', 1, CI, 1, 1, 1},
        ScanCase{{}, u'a', 0, CS, 0, NotFound, NotFound},
        ScanCase{u""sv, u'a', 0, CI, 0, NotFound, NotFound},
        ScanCase{u"a\0b\0"sv, u'\0', 0, CS, 2, 1, 3},
        // ß has no one-unit uppercase, so it matches only itself.
        ScanCase{u"\u00DFSS"sv, u'\u00DF', 0, CI, 1, 0, 0},
        ScanCase{u"\u00DFsS"sv, u's', 0, CI, 2, 1, 2},
        // Long s and dotless i uppercase to S and I.
        ScanCase{u"\u017FsS"sv, u'S', 0, CI, 3, 0, 2},
        ScanCase{u"I\u0131i"sv, u'i', 0, CI, 3, 0, 2},
        // A titlecase digraph is in no lowercase class: it keeps its own form.
        ScanCase{u"\u01C5\u01C4\u01C6"sv, u'\u01C6', 0, CI, 2, 1, 2},
        ScanCase{u"\u03A3\u03C3\u03C2"sv, u'\u03C2', 0, CI, 3, 0, 2},
        // Surrogate halves are plain units.
        ScanCase{u"\U0001F600x\U0001F600"sv, u'\xDE00', 0, CI, 2, 1, 4},
        ScanCase{u"\U0001F600"sv, u'\xD83D', 1, CS, 0, NotFound, NotFound}));

// The bulk scans work eight units at a time; every length, start and hit position around
// that width must agree with a plain scan.
TEST(ScanBlocks, AgreesWithPlainScanAtEveryOffset) {
    for (qsizetype length = 0; length <= 40; ++length) {
        for (int pattern = 0; pattern < 4; ++pattern) {
            QString s(length, u'x');
            for (qsizetype i = 0; i < length; ++i) {
                if ((pattern == 1 && i % 7 == 3) || (pattern == 2 && (i == 0 || i == length - 1))
                    || (pattern == 3 && i % 9 == 8))
                    s[i] = u'a';
            }
            const std::u16string_view v(reinterpret_cast<const char16_t *>(s.utf16()),
                                        size_t(length));
            for (qsizetype start = 0; start <= length; ++start) {
                SCOPED_TRACE(quoted(s) + " start " + std::to_string(start));
                const auto rest = v.substr(size_t(start));
                const auto first = rest.find(u'a');
                const auto last = rest.rfind(u'a');
                EXPECT_EQ(textlib::countCharacter(s, u'a', start),
                          qsizetype(std::count(rest.begin(), rest.end(), u'a')));
                EXPECT_EQ(textlib::findCharacter(s, u'a', start),
                          first == rest.npos ? NotFound : start + qsizetype(first));
                EXPECT_EQ(textlib::findLastCharacter(s, u'a', start),
                          last == rest.npos ? NotFound : start + qsizetype(last));
            }
        }
    }
}

TEST(ScanBlocks, CountsBeyondSixteenBitsPerLane) {
    QString s(600001, u'a');
    s[300000] = u'b';
    EXPECT_EQ(textlib::countCharacter(s, u'a'), 600000);
    EXPECT_EQ(textlib::countCharacter(s, u'b', 299999), 1);
}

struct OneOfCase {
    std::u16string_view text, group;
    qsizetype start;
    Qt::CaseSensitivity cs;
    qsizetype expected;
};

std::ostream &operator<<(std::ostream &os, const OneOfCase &k) {
    return os << quoted(k.text) << " group " << quoted(k.group) << " start=" << k.start
              << (k.cs == CI ? " ignoring case" : "");
}

class OneOfTest : public testing::TestWithParam<OneOfCase> {};

TEST_P(OneOfTest, FindsFirstGroupMember) {
    const OneOfCase &k = GetParam();
    EXPECT_EQ(textlib::findOneOf(makeText(k.text), makeText(k.group), k.start, k.cs), k.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, OneOfTest,
                         testing::Values(OneOfCase{u"html?x=1"sv, u"?&;=#"sv, 0, CS, 4},
                                         OneOfCase{u"html?x=1"sv, u"?&;=#"sv, 5, CS, 6},
                                         OneOfCase{u"html?x=1"sv, u"?&;=#"sv, 7, CS, NotFound},
                                         OneOfCase{u"html?x=1"sv, u"?&;=#"sv, 8, CS, NotFound},
                                         OneOfCase{u"html?x=1"sv, u"?&;=#"sv, -3, CS, NotFound},
                                         OneOfCase{u"html?x=1"sv, u""sv, 0, CS, NotFound},
                                         OneOfCase{u"html?x=1"sv, {}, 0, CI, NotFound},
                                         OneOfCase{{}, u"?"sv, 0, CS, NotFound},
                                         OneOfCase{u""sv, u"?"sv, 0, CS, NotFound},
                                         OneOfCase{u"abc"sv, u"XC"sv, 0, CS, NotFound},
                                         OneOfCase{u"abc"sv, u"XC"sv, 0, CI, 2},
                                         OneOfCase{u"abc"sv, u"C"sv, 0, CI, 2},
                                         OneOfCase{u"x.y"sv, u".."sv, 0, CS, 1},
                                         // Members and upper forms beyond Latin-1.
                                         OneOfCase{u"a\u20ACb"sv, u"x\u20AC"sv, 0, CS, 1},
                                         OneOfCase{u"a\u00FF"sv, u"\u0178z"sv, 0, CS, NotFound},
                                         OneOfCase{u"a\u00FF"sv, u"\u0178z"sv, 0, CI, 1},
                                         OneOfCase{u"a\u0178"sv, u"\u00FFz"sv, 0, CI, 1},
                                         OneOfCase{u"\u00B5"sv, u"\u039Cm"sv, 0, CI, 0},
                                         OneOfCase{u"a\U0001F600"sv, u"\xDE00\xD800"sv, 0, CS, 2}));

// Rows for the copying replacements; `same` asks for the very same string back.
struct ReplaceCase {
    std::u16string_view text, target, replacement;
    Qt::CaseSensitivity cs;
    std::u16string_view expected;
    bool same;
};

std::ostream &operator<<(std::ostream &os, const ReplaceCase &k) {
    return os << quoted(k.text) << ": " << quoted(k.target) << " -> " << quoted(k.replacement)
              << (k.cs == CI ? " ignoring case" : "");
}

void expectResult(const QString &s, const QString &result, const ReplaceCase &k) {
    EXPECT_EQ(result, makeText(k.expected));
    EXPECT_EQ(result.isNull(), k.expected.data() == nullptr);
    if (k.same) {
        EXPECT_EQ(result.constData(), s.constData());
    } else {
        EXPECT_NE(result.constData(), s.constData());
    }
}

class ReplaceCharacterTest : public testing::TestWithParam<ReplaceCase> {};

TEST_P(ReplaceCharacterTest, CopiesOnlyWhenChanged) {
    const ReplaceCase &k = GetParam();
    const QString s = makeText(k.text);
    expectResult(s, textlib::stringByReplacingCharacter(s, k.target[0], k.replacement[0], k.cs), k);
}

INSTANTIATE_TEST_SUITE_P(Cases, ReplaceCharacterTest,
                         testing::Values(ReplaceCase{u"abc"sv, u"x"sv, u"y"sv, CS, u"abc"sv, true},
                                         ReplaceCase{u"abc"sv, u"b"sv, u"b"sv, CS, u"abc"sv, true},
                                         ReplaceCase{u"Aa"sv, u"a"sv, u"x"sv, CI, u"xx"sv, false},
                                         ReplaceCase{u"Aa"sv, u"a"sv, u"x"sv, CS, u"Ax"sv, false},
                                         ReplaceCase{u"aa"sv, u"A"sv, u"a"sv, CI, u"aa"sv, true},
                                         ReplaceCase{u"aA"sv, u"A"sv, u"a"sv, CI, u"aa"sv, false},
                                         ReplaceCase{{}, u"a"sv, u"b"sv, CS, {}, true},
                                         ReplaceCase{u""sv, u"a"sv, u"b"sv, CS, u""sv, true},
                                         ReplaceCase{u"\U0001F600"sv, u"\xDE00"sv, u"?"sv, CS,
                                                     u"\xD83D?"sv, false}));

class ReplaceStringTest : public testing::TestWithParam<ReplaceCase> {};

TEST_P(ReplaceStringTest, CopiesOnlyWhenTargetOccurs) {
    const ReplaceCase &k = GetParam();
    const QString s = makeText(k.text);
    expectResult(
        s, textlib::stringByReplacingString(s, makeText(k.target), makeText(k.replacement), k.cs),
        k);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReplaceStringTest,
    testing::Values(ReplaceCase{u"1.5"sv, u"."sv, u","sv, CS, u"1,5"sv, false},
                    ReplaceCase{u"1.5"sv, u"."sv, {}, CS, u"1.5"sv, true},
                    ReplaceCase{u"1.5"sv, {}, u","sv, CS, u"1.5"sv, true},
                    ReplaceCase{u"1.5"sv, u""sv, u","sv, CS, u"1.5"sv, true},
                    ReplaceCase{u"1.5"sv, u"x"sv, u","sv, CS, u"1.5"sv, true},
                    ReplaceCase{u""sv, u"."sv, u","sv, CS, u""sv, true},
                    ReplaceCase{{}, u"."sv, u","sv, CS, {}, true},
                    ReplaceCase{u".."sv, u"."sv, u""sv, CS, u""sv, false},
                    ReplaceCase{u"aXbx"sv, u"x"sv, u"--"sv, CI, u"a--b--"sv, false},
                    ReplaceCase{u"Stra\u00DFe"sv, u"SS"sv, u"x"sv, CI, u"Stra\u00DFe"sv, true}));

TEST(CountLT, CountsBothBrackets) {
    const struct {
        std::u16string_view text;
        bool balanced;
        qsizetype lt, gt;
    } rows[] = {{u"a<b>"sv, true, 1, 1},          {u"<<>"sv, false, 2, 1}, {u"><"sv, true, 1, 1},
                {u"\uFF1C\u2039"sv, false, 0, 0}, {u""sv, false, 0, 0},    {{}, false, 0, 0}};
    for (const auto &k : rows) {
        qsizetype lt = -1, gt = -1;
        EXPECT_EQ(textlib::countLT(makeText(k.text), &lt, &gt), k.balanced) << quoted(k.text);
        EXPECT_EQ(lt, k.lt) << quoted(k.text);
        EXPECT_EQ(gt, k.gt) << quoted(k.text);
        EXPECT_EQ(textlib::countLT(makeText(k.text)), k.balanced); // counters are optional
    }
}

TEST(ContainsCharacters, NeedsEverySelectedCharacter) {
    const struct {
        std::u16string_view text;
        unsigned mask;
        bool expected;
    } rows[] = {{u"2*3.5"sv, 65, true},
                {u"2*3"sv, 65, false},
                {u"2*3.5"sv, 256, false},
                {u"2*3.5"sv, 257, false},
                {u"2*3.5"sv, 0, false},
                {u"$*_;?/@."sv, 255, true},
                {u"$*_;?/@"sv, 255, false},
                {u"a@b"sv, 2, true},
                // Units whose low byte is "." or "@" are not those characters.
                {u"\u012E\u0140\uFF0E"sv, 3, false},
                {u""sv, 1, false},
                {{}, 1, false}};
    for (const auto &k : rows) {
        const auto mask = textlib::CharacterFlags::fromInt(k.mask);
        EXPECT_EQ(textlib::containsCharacters(makeText(k.text), mask), k.expected)
            << quoted(k.text) << " mask " << k.mask;
    }
}

TEST(Rotate, RotatesAsciiLettersOnly) {
    const struct {
        std::u16string_view text;
        quint64 n;
        std::u16string_view expected;
        bool same;
    } rows[] = {{u"Hello, World"sv, 13, u"Uryyb, Jbeyq"sv, false},
                {u"Hello"sv, 26, u"Hello"sv, true},
                {u"Hello"sv, 0, u"Hello"sv, true},
                {u"azAZ"sv, 27, u"baBA"sv, false},
                {u"a"sv, ~quint64(0), u"p"sv, false}, // 2^64 - 1 is 15 modulo 26
                {u"@[`{\u00E4\uFF41"sv, 1, u"@[`{\u00E4\uFF41"sv, true},
                {u""sv, 13, u""sv, true},
                {{}, 13, {}, true}};
    for (const auto &k : rows) {
        const QString s = makeText(k.text);
        const QString r =
            k.n == 13 ? textlib::stringByRotating13(s) : textlib::stringByRotating(s, k.n);
        EXPECT_EQ(r, makeText(k.expected)) << quoted(k.text) << " by " << k.n;
        EXPECT_EQ(r.isNull(), s.isNull());
        EXPECT_EQ(r.constData() == s.constData(), k.same) << quoted(k.text) << " by " << k.n;
        EXPECT_EQ(textlib::stringByRotating(r, 26 - k.n % 26), s); // rotating back restores
    }
}

} // namespace
