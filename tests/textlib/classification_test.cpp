#include "textlib/classification.h"

#include "texttesting.h"

#include <array>

TEST(Classification, MembershipOfAnyAndEveryUnit) {
    // The last argument of charactersPartOfSet answers for the empty string only.
    for (auto [text, rep, any, count, all] :
         {std::tuple{u"abc\u0663"sv, digitCharacterSetRep(), true, qsizetype(1), false},
          {u"\0\0"sv, whiteCharacterSetRep(), true, 2, true},
          {Null, nullptr, false, 0, true}}) {
        const QString s = makeText(text);
        EXPECT_EQ(characterPartOfSet(s, rep), any) << quoted(text);
        EXPECT_EQ(countCharactersPartOfSet(s, rep), count) << quoted(text);
        EXPECT_EQ(charactersPartOfSet(s, rep, true), all) << quoted(text);
        EXPECT_EQ(charactersPartOfSet(s, rep, false), all && !text.empty()) << quoted(text);
    }
}

// Each row lists the classes the text belongs to: White, Space, Digit, Alpha, alphaNum (N),
// asCii, Umlauted, Lower case, upper case (P).
TEST(Classification, NamedClassesAndKinds) {
    for (auto [text, classes] :
         {std::pair{Null, "WSCLP"sv},
          {u"\n"sv, "WCLP"sv},
          {u" \t\0\u3000"sv, "WSLP"sv},
          {u"1\u0663"sv, "DNLP"sv},
          {u"e\u0301"sv, "ANL"sv},
          {u"aBc"sv, "ANC"sv},
          {u"na\u00EFve"sv, "ANUL"sv},
          // A titlecase digraph has a lowercase form but no uppercase one in the tables.
          {u"\u01C5"sv, "ANP"sv}}) {
        const QString s = makeText(text);
        std::string found;
        for (auto [is, letter] : {std::pair{isWhiteString(s), 'W'},
                                  {isSpaceString(s), 'S'},
                                  {isDigitString(s), 'D'},
                                  {isAlphaString(s), 'A'},
                                  {isAlphaNumString(s), 'N'},
                                  {isAsciiString(s), 'C'},
                                  {isUmlautedString(s), 'U'},
                                  {isLowerCaseString(s), 'L'},
                                  {isUpperCaseString(s), 'P'}}) {
            if (is)
                found += letter;
        }
        EXPECT_EQ(found, classes) << quoted(text);
    }
}

TEST(Classification, Numbers) {
    for (auto [text, numbers, has12, threeDigits] :
         {std::tuple{u"a 12 b"sv, qsizetype(1), true, false},
          {u"112"sv, 1, false, true},
          {u"x120"sv, 1, false, true},
          {u"112 12"sv, 2, true, true},
          {u"abc\u0663"sv, 0, false, false},
          {u"1\0 2"sv, 2, false, false},
          {Null, 0, false, false}}) {
        const QString s = makeText(text);
        EXPECT_EQ(countNumbers(s), numbers) << quoted(s);
        EXPECT_EQ(containsNumber(s, u"12"), has12) << quoted(s);
        EXPECT_EQ(containsNumberWithNDigits(s, 3), threeDigits) << quoted(s);
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
    for (auto text : {u"WikiWord"sv, u"\u01C5aBc"sv})
        EXPECT_TRUE(isMashedWord(makeText(text))) << quoted(text);
    for (auto text : {u"WIKIWord"sv, u"AbC"sv, u"wikiWord"sv, u"Wiki2Word"sv, Null})
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
    expectText(stringByApplyingConversionTable(u"ab\0\u00E4\u00DF"_s, upper),
               u"AB\0\u00C4\u00DF"sv);
    expectText(stringByApplyingConversionTable(QString(), upper), Null);
    const QString ab = u"ab"_s;
    expectText(ab, stringByApplyingConversionTable(ab, nullptr), u"ab");
    for (auto [text, table, expected] :
         {std::tuple{u"a-b 1!\u0663"sv, ConversionTable(), u"ab1\u0663"sv},
          {u"a-b"sv, dashToX.data(), u"ab"sv}})
        expectText(stringByRemovingNonAlphaNumericCharactersAndApplyingConversionTable(
                       makeText(text), table),
                   expected);
}
