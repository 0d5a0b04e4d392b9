#include "textlib/fastcompare.h"

#include "texttesting.h"

namespace {

constexpr std::ptrdiff_t None = -1;

// Latin-1 bytes of units; shorter than units when some unit is beyond U+00FF.
std::string bytesOf(std::u16string_view units) {
    std::string bytes;
    for (char16_t c : units) {
        if (c <= 0xFF)
            bytes += char(c);
    }
    return bytes;
}

} // namespace

// Rows cover a restart after a partial match, a match past the eight-unit blocks at the very
// end, NULs, a partner the case tables do not pair directly (final sigma) and Latin-1 bytes.
TEST(FastCompare, SearchFindsLeftmostMatch) {
    // Index of the match, case-sensitive and not.
    for (auto [haystack, needle, sensitive, insensitive] :
         {std::tuple{u"abc"sv, u""sv, None, None},
          {u"abxcabcc"sv, u"abc"sv, 4, 4},
          {u"aaaaaaaaaaaaaaaaaab"sv, u"aaB"sv, None, 16},
          {u"a\0b------a\0B"sv, u"a\0B"sv, 9, 0},
          {u"..\u03A3\u039F\u03A6\u0399\u0391"sv, u"\u03C2\u03BF\u03C6\u03B9\u03B1"sv, None, 2},
          {u"---------CAF\u00C9"sv, u"caf\u00E9"sv, None, 9}}) {
        const char16_t *h = haystack.data();
        const qsizetype hl = qsizetype(haystack.size()), nl = qsizetype(needle.size());
        const auto at = [h](const char16_t *found) { return found ? found - h : None; };
        SCOPED_TRACE(quoted(haystack) + " / " + quoted(needle));
        EXPECT_EQ(at(fastContainsUnichars(h, hl, needle.data(), nl)), sensitive);
        EXPECT_EQ(at(fastCaseInsensitiveContainsUnichars(h, hl, needle.data(), nl)), insensitive);
        const std::string b = bytesOf(needle);
        if (qsizetype(b.size()) != nl)
            continue;
        EXPECT_EQ(at(fastUnicharsContainChars(h, hl, b.data(), nl)), sensitive);
        EXPECT_EQ(at(fastCaseInsensitiveUnicharsContainChars(h, hl, b.data(), nl)), insensitive);
        EXPECT_EQ(at(positionOfCharacters(b.data(), nl, h, hl, Qt::CaseInsensitive)), insensitive);
    }
}

TEST(FastCompare, OrderingGivesDifferenceOfFirstUnequalUnits) {
    for (auto [a, b, exact, insensitive] :
         {std::tuple{u"abc"sv, u"ab"sv, qint64(1), qint64(1)},
          {Null, u"xy"sv, -2, -2},
          {u"\xFFFF"sv, u"a"sv, 0xFF9E, 0xFFBE},
          {u"0123456789abcdefg"sv, u"0123456789abcdefG"sv, 32, 0}}) {
        const qsizetype al = qsizetype(a.size()), bl = qsizetype(b.size());
        const std::string bytes = bytesOf(b);
        SCOPED_TRACE(quoted(a) + " / " + quoted(b));
        EXPECT_EQ(compareCharacters(a.data(), al, b.data(), bl), exact);
        EXPECT_EQ(compareCharacters(a.data(), al, bytes.data(), bl), exact);
        EXPECT_EQ(fastCompareUnicharsUsingConversionTable(a.data(), al, b.data(), bl, nullptr),
                  exact);
        EXPECT_EQ(caseInsensitiveCompareCharacters(a.data(), al, b.data(), bl), insensitive);
        EXPECT_EQ(caseInsensitiveCompareCharacters(a.data(), al, bytes.data(), bl), insensitive);
    }
    // A negative length is an empty text, on either side.
    EXPECT_EQ(caseInsensitiveCompareCharacters(u"ab", 2, u"x", -1), 2);
    EXPECT_EQ(caseInsensitiveCompareCharacters(u"x", -1, u"ab", 2), -2);
    // Bytes of 0x80 and more are signed and not folded, so UTF-8 lead bytes never fold together.
    for (auto [a, b, exact, insensitive] :
         {std::tuple{"\xE9"sv, "a"sv, -120, -88}, {"["sv, "a"sv, -6, 26}}) {
        const qsizetype al = qsizetype(a.size()), bl = qsizetype(b.size());
        EXPECT_EQ(fastCompareChars(a.data(), al, b.data(), bl), exact) << a;
        EXPECT_EQ(fastCaseInsensitiveCompareChars(a.data(), al, b.data(), bl), insensitive) << a;
    }
}

TEST(FastCompare, OnlyWhiteAndSubCStrings) {
    for (auto [units, white] :
         {std::pair{u" \t\r\n\0\u00A0\uFEFF"sv, true}, {Null, true}, {u"\xD800"sv, false}})
        EXPECT_EQ(onlyWhiteCharacters(units.data(), qsizetype(units.size())), white)
            << quoted(units);
    EXPECT_TRUE(fastContainsSubCStrings(u"xABCx"_s, {"zz", "Cx"}, nullptr));
    EXPECT_TRUE(
        fastContainsSubCStrings(QString(300, u'y') + u"ABC"_s, {"abc"}, initLowerCharsTable()));
}

TEST(FastCompare, EqualityFoldsUnitByUnit) {
    for (auto [a, b, noCase, ascii, nonUmlauted] :
         {std::tuple{u"\u00C9lan"sv, u"ELAN"sv, false, true, true},
          {u"\u00DF"sv, u"\u20AC"sv, false, true, false},
          {u""sv, u""sv, true, true, true},
          {Null, u""sv, false, false, false}}) {
        const QString s = makeText(a), other = makeText(b);
        SCOPED_TRACE(quoted(a) + " / " + quoted(b));
        EXPECT_EQ(isEqualToStringNoCase(s, other), noCase);
        EXPECT_EQ(isAsciiEqualToStringNoCase(s, other), ascii);
        EXPECT_EQ(isNonUmlautedEqualToStringNoCase(s, other), nonUmlauted);
    }
    EXPECT_TRUE(hasPrefixNoCase(u"Hello", u"HE"));
    EXPECT_FALSE(hasPrefixNoCase(u"Hello", u""));
    // Range forms compare the units inside the range.
    const QString s = u"xUber!"_s;
    for (auto [range, b, exact, noCase, ascii, nonUmlauted] :
         {std::tuple{Range{1, 3}, u"\u00DCBE"sv, false, false, true, true},
          {Range{2, 0}, Null, true, true, false, false},
          {Range{-1, 1}, u"x"sv, false, false, false, false}}) {
        const QString other = makeText(b);
        SCOPED_TRACE(quoted(b) + " at " + std::to_string(range.location));
        EXPECT_EQ(rangeIsEqualTo(s, range, other), exact);
        EXPECT_EQ(rangeIsEqualToNoCase(s, range, other), noCase);
        EXPECT_EQ(rangeIsAsciiEqualToNoCase(s, range, other), ascii);
        EXPECT_EQ(rangeIsNonUmlautedEqualToNoCase(s, range, other), nonUmlauted);
    }
}
