#include "textlib/filteredcompare.h"

#include "texttesting.h"

#include <gtest/gtest.h>

namespace {

using namespace textlib;
using namespace std::literals;

// Through the string forms, which hand the units to the array forms. Surrogates belong to no
// class, so they are skipped like blanks; U+00DF has no single-unit upper form.
TEST(FilteredCompare, LooksOnlyAtMembers) {
    const struct {
        std::u16string_view a, b;
        bool equal, equalNoCase, prefix, prefixNoCase;
    } rows[] = {{u"a-b", u"ab", true, true, true, true},
                {u"A b", u"ab", false, true, false, true},
                {u"ab", u"abc", false, false, false, false},
                {u"abc", u"a b", false, false, true, true},
                {u"--", u"", true, true, true, true},
                {{}, u"a", false, false, false, false},
                {u"\u00E4", {}, false, false, true, true},
                {u"a\U0001F600b", u"ab", true, true, true, true},
                {u"\u00DF", u"\u1E9E", false, false, false, false},
                {u"x\u00E4", u"X\u00C4", false, true, false, true}};
    const CharacterSetRep rep = alphaNumCharacterSetRep();
    for (const auto &k : rows) {
        const QString a = makeText(k.a), b = makeText(k.b);
        SCOPED_TRACE(::quoted(k.a) + " / " + ::quoted(k.b));
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
    const struct {
        std::u16string_view s1, s2;
        ConversionTable table;
        bool equal;
    } rows[] = {{u"ABC", u"abc", initLowerCharsTable(), true},
                {u"ABC", u"abcd", initLowerCharsTable(), false},
                {{}, u"", initLowerCharsTable(), true},
                {u"a", u"A", nullptr, false},
                {u"a\0b"sv, u"a\0c"sv, initLowerCharsTable(), false},
                {u"\u00DCber", u"uber", initLowerUmlautsCharsTable(), true},
                {u"\u00DCber", u"uber", initUmlautsCharsTable(), false},
                {u"\u00DF", u"ss", initUpperUmlautsCharsTable(), false}};
    for (const auto &k : rows)
        EXPECT_EQ(equalStringsUsingConversionTable(makeText(k.s1), makeText(k.s2), k.table),
                  k.equal)
            << ::quoted(k.s1) << " / " << ::quoted(k.s2);
}

} // namespace
