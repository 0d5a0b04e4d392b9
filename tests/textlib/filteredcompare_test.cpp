#include "textlib/filteredcompare.h"

#include "texttesting.h"

// Through the string forms, which hand the units to the array forms. Surrogates belong to no
// class, so they are skipped like blanks.
TEST(FilteredCompare, LooksOnlyAtMembers) {
    const struct {
        std::u16string_view a, b;
        bool equal, equalNoCase, prefix, prefixNoCase;
    } rows[] = {{u"a-b", u"ab", true, true, true, true},
                {u"ab", u"abc", false, false, false, false},
                {u"abc", u"a b", false, false, true, true},
                {u"--", u"", true, true, true, true},
                {Null, u"a", false, false, false, false},
                {u"a\U0001F600b", u"ab", true, true, true, true},
                {u"x\u00E4", u"X\u00C4", false, true, false, true}};
    const CharacterSetRep rep = alphaNumCharacterSetRep();
    for (const auto &k : rows) {
        const QString a = makeText(k.a), b = makeText(k.b);
        SCOPED_TRACE(quoted(k.a) + " / " + quoted(k.b));
        EXPECT_EQ(equalStringsUsingCharacterSetRep(a, b, rep), k.equal);
        EXPECT_EQ(equalStringsNoCaseUsingCharacterSetRep(a, b, rep), k.equalNoCase);
        EXPECT_EQ(hasPrefixUsingCharacterSetRep(a, b, rep), k.prefix);
        EXPECT_EQ(hasPrefixNoCaseUsingCharacterSetRep(a, b, rep), k.prefixNoCase);
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
