#include "textlib/filteredcompare.h"

#include "texttesting.h"

// Through the string forms, which hand the units to the array forms. Surrogates belong to no
// class, so they are skipped like blanks.
TEST(FilteredCompare, LooksOnlyAtMembers) {
    const CharacterSetRep rep = alphaNumCharacterSetRep();
    for (auto [textA, textB, equal, equalNoCase, prefix, prefixNoCase] :
         {std::tuple{u"a-b"sv, u"ab"sv, true, true, true, true},
          {u"ab"sv, u"abc"sv, false, false, false, false},
          {u"abc"sv, u"a b"sv, false, false, true, true},
          {u"--"sv, u""sv, true, true, true, true},
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
    EXPECT_TRUE(equalCharsOfCharacterSetRep(nullptr, 0, nullptr, 0, rep));
    EXPECT_TRUE(equalCharsNoCaseOfCharacterSetRep(u"ab", 1, u"A!", 2, rep));
    EXPECT_TRUE(hasPrefixCharsNoCaseOfCharacterSetRep(u"Ab", 2, u"a", 1, rep));
    EXPECT_FALSE(hasPrefixCharsOfCharacterSetRep(u"Ab", 2, u"a", 1, rep));
}

TEST(FilteredCompare, ConversionTableMapsBothSides) {
    const ConversionTable lower = initLowerCharsTable();
    for (auto [s1, s2, table, equal] :
         {std::tuple{u"ABC"sv, u"abc"sv, lower, true},
          {Null, u""sv, lower, true},
          {u"a"sv, u"A"sv, nullptr, false},
          {u"a\0b"sv, u"a\0c"sv, lower, false},
          {u"\u00DCber"sv, u"uber"sv, initLowerUmlautsCharsTable(), true}})
        EXPECT_EQ(equalStringsUsingConversionTable(makeText(s1), makeText(s2), table), equal)
            << quoted(s1) << " / " << quoted(s2);
}
