#include "textlib/fastcompare.h"
#include "textlib/filteredcompare.h"

#include "texttesting.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace textlib;
using namespace std::literals;

constexpr qsizetype None = -1;

// Latin-1 bytes of units; shorter than units when some unit is beyond U+00FF.
std::string bytesOf(std::u16string_view units) {
    std::string bytes;
    for (char16_t c : units) {
        if (c <= 0xFF)
            bytes += char(c);
    }
    return bytes;
}

// Rows cover a restart after a partial match, a match past the eight-unit blocks at the very
// end, NULs, a partner the case tables do not pair directly (final sigma), Latin-1 bytes and a
// lone surrogate.
TEST(FastCompare, SearchFindsLeftmostMatch) {
    const struct {
        std::u16string_view haystack, needle;
        qsizetype sensitive, insensitive; // index of the match
    } rows[] = {{u"abc", u"", None, None},
                {u"abc", u"abcd", None, None},
                {u"abxcabcc", u"abc", 4, 4},
                {u"aaaaaaaaaaaaaaaaaab", u"aaB", None, 16},
                {u"a\0b------a\0B"sv, u"a\0B"sv, 9, 0},
                {u"..\u03A3\u039F\u03A6\u0399\u0391", u"\u03C2\u03BF\u03C6\u03B9\u03B1", None, 2},
                {u"---------CAF\u00C9", u"caf\u00E9", None, 9},
                {u"a\U0001F600b", u"\xDE00", 2, 2}};
    for (const auto &k : rows) {
        const char16_t *h = k.haystack.data();
        const qsizetype hl = qsizetype(k.haystack.size()), nl = qsizetype(k.needle.size());
        const auto at = [h](const char16_t *found) { return found ? found - h : None; };
        SCOPED_TRACE(::quoted(k.haystack) + " / " + ::quoted(k.needle));
        EXPECT_EQ(at(fastContainsUnichars(h, hl, k.needle.data(), nl)), k.sensitive);
        EXPECT_EQ(at(fastCaseInsensitiveContainsUnichars(h, hl, k.needle.data(), nl)),
                  k.insensitive);
        const std::string b = bytesOf(k.needle);
        if (qsizetype(b.size()) != nl)
            continue;
        EXPECT_EQ(at(fastUnicharsContainChars(h, hl, b.data(), nl)), k.sensitive);
        EXPECT_EQ(at(fastCaseInsensitiveUnicharsContainChars(h, hl, b.data(), nl)), k.insensitive);
        EXPECT_EQ(at(positionOfCharacters(b.data(), nl, h, hl, Qt::CaseInsensitive)),
                  k.insensitive);
    }
}

// A needle finds every unit that has its upper form, whichever the needle's own case.
TEST(FastCompare, SearchMeetsEveryCasePartner) {
    const ConversionTable upper = initUpperCharsTable();
    std::u16string haystack(24, u'\0');
    expectEveryUnit([&](char16_t c) {
        haystack[13] = haystack[14] = c;
        const char16_t needle[2] = {upper[c], upper[c]};
        return c == 0
               || (fastCaseInsensitiveContainsUnichars(haystack.data(), 24, needle, 1)
                       == haystack.data() + 13
                   && fastCaseInsensitiveContainsUnichars(haystack.data(), 24, needle, 2)
                          == haystack.data() + 13);
    });
}

TEST(FastCompare, OrderingGivesDifferenceOfFirstUnequalUnits) {
    const struct {
        std::u16string_view a, b;
        qint64 exact, insensitive;
    } rows[] = {{u"abc", u"ab", 1, 1},
                {{}, u"xy", -2, -2},
                {u"ABC", u"abc", -32, 0},
                {u"\xFFFF", u"a", 0xFF9E, 0xFFBE},
                {u"0123456789abcdefg", u"0123456789abcdefG", 32, 0}};
    for (const auto &k : rows) {
        const char16_t *a = k.a.data(), *b = k.b.data();
        const qsizetype al = qsizetype(k.a.size()), bl = qsizetype(k.b.size());
        const std::string bytes = bytesOf(k.b);
        SCOPED_TRACE(::quoted(k.a) + " / " + ::quoted(k.b));
        EXPECT_EQ(compareCharacters(a, al, b, bl), k.exact);
        EXPECT_EQ(compareCharacters(a, al, bytes.data(), bl), k.exact);
        EXPECT_EQ(fastCompareUnicharsUsingConversionTable(a, al, b, bl, nullptr), k.exact);
        EXPECT_EQ(caseInsensitiveCompareCharacters(a, al, b, bl), k.insensitive);
        EXPECT_EQ(caseInsensitiveCompareCharacters(a, al, bytes.data(), bl), k.insensitive);
    }
}

// Bytes of 0x80 and more are not folded, so UTF-8 lead bytes never fold into each other.
TEST(FastCompare, ByteOrderingComparesSignedBytes) {
    const struct {
        std::string_view a, b;
        qint64 exact, insensitive;
    } rows[] = {
        {"\xE9", "a", -120, -88}, {"[", "a", -6, 26}, {"ab", "a", 1, 1}, {"\xE9", "\xC9", 32, 32}};
    for (const auto &k : rows) {
        const qsizetype al = qsizetype(k.a.size()), bl = qsizetype(k.b.size());
        EXPECT_EQ(fastCompareChars(k.a.data(), al, k.b.data(), bl), k.exact) << k.a;
        EXPECT_EQ(fastCaseInsensitiveCompareChars(k.a.data(), al, k.b.data(), bl), k.insensitive)
            << k.a;
    }
}

TEST(FastCompare, OnlyWhiteAndSubCStrings) {
    for (auto [units, white] : {std::pair{u" \t\r\n\0\u00A0\uFEFF"sv, true},
                                {std::u16string_view(), true},
                                {u" x"sv, false},
                                {u"\xD800"sv, false}})
        EXPECT_EQ(onlyWhiteCharacters(units.data(), qsizetype(units.size())), white)
            << ::quoted(units);

    const std::u16string longText = std::u16string(300, u'y') + u"ABC";
    const ConversionTable lower = initLowerCharsTable();
    const struct {
        std::u16string_view text;
        std::vector<const char *> list;
        ConversionTable table;
        bool found;
    } rows[] = {{u"xABCx", {"abc"}, lower, true},
                {u"xABCx", {"zz", "Cx"}, nullptr, true},
                {longText, {"abc"}, lower, true}};
    for (const auto &k : rows)
        EXPECT_EQ(fastContainsSubCStrings(makeText(k.text), k.list, k.table), k.found)
            << ::quoted(k.text) << " " << (k.list[0] ? k.list[0] : "");
}

TEST(FastCompare, StringEqualityFoldsUnitByUnit) {
    const struct {
        std::u16string_view s, other;
        bool noCase, ascii, nonUmlauted;
    } rows[] = {{u"\u00C9lan", u"ELAN", false, true, true},
                {u"\u00DF", u"\u20AC", false, true, false},
                {u"\u00DF", u"ss", false, false, false},
                {u"", u"", true, true, true},
                {{}, u"", false, false, false},
                {u"\U0001F600", u"\U0001F601", false, true, false}};
    for (const auto &k : rows) {
        const QString s = makeText(k.s), other = makeText(k.other);
        SCOPED_TRACE(::quoted(k.s) + " / " + ::quoted(k.other));
        EXPECT_EQ(isEqualToStringNoCase(s, other), k.noCase);
        EXPECT_EQ(isAsciiEqualToStringNoCase(s, other), k.ascii);
        EXPECT_EQ(isNonUmlautedEqualToStringNoCase(s, other), k.nonUmlauted);
    }
    EXPECT_TRUE(hasPrefixNoCase(u"Hello", u"HE"));
    EXPECT_TRUE(hasSuffixNoCase(u"Hello", u"LO"));
    EXPECT_FALSE(hasPrefixNoCase(u"Hello", u""));
}

TEST(FastCompare, RangeFormsCompareTheUnitsInside) {
    const struct {
        Range range;
        std::u16string_view other;
        bool exact, noCase, ascii, nonUmlauted;
    } rows[] = {{{1, 3}, u"\u00DCBE", false, false, true, true},
                {{2, 0}, {}, true, true, false, false},
                {{0, 5}, u"xUbe", false, false, false, false},
                {{-1, 1}, u"x", false, false, false, false}};
    const QString s = QStringLiteral("xUber!");
    for (const auto &k : rows) {
        const QString other = makeText(k.other);
        SCOPED_TRACE(::quoted(k.other) + " at " + std::to_string(k.range.location));
        EXPECT_EQ(rangeIsEqualTo(s, k.range, other), k.exact);
        EXPECT_EQ(rangeIsEqualToNoCase(s, k.range, other), k.noCase);
        EXPECT_EQ(rangeIsAsciiEqualToNoCase(s, k.range, other), k.ascii);
        EXPECT_EQ(rangeIsNonUmlautedEqualToNoCase(s, k.range, other), k.nonUmlauted);
    }
}

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
                {{}, u"a", false, false, false, false},
                {u"\u00E4", {}, false, false, true, true},
                {u"a\U0001F600b", u"ab", true, true, true, true},
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
    } rows[] = {
        {u"ABC", u"abc", initLowerCharsTable(), true},
        {u"ABC", u"abcd", initLowerCharsTable(), false},
        {{}, u"", initLowerCharsTable(), true},
        {u"a", u"A", nullptr, false},
        {u"a\0b"sv, u"a\0c"sv, initLowerCharsTable(), false},
        {u"\u00DCber", u"uber", initLowerUmlautsCharsTable(), true},
    };
    for (const auto &k : rows)
        EXPECT_EQ(equalStringsUsingConversionTable(makeText(k.s1), makeText(k.s2), k.table),
                  k.equal)
            << ::quoted(k.s1) << " / " << ::quoted(k.s2);
}

} // namespace
