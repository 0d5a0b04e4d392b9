#include "textlib/editing.h"

#include "texttesting.h"

#include <gtest/gtest.h>

using namespace std::literals;
using namespace textlib;
using namespace Qt::StringLiterals;

namespace {

constexpr auto CS = Qt::CaseSensitive;
constexpr auto CI = Qt::CaseInsensitive;

// An edit that changes nothing must leave a shared copy alone instead of detaching.
TEST(Editing, ReplacesInPlaceAndCounts) {
    const struct {
        bool single; // replaceCharacter, else replaceString
        std::u16string_view text, target, replacement;
        Qt::CaseSensitivity cs;
        std::u16string_view expected;
        qsizetype count;
    } rows[] = {{true, u"banana"sv, u"a"sv, u"o"sv, CS, u"bonono"sv, 3},
                {true, u"banana"sv, u"a"sv, u"a"sv, CS, u"banana"sv, 3},
                {true, u"BANana"sv, u"a"sv, u"x"sv, CI, u"BxNxnx"sv, 3},
                {true, u"aa"sv, u"A"sv, u"a"sv, CI, u"aa"sv, 2},
                {true, u"0123456789abcdef,"sv, u","sv, u"."sv, CS, u"0123456789abcdef."sv, 1},
                {true, {}, u"a"sv, u"b"sv, CI, {}, 0},
                {false, u"a.b.c"sv, u"."sv, {}, CS, u"abc"sv, 2},
                {false, u"abc"sv, u""sv, u"x"sv, CS, u"abc"sv, 0},
                {false, u"aaaa"sv, u"aa"sv, u"b"sv, CS, u"bb"sv, 2},
                // A written replacement must not take part in the next match.
                {false, u"aaa"sv, u"aa"sv, u"xaa"sv, CS, u"xaaa"sv, 1},
                {false, u"x.y.z"sv, u"."sv, u"::"sv, CS, u"x::y::z"sv, 2},
                {false, u"abcABC"sv, u"Bc"sv, u""sv, CI, u"aA"sv, 2},
                {false, u"StraSSe"sv, u"\u00DF"sv, u"ss"sv, CI, u"StraSSe"sv, 0},
                {false, {}, u"a"sv, u"b"sv, CS, {}, 0}};
    for (const auto &k : rows) {
        SCOPED_TRACE(quoted(k.text) + ": " + quoted(k.target) + " -> " + quoted(k.replacement));
        const QString original = makeText(k.text);
        QString s = original;
        EXPECT_EQ(k.single ? replaceCharacter(s, k.target[0], k.replacement[0], k.cs)
                           : replaceString(s, makeText(k.target), makeText(k.replacement), k.cs),
                  k.count);
        expectText(original, s, k.expected);
    }
}

TextOpCase edit(std::u16string_view text, std::u16string_view expected, void (*f)(QString &)) {
    return {{"edit", f, nullptr}, text, expected};
}

class SmallEditTest : public testing::TestWithParam<TextOpCase> {};
TEST_P(SmallEditTest, EditsInPlace) {
    expectTextOp(GetParam());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SmallEditTest,
    testing::Values(
        edit(u"x"sv, u"x23"sv,
             [](QString &s) {
                 appendSubstring(s, u"0123", {2, 1LL << 62});
             }),
        edit(u"x"sv, u"x"sv,
             [](QString &s) {
                 appendSubstring(s, u"0123", {-1, 2});
             }),
        edit(u"x"sv, u"xa b"sv, [](QString &s) { appendTrimmedString(s, u"\n a b\u00A0\t"); }),
        edit({}, {}, [](QString &s) { appendTrimmedString(s, {}); }),
        edit(u"a"sv, u"a\0"sv, [](QString &s) { appendUnichar(s, 0); }),
        edit(u"a"sv, u"abc"sv, [](QString &s) { appendUnichars(s, u"bcd", 2); }),
        edit(u"a"sv, u"a"sv, [](QString &s) { appendUnichars(s, nullptr, 3); }),
        edit(u"ab"sv, u"ab!"sv, [](QString &s) { insertCharacter(s, u'!', 2); }),
        edit(u"ab"sv, u"ab"sv, [](QString &s) { insertCharacter(s, u'!', 3); }),
        edit(u"ab"sv, u"a"sv, [](QString &s) { removeCharacterAtIndex(s, 1); }),
        edit(u"ab"sv, u"ab"sv, [](QString &s) { removeCharacterAtIndex(s, 2); }),
        edit(u"aabbab"sv, u"ab"sv, [](QString &s) { EXPECT_EQ(deleteString(s, u"ab"_s), 2); }),
        edit(u"1.5."sv, u"1252"sv,
             [](QString &s) {
                 EXPECT_EQ(replaceStringWithFormatted(s, u"."_s, u"%1"_s.arg(2)), 2);
             }),
        // A failed format must not delete.
        edit(u"1.5"sv, u"1.5"sv, [](QString &s) { replaceStringWithFormatted(s, u"."_s, {}); }),
        edit(u"\u0130A\u00C4"sv, u"i\u0307a\u00E4"sv, lowercase),
        edit(u"stra\u00DFe"sv, u"STRASSE"sv, uppercase),
        edit(u"don't-stop 3d x2 \u00E9lan"sv, u"Don't-Stop 3d X2 \u00C9lan"sv, capitalize),
        edit(u"'quoted' \u01C6emal"sv, u"'Quoted' \u01C5emal"sv, capitalize),
        // A letter outside the BMP is titlecased as one code point.
        edit(u"\U00010428\U00010400"sv, u"\U00010400\U00010428"sv, capitalize),
        edit(u"Ab Cd"sv, u"Ab Cd"sv, capitalize),
        edit(u"a\uFFFCb"sv, u"a\uFFFCb"sv, [](QString &s) {
            removeAttachments(s);
            removeLinks(s);
            removeAttribute(s, u"link");
        })));

} // namespace
