#include "textlib/classification.h"

#include "texttesting.h"

TEST(Classification, MembershipOfAnyAndEveryUnit) {
    EXPECT_EQ(countCharactersPartOfSet(u"1abc\u0663"_s, digitCharacterSetRep()), 2);
    EXPECT_TRUE(charactersPartOfSet(u"\0\0"_s, whiteCharacterSetRep(), false));
    // The last argument answers for the empty string only.
    EXPECT_TRUE(charactersPartOfSet(QString(), nullptr, true));
    EXPECT_FALSE(characterPartOfSet(QString(), nullptr)
                 || charactersPartOfSet(u""_s, nullptr, false));
}

// Each row lists the classes the text belongs to: White, Space, Digit, Alpha, alphaNum (N),
// asCii, Umlauted, Lower case, upper case (P).
TEST(Classification, NamedClassesKindsAndMashedWords) {
    for (auto [text, classes] :
         {std::pair{Null, "WSCLP"sv},
          {u"\n"sv, "WCLP"sv},
          {u" \t\0\u3000"sv, "WSLP"sv},
          {u"1\u0663"sv, "DNLP"sv},
          {u"na\u00EFve"sv, "ANUL"sv},
          // A titlecase digraph has a lowercase form but no uppercase one in the tables.
          {u"\u01C5"sv, "ANP"sv}}) {
        const QString s = makeText(text);
        const bool is[] = {isWhiteString(s),    isSpaceString(s),     isDigitString(s),
                           isAlphaString(s),    isAlphaNumString(s),  isAsciiString(s),
                           isUmlautedString(s), isLowerCaseString(s), isUpperCaseString(s)};
        std::string found;
        for (std::size_t i = 0; i < std::size(is); ++i)
            found += is[i] ? std::string(1, "WSDANCULP"[i]) : "";
        EXPECT_EQ(found, classes) << quoted(text);
    }
    EXPECT_TRUE(isMashedWord(u"\u01C5aBc"_s));
    for (auto text : {u"WIKIWord"sv, u"wikiWord"sv, u"Wiki2Word"sv, Null})
        EXPECT_FALSE(isMashedWordString(makeText(text))) << quoted(text);
}

TEST(Classification, Numbers) {
    for (auto [text, numbers, has12, threeDigits] :
         {std::tuple{u"112"sv, qsizetype(1), false, true},
          {u"112 12"sv, 2, true, true},
          {u"abc\u0663"sv, 0, false, false},
          {u"1\0 2"sv, 2, false, false},
          {Null, 0, false, false}}) {
        const QString s = makeText(text);
        EXPECT_EQ(countNumbers(s), numbers) << quoted(s);
        EXPECT_EQ(containsNumber(s, u"12"), has12) << quoted(s);
        EXPECT_EQ(containsNumberWithNDigits(s, 3), threeDigits) << quoted(s);
    }
    EXPECT_FALSE(containsNumber(u"12", QStringView()) || containsNumber(u"12", u"")
                 || containsNumber(u"12", u"123"));
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

TEST(Classification, TableForms) {
    expectText(stringByApplyingConversionTable(u"ab\0\u00E4\u00DF"_s, initUpperCharsTable()),
               u"AB\0\u00C4\u00DF"sv);
    const QString ab = u"ab"_s;
    expectText(ab, stringByApplyingConversionTable(ab, nullptr), u"ab");
    expectText(stringByRemovingNonAlphaNumericCharactersAndApplyingConversionTable(
                   u"a-b 1!\u0663"_s, initUpperCharsTable()),
               u"AB1\u0663");
}
