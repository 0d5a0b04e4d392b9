#include "textlib/filteredcompare.h"

#include "texttesting.h"

// Through the string forms, which hand the units to the array forms. Surrogates belong to no
// class, so they are skipped like blanks.
TEST(FilteredCompare, LooksOnlyAtMembers) {
    const CharacterSetRep rep = alphaNumCharacterSetRep();
    for (auto [textA, textB, equal, equalNoCase, prefix, prefixNoCase] :
         {std::tuple{u"a-b"sv, u"ab"sv, true, true, true, true},
          {u"abc"sv, u"a b"sv, false, false, true, true},
          {Null, u"a"sv, false, false, false, false},
          {u"a\U0001F600b"sv, u"ab"sv, true, true, true, true},
          {u"x\u00E4"sv, u"X\u00C4"sv, false, true, false, true}}) {
        const QString a = makeText(textA), b = makeText(textB);
        SCOPED_TRACE(quoted(a) + " / " + quoted(b));
        EXPECT_EQ(equalStringsUsingCharacterSetRep(a, b, rep), equal);
        EXPECT_EQ(equalStringsNoCaseUsingCharacterSetRep(a, b, rep), equalNoCase);
        EXPECT_EQ(hasPrefixUsingCharacterSetRep(a, b, rep), prefix);
        EXPECT_EQ(hasPrefixNoCaseUsingCharacterSetRep(a, b, rep), prefixNoCase);
    }
    EXPECT_TRUE(equalCharsNoCaseOfCharacterSetRep(u"ab", 1, u"A!", 2, rep));
    EXPECT_FALSE(hasPrefixCharsOfCharacterSetRep(u"Ab", 2, u"a", 1, rep));
}

TEST(FilteredCompare, ConversionTableMapsBothSides) {
    EXPECT_TRUE(
        equalStringsUsingConversionTable(u"\u00DCber"_s, u"uber"_s, initLowerUmlautsCharsTable()));
    EXPECT_FALSE(equalStringsUsingConversionTable(u"a\0b"_s, u"A\0c"_s, initLowerCharsTable()));
    EXPECT_FALSE(equalStringsUsingConversionTable(u"a"_s, u"A"_s, nullptr));
}
