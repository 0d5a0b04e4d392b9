#include "textlib/editing.h"

#include "texttesting.h"

#include <gtest/gtest.h>

using namespace std::literals;

namespace {

constexpr auto CS = Qt::CaseSensitive;
constexpr auto CI = Qt::CaseInsensitive;

struct EditCase {
    std::u16string_view text, target, replacement;
    Qt::CaseSensitivity cs;
    std::u16string_view expected;
    qsizetype count;
};

std::ostream &operator<<(std::ostream &os, const EditCase &k) {
    return os << quoted(k.text) << ": " << quoted(k.target) << " -> " << quoted(k.replacement)
              << (k.cs == CI ? " ignoring case" : "");
}

// An edit that changes nothing must leave a shared copy alone instead of detaching.
void expectEdited(const QString &original, const QString &s, qsizetype count, const EditCase &k) {
    EXPECT_EQ(count, k.count);
    EXPECT_EQ(s, makeText(k.expected));
    EXPECT_EQ(s.isNull(), k.expected.data() == nullptr);
    if (s == original) {
        EXPECT_EQ(s.constData(), original.constData());
    }
}

class ReplaceCharacterInPlaceTest : public testing::TestWithParam<EditCase> {};

TEST_P(ReplaceCharacterInPlaceTest, ReplacesAndCounts) {
    const EditCase &k = GetParam();
    const QString original = makeText(k.text);
    QString s = original;
    const qsizetype n = textlib::replaceCharacter(s, k.target[0], k.replacement[0], k.cs);
    expectEdited(original, s, n, k);
}

INSTANTIATE_TEST_SUITE_P(Cases, ReplaceCharacterInPlaceTest,
                         testing::Values(EditCase{u"1,5"sv, u","sv, u"."sv, CS, u"1.5"sv, 1},
                                         EditCase{u"banana"sv, u"a"sv, u"o"sv, CS, u"bonono"sv, 3},
                                         EditCase{u"banana"sv, u"a"sv, u"a"sv, CS, u"banana"sv, 3},
                                         EditCase{u"banana"sv, u"x"sv, u"y"sv, CS, u"banana"sv, 0},
                                         EditCase{u"BANana"sv, u"a"sv, u"x"sv, CI, u"BxNxnx"sv, 3},
                                         EditCase{u"BANana"sv, u"a"sv, u"x"sv, CS, u"BANxnx"sv, 2},
                                         EditCase{u"aA"sv, u"A"sv, u"a"sv, CI, u"aa"sv, 2},
                                         EditCase{u"aa"sv, u"A"sv, u"a"sv, CI, u"aa"sv, 2},
                                         EditCase{u"+1+"sv, u"+"sv, u"-"sv, CI, u"-1-"sv, 2},
                                         EditCase{u"0123456789abcdef,"sv, u","sv, u"."sv, CS,
                                                  u"0123456789abcdef."sv, 1},
                                         EditCase{u""sv, u"a"sv, u"b"sv, CS, u""sv, 0},
                                         EditCase{{}, u"a"sv, u"b"sv, CI, {}, 0}));

class ReplaceStringInPlaceTest : public testing::TestWithParam<EditCase> {};

TEST_P(ReplaceStringInPlaceTest, ReplacesLeftToRightAndCounts) {
    const EditCase &k = GetParam();
    const QString original = makeText(k.text);
    QString s = original;
    const qsizetype n =
        textlib::replaceString(s, makeText(k.target), makeText(k.replacement), k.cs);
    expectEdited(original, s, n, k);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReplaceStringInPlaceTest,
    testing::Values(EditCase{u"1.5"sv, u"."sv, u","sv, CS, u"1,5"sv, 1},
                    EditCase{u"a.b.c"sv, u"."sv, {}, CS, u"abc"sv, 2},
                    EditCase{u".."sv, u"."sv, {}, CS, u""sv, 2},
                    EditCase{u"abc"sv, {}, u"x"sv, CS, u"abc"sv, 0},
                    EditCase{u"abc"sv, u""sv, u"x"sv, CS, u"abc"sv, 0},
                    EditCase{u"ab"sv, u"abc"sv, u"x"sv, CS, u"ab"sv, 0},
                    EditCase{u"aaaa"sv, u"aa"sv, u"b"sv, CS, u"bb"sv, 2},
                    EditCase{u"aaa"sv, u"aa"sv, u"bb"sv, CS, u"bba"sv, 1},
                    EditCase{u"abab"sv, u"ba"sv, u"ab"sv, CS, u"aabb"sv, 1},
                    // A written replacement must not take part in the next match.
                    EditCase{u"aaa"sv, u"aa"sv, u"xa"sv, CS, u"xaa"sv, 1},
                    EditCase{u"aaa"sv, u"aa"sv, u"xaa"sv, CS, u"xaaa"sv, 1},
                    EditCase{u"x.y.z"sv, u"."sv, u"::"sv, CS, u"x::y::z"sv, 2},
                    EditCase{u"xAx"sv, u"a"sv, u"BB"sv, CI, u"xBBx"sv, 1},
                    EditCase{u"abcABC"sv, u"Bc"sv, u""sv, CI, u"aA"sv, 2},
                    EditCase{u"abcABC"sv, u"Bc"sv, u""sv, CS, u"abcABC"sv, 0},
                    EditCase{u"StraSSe"sv, u"\u00DF"sv, u"ss"sv, CI, u"StraSSe"sv, 0},
                    EditCase{u""sv, u"a"sv, u"b"sv, CS, u""sv, 0},
                    EditCase{{}, u"a"sv, u"b"sv, CS, {}, 0}));

// The small edits: each row applies an edit in place.
using namespace textlib;

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
        edit(u"x"sv, u"x12"sv,
             [](QString &s) {
                 appendSubstring(s, u"0123", {1, 2});
             }),
        edit(u"x"sv, u"x23"sv,
             [](QString &s) {
                 appendSubstring(s, u"0123", {2, 1LL << 62});
             }),
        edit(u"x"sv, u"x"sv,
             [](QString &s) {
                 appendSubstring(s, u"0123", {1, 0});
             }),
        edit(u"x"sv, u"x"sv,
             [](QString &s) {
                 appendSubstring(s, u"0123", {4, 1});
             }),
        edit(u"x"sv, u"x"sv,
             [](QString &s) {
                 appendSubstring(s, u"0123", {-1, 2});
             }),
        edit(u"x"sv, u"xa b"sv, [](QString &s) { appendTrimmedString(s, u"\n a b\u00A0\t"); }),
        edit(u"x"sv, u"x"sv, [](QString &s) { appendTrimmedString(s, u" \r\n"); }),
        edit({}, {}, [](QString &s) { appendTrimmedString(s, {}); }),
        edit(u"a"sv, u"a\0"sv, [](QString &s) { appendUnichar(s, 0); }),
        edit(u"a"sv, u"abc"sv, [](QString &s) { appendUnichars(s, u"bcd", 2); }),
        edit(u"a"sv, u"a"sv, [](QString &s) { appendUnichars(s, nullptr, 3); }),
        edit(u"ab"sv, u"ab!"sv, [](QString &s) { insertCharacter(s, u'!', 2); }),
        edit(u"ab"sv, u"ab"sv, [](QString &s) { insertCharacter(s, u'!', 3); }),
        edit(u"ab"sv, u"a"sv, [](QString &s) { removeCharacterAtIndex(s, 1); }),
        edit(u"ab"sv, u"ab"sv, [](QString &s) { removeCharacterAtIndex(s, 2); }),
        edit(u"aabbab"sv, u"ab"sv,
             [](QString &s) { EXPECT_EQ(deleteString(s, QStringLiteral("ab")), 2); }),
        edit(u"1.5."sv, u"1252"sv,
             [](QString &s) {
                 const QString two = QStringLiteral("%1").arg(2);
                 EXPECT_EQ(replaceStringWithFormatted(s, QStringLiteral("."), two), 2);
             }),
        edit(u"1.5"sv, u"1.5"sv,
             [](QString &s) {
                 EXPECT_EQ(replaceStringWithFormatted(s, QStringLiteral("."), QString()), 0);
             }),
        edit(u"\u0130A\u00C4"sv, u"i\u0307a\u00E4"sv, lowercase),
        edit(u"stra\u00DFe"sv, u"STRASSE"sv, uppercase),
        edit(u"hello wORLD"sv, u"Hello World"sv, capitalize),
        edit(u"don't-stop 3d x2 \u00E9lan"sv, u"Don't-Stop 3d X2 \u00C9lan"sv, capitalize),
        edit(u"'quoted' \u01C6emal"sv, u"'Quoted' \u01C5emal"sv, capitalize),
        // A letter outside the BMP is titlecased as one code point.
        edit(u"\U00010428\U00010400"sv, u"\U00010400\U00010428"sv, capitalize),
        edit(u"Ab Cd"sv, u"Ab Cd"sv, capitalize), edit({}, {}, capitalize),
        edit(u"a\uFFFCb"sv, u"a\uFFFCb"sv, [](QString &s) {
            removeAttachments(s);
            removeLinks(s);
            removeAttribute(s, u"link");
        })));

} // namespace
