#include "textlib/classification.h"

#include "textlib/charactersets.h"
#include "textlib/conversiontables.h"

#include "texttesting.h"

#include <gtest/gtest.h>

#include <array>

using namespace std::literals;
using namespace textlib;

namespace {

TEST(Classification, MembershipOfAnyAndEveryUnit) {
    const struct {
        std::u16string_view text;
        CharacterSetRep rep;
        bool any;
        qsizetype count;
        bool all;
    } rows[] = {{u"abc\u0663"sv, digitCharacterSetRep(), true, 1, false},
                {u"\0\0"sv, whiteCharacterSetRep(), true, 2, true},
                {u"\U0001F600"sv, alphaNumCharacterSetRep(), false, 0, false},
                {u"ab"sv, nullptr, false, 0, false},
                {u""sv, alphaCharacterSetRep(), false, 0, true},
                {{}, nullptr, false, 0, true}};
    for (const auto &k : rows) {
        SCOPED_TRACE(quoted(k.text));
        const QString s = makeText(k.text);
        EXPECT_EQ(characterPartOfSet(s, k.rep), k.any);
        EXPECT_EQ(countCharactersPartOfSet(s, k.rep), k.count);
        EXPECT_EQ(charactersPartOfSet(s, k.rep, true), k.all);
        // The third argument answers for the empty string only.
        EXPECT_EQ(charactersPartOfSet(s, k.rep, false), k.all && !k.text.empty());
    }
}

TEST(Classification, NamedClassesAndKinds) {
    const struct {
        std::u16string_view text;
        bool white, space, digit, alpha, alphaNum, ascii, umlauted, lower, upper;
    } rows[] = {{u""sv, true, true, false, false, false, true, false, true, true},
                {{}, true, true, false, false, false, true, false, true, true},
                {u"\n"sv, true, false, false, false, false, true, false, true, true},
                {u" \t\0\u3000"sv, true, true, false, false, false, false, false, true, true},
                {u"1\u0663"sv, false, false, true, false, true, false, false, true, true},
                {u"e\u0301"sv, false, false, false, true, true, false, false, true, false},
                {u"\u00BD2"sv, false, false, false, false, true, false, false, true, true},
                {u"aBc"sv, false, false, false, true, true, true, false, false, false},
                {u"\u00DF"sv, false, false, false, true, true, false, false, true, true},
                {u"na\u00EFve"sv, false, false, false, true, true, false, true, true, false},
                {u"\u00C4\x7F"sv, false, false, false, false, false, false, true, false, true},
                // A titlecase digraph has a lowercase form but no uppercase one in the tables.
                {u"\u01C5"sv, false, false, false, true, true, false, false, false, true}};
    for (const auto &k : rows) {
        SCOPED_TRACE(quoted(k.text));
        const QString s = makeText(k.text);
        EXPECT_EQ(isWhiteString(s), k.white);
        EXPECT_EQ(isSpaceString(s), k.space);
        EXPECT_EQ(isDigitString(s), k.digit);
        EXPECT_EQ(isAlphaString(s), k.alpha);
        EXPECT_EQ(isAlphaNumString(s), k.alphaNum);
        EXPECT_EQ(isAsciiString(s), k.ascii);
        EXPECT_EQ(isUmlautedString(s), k.umlauted);
        EXPECT_EQ(isLowerCaseString(s), k.lower);
        EXPECT_EQ(isUpperCaseString(s), k.upper);
    }
}

TEST(Classification, Numbers) {
    const struct {
        std::u16string_view text;
        qsizetype numbers;
        bool has12, threeDigits;
    } rows[] = {
        {u"a 12 b"sv, 1, true, false},    {u"123"sv, 1, false, true},
        {u"112"sv, 1, false, true},       {u"x120"sv, 1, false, true},
        {u"1212"sv, 1, false, true},      {u"112 12"sv, 2, true, true},
        {u"a1b22c333"sv, 3, false, true}, {u"abc\u0663"sv, 0, false, false},
        {u"1\0 2"sv, 2, false, false},    {{}, 0, false, false},
    };
    for (const auto &k : rows) {
        SCOPED_TRACE(quoted(k.text));
        const QString s = makeText(k.text);
        EXPECT_EQ(countNumbers(s), k.numbers);
        EXPECT_EQ(containsNumber(s, u"12"), k.has12);
        EXPECT_EQ(containsNumberWithNDigits(s, 3), k.threeDigits);
    }
    EXPECT_FALSE(containsNumber(u"12", QStringView()) || containsNumber(u"12", u""));
    EXPECT_FALSE(containsNumber(u"12", u"123") || containsNumber(u"1a2", u"a"));
    // The search resumes after a rejected occurrence, never inside it.
    EXPECT_FALSE(containsNumber(u"1aaa", u"aa"));

    EXPECT_FALSE(containsNumberWithNDigits(u"ab1234", 4, 3));
    EXPECT_TRUE(containsNumberWithNDigits(u"ab1234", 5, 3));
    EXPECT_TRUE(containsNumberWithNDigits(u"123", 1000, 3)); // a length past the end is cut
    EXPECT_FALSE(containsNumberWithNDigits(u"123", 3, 0)
                 || containsNumberWithNDigits(u"1", -1, -2));
    EXPECT_FALSE(containsNumberWithNDigits(QStringView(), 5, 1));
}

TEST(Classification, MashedWords) {
    const struct {
        std::u16string_view text;
        bool expected;
    } rows[] = {{u"WikiWord"sv, true},
                {u"WikiWo-rd"sv, true},
                {u"AbCd"sv, true},
                {u"\u00C4\u00F6\u00DC\u00DF"sv, true},
                {u"\u01C5aBc"sv, true},
                {u"Wiki"sv, false},
                {u"WIKIWord"sv, false},
                {u"AbC"sv, false},
                {u"wikiWord"sv, false},
                {u"Wiki2Word"sv, false},
                {{}, false}};
    for (const auto &k : rows) {
        SCOPED_TRACE(quoted(k.text));
        EXPECT_EQ(isMashedWordString(makeText(k.text)), k.expected);
    }
}

TEST(Classification, TableForms) {
    // Maps "-" to "x": membership must be decided before mapping.
    static const auto dashToX = [] {
        std::array<char16_t, 65536> t{};
        for (std::size_t i = 0; i < t.size(); ++i)
            t[i] = i == u'-' ? u'x' : char16_t(i);
        return t;
    }();
    const ConversionTable upper = initUpperCharsTable(), lower = initLowerCharsTable();
    const struct {
        std::u16string_view text;
        ConversionTable table;
        bool alphaNumOnly;
        std::u16string_view expected;
    } rows[] = {{u"ab\0\u00E4\u00DF"sv, upper, false, u"AB\0\u00C4\u00DF"sv},
                {u"AB1"sv, upper, false, u"AB1"sv},
                {{}, upper, false, {}},
                {u"ab"sv, nullptr, false, u"ab"sv},
                {u"a-b 1!\u0663"sv, nullptr, true, u"ab1\u0663"sv},
                {u"ab1"sv, nullptr, true, u"ab1"sv},
                {u"- \U0001F600"sv, nullptr, true, u""sv},
                {u"A-B\u00C4"sv, lower, true, u"ab\u00E4"sv},
                {u"a-b"sv, dashToX.data(), true, u"ab"sv}};
    for (const auto &k : rows) {
        SCOPED_TRACE(quoted(k.text));
        const QString s = makeText(k.text);
        expectText(
            s,
            k.alphaNumOnly
                ? stringByRemovingNonAlphaNumericCharactersAndApplyingConversionTable(s, k.table)
                : stringByApplyingConversionTable(s, k.table),
            k.expected);
    }
}

} // namespace
