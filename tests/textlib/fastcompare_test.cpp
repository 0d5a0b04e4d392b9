#include "textlib/fastcompare.h"

#include "texttesting.h"

namespace {

constexpr std::ptrdiff_t None = -1;

} // namespace

// Rows cover a restart after a partial match, a match past the eight-unit blocks at the very
// end, NULs and a partner the case tables do not pair directly (final sigma). The byte forms
// share these scans.
TEST(FastCompare, SearchFindsLeftmostMatch) {
    // Index of the match, case-sensitive and not.
    for (auto [haystack, needle, sensitive, insensitive] :
         {std::tuple{u"abc"sv, u""sv, None, None},
          {u"aaaaaaaaaaaaaaaaaab"sv, u"aaB"sv, None, 16},
          {u"a\0b------a\0B"sv, u"a\0B"sv, 9, 0},
          {u"..\u03A3\u039F\u03A6\u0399\u0391"sv, u"\u03C2\u03BF\u03C6\u03B9\u03B1"sv, None, 2}}) {
        const char16_t *h = haystack.data();
        const qsizetype hl = qsizetype(haystack.size()), nl = qsizetype(needle.size());
        const auto at = [h](const char16_t *found) { return found ? found - h : None; };
        SCOPED_TRACE(quoted(haystack) + " / " + quoted(needle));
        EXPECT_EQ(at(fastContainsUnichars(h, hl, needle.data(), nl)), sensitive);
        EXPECT_EQ(at(fastCaseInsensitiveContainsUnichars(h, hl, needle.data(), nl)), insensitive);
    }
    // Bytes are Latin-1, never sign-extended.
    const char16_t *h = u"---------CAF\u00C9";
    EXPECT_EQ(positionOfCharacters("caf\xE9", 4, h, 13, Qt::CaseInsensitive), h + 9);
    EXPECT_EQ(positionOfCharacters("caf\xE9", 4, h, 13, Qt::CaseSensitive), nullptr);
}

TEST(FastCompare, OrderingGivesDifferenceOfFirstUnequalUnits) {
    for (auto [a, b, exact, insensitive] :
         {std::tuple{u"abc"sv, u"ab"sv, qint64(1), qint64(1)},
          {Null, u"xy"sv, -2, -2},
          {u"0123456789abcdefg"sv, u"0123456789abcdefG"sv, 32, 0}}) {
        const qsizetype al = qsizetype(a.size()), bl = qsizetype(b.size());
        SCOPED_TRACE(quoted(a) + " / " + quoted(b));
        EXPECT_EQ(compareCharacters(a.data(), al, b.data(), bl), exact);
        EXPECT_EQ(caseInsensitiveCompareCharacters(a.data(), al, b.data(), bl), insensitive);
    }
    // A negative length is an empty text, on either side.
    EXPECT_EQ(caseInsensitiveCompareCharacters(u"ab", 2, u"x", -1), 2);
    EXPECT_EQ(caseInsensitiveCompareCharacters(u"x", -1, u"ab", 2), -2);
    // Bytes of 0x80 and more are signed and not folded, so UTF-8 lead bytes never fold together.
    EXPECT_EQ(fastCompareChars("\xE9", 1, "a", 1), -120);
    EXPECT_EQ(fastCaseInsensitiveCompareChars("\xE9", 1, "a", 1), -88);
    EXPECT_EQ(fastCaseInsensitiveCompareChars("[", 1, "a", 1), 26);
}

TEST(FastCompare, OnlyWhiteCharacters) {
    EXPECT_TRUE(onlyWhiteCharacters(u" \t\r\n\0\u00A0\uFEFF", 7));
    EXPECT_FALSE(onlyWhiteCharacters(u"\xD800", 1));
}

TEST(FastCompare, EqualityFoldsUnitByUnit) {
    for (auto [a, b, noCase, ascii, nonUmlauted] :
         {std::tuple{u"\u00C9lan"sv, u"ELAN"sv, false, true, true},
          {u"\u00DF"sv, u"\u20AC"sv, false, true, false},
          {Null, u""sv, false, false, false}}) {
        const QString s = makeText(a), other = makeText(b);
        SCOPED_TRACE(quoted(a) + " / " + quoted(b));
        EXPECT_EQ(isEqualToStringNoCase(s, other), noCase);
        EXPECT_EQ(isAsciiEqualToStringNoCase(s, other), ascii);
        EXPECT_EQ(isNonUmlautedEqualToStringNoCase(s, other), nonUmlauted);
    }
    EXPECT_TRUE(hasPrefixNoCase(u"Hello", u"HE"));
    EXPECT_FALSE(hasPrefixNoCase(u"Hello", u""));
    // Range forms compare the units inside the range; a range outside the text matches nothing.
    const QString s = u"xUber!"_s;
    EXPECT_TRUE(rangeIsEqualTo(s, {1, 3}, u"Ube")
                && rangeIsAsciiEqualToNoCase(s, {1, 3}, u"\u00DCBE"_s));
    EXPECT_FALSE(rangeIsEqualTo(s, {-1, 1}, u"x") || rangeIsEqualToNoCase(s, {5, 2}, u"!"));
}
