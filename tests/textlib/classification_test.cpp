#include "textlib/classification.h"

#include "texttesting.h"

#include <array>

TEST(Classification, MembershipOfAnyAndEveryUnit) {
    const struct {
        std::u16string_view text;
        CharacterSetRep rep;
        bool any;
        qsizetype count;
        bool all;
    } rows[] = {{u"abc\u0663", digitCharacterSetRep(), true, 1, false},
                {u"\0\0"sv, whiteCharacterSetRep(), true, 2, true},
                {u"\U0001F600", alphaNumCharacterSetRep(), false, 0, false},
                {u"ab", nullptr, false, 0, false},
                {u"", alphaCharacterSetRep(), false, 0, true},
                {Null, nullptr, false, 0, true}};
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
    } rows[] = {{Null, true, true, false, false, false, true, false, true, true},
                {u"\n", true, false, false, false, false, true, false, true, true},
                {u" \t\0\u3000"sv, true, true, false, false, false, false, false, true, true},
                {u"1\u0663", false, false, true, false, true, false, false, true, true},
                {u"e\u0301", false, false, false, true, true, false, false, true, false},
                {u"\u00BD2", false, false, false, false, true, false, false, true, true},
                {u"aBc", false, false, false, true, true, true, false, false, false},
                {u"na\u00EFve", false, false, false, true, true, false, true, true, false},
                // A titlecase digraph has a lowercase form but no uppercase one in the tables.
                {u"\u01C5", false, false, false, true, true, false, false, false, true}};
    for (const auto &k : rows) {
        SCOPED_TRACE(quoted(k.text));
        const QString s = makeText(k.text);
        EXPECT_EQ((std::array{isWhiteString(s), isSpaceString(s), isDigitString(s),
                              isAlphaString(s), isAlphaNumString(s), isAsciiString(s),
                              isUmlautedString(s), isLowerCaseString(s), isUpperCaseString(s)}),
                  (std::array{k.white, k.space, k.digit, k.alpha, k.alphaNum, k.ascii, k.umlauted,
                              k.lower, k.upper}));
    }
}

TEST(Classification, Numbers) {
    const struct {
        std::u16string_view text;
        qsizetype numbers;
        bool has12, threeDigits;
    } rows[] = {{u"a 12 b", 1, true, false},   {u"112", 1, false, true},
                {u"x120", 1, false, true},     {u"1212", 1, false, true},
                {u"112 12", 2, true, true},    {u"abc\u0663", 0, false, false},
                {u"1\0 2"sv, 2, false, false}, {Null, 0, false, false}};
    for (const auto &k : rows) {
        const QString s = makeText(k.text);
        EXPECT_EQ(countNumbers(s), k.numbers) << quoted(s);
        EXPECT_EQ(containsNumber(s, u"12"), k.has12) << quoted(s);
        EXPECT_EQ(containsNumberWithNDigits(s, 3), k.threeDigits) << quoted(s);
    }
    EXPECT_FALSE(containsNumber(u"12", QStringView()) || containsNumber(u"12", u""));
    EXPECT_FALSE(containsNumber(u"12", u"123") || containsNumber(u"1a2", u"a"));
    // The search resumes after a rejected occurrence, never inside it.
    EXPECT_FALSE(containsNumber(u"1aaa", u"aa"));
    EXPECT_FALSE(containsNumberWithNDigits(u"ab1234", 4, 3));
    EXPECT_TRUE(containsNumberWithNDigits(u"ab1234", 5, 3));
    EXPECT_TRUE(containsNumberWithNDigits(u"123", 1000, 3)); // a length past the end is cut
    EXPECT_FALSE(containsNumberWithNDigits(u"a", 0) || containsNumberWithNDigits(u"a", -1));
    EXPECT_FALSE(containsNumberWithNDigits(u"123", 3, 0)
                 || containsNumberWithNDigits(u"1", -1, -2));
    EXPECT_FALSE(containsNumberWithNDigits(QStringView(), 5, 1));
}

TEST(Classification, MashedWords) {
    for (auto text : {u"WikiWord"sv, u"AbCd"sv, u"\u01C5aBc"sv})
        EXPECT_TRUE(isMashedWord(makeText(text))) << quoted(text);
    for (auto text :
         {u"WIKIWord"sv, u"AbC"sv, u"wikiWord"sv, u"Wiki2Word"sv, std::u16string_view()})
        EXPECT_FALSE(isMashedWordString(makeText(text))) << quoted(text);
}

TEST(Classification, TableForms) {
    // Maps "-" to "x": membership must be decided before mapping.
    static const auto dashToX = [] {
        std::array<char16_t, 65536> t{};
        for (std::size_t i = 0; i < t.size(); ++i)
            t[i] = i == u'-' ? u'x' : char16_t(i);
        return t;
    }();
    const ConversionTable upper = initUpperCharsTable();
    const struct {
        std::u16string_view text;
        ConversionTable table;
        bool alphaNumOnly;
        std::u16string_view expected;
    } rows[] = {{u"ab\0\u00E4\u00DF"sv, upper, false, u"AB\0\u00C4\u00DF"sv},
                {Null, upper, false, {}},
                {u"ab", nullptr, false, u"ab"},
                {u"a-b 1!\u0663", nullptr, true, u"ab1\u0663"},
                {u"- \U0001F600", nullptr, true, u""},
                {u"a-b", dashToX.data(), true, u"ab"}};
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
