#include "textlib/characters.h"
#include "textlib/editing.h"

#include "texttesting.h"

// An edit that changes nothing must leave a shared copy alone instead of detaching or copying.
TEST(Editing, ReplacesInPlaceAndCounts) {
    const struct {
        bool single; // replaceCharacter, else replaceString
        std::u16string_view text, target, replacement;
        Qt::CaseSensitivity cs;
        std::u16string_view expected;
        qsizetype count;
    } rows[] = {
        {true, u"abc", u"x", u"y", Qt::CaseSensitive, u"abc", 0},
        {true, u"banana", u"a", u"a", Qt::CaseSensitive, u"banana", 3},
        {true, u"BANana", u"a", u"x", Qt::CaseInsensitive, u"BxNxnx", 3},
        {true, u"0123456789abcdef,", u",", u".", Qt::CaseSensitive, u"0123456789abcdef.", 1},
        {true, {}, u"a", u"b", Qt::CaseInsensitive, {}, 0},
        {false, u"a.b.c", u".", {}, Qt::CaseSensitive, u"abc", 2},
        {false, u"abc", u"", u"x", Qt::CaseSensitive, u"abc", 0},
        {false, u"aaaa", u"aa", u"b", Qt::CaseSensitive, u"bb", 2},
        // A written replacement must not take part in the next match.
        {false, u"aaa", u"aa", u"xaa", Qt::CaseSensitive, u"xaaa", 1},
        {false, u"abcABC", u"Bc", u"", Qt::CaseInsensitive, u"aA", 2},
        {false, u"StraSSe", u"\u00DF", u"ss", Qt::CaseInsensitive, u"StraSSe", 0},
        {false, {}, u"a", u"b", Qt::CaseSensitive, {}, 0}};
    for (const auto &k : rows) {
        SCOPED_TRACE(quoted(k.text) + ": " + quoted(k.target) + " -> " + quoted(k.replacement));
        const QString original = makeText(k.text);
        QString s = original;
        EXPECT_EQ(k.single ? replaceCharacter(s, k.target[0], k.replacement[0], k.cs)
                           : replaceString(s, makeText(k.target), makeText(k.replacement), k.cs),
                  k.count);
        expectText(original, s, k.expected);
        // The copying forms give the same text, and a null replacement changes nothing there.
        const QString copy =
            k.single ? stringByReplacingCharacter(original, k.target[0], k.replacement[0], k.cs)
                     : stringByReplacingString(original, makeText(k.target),
                                               makeText(k.replacement), k.cs);
        expectText(original, copy, k.replacement.data() ? k.expected : k.text);
    }
}

TextOpCase edit(std::u16string_view text, std::u16string_view expected, void (*f)(QString &)) {
    return {{"edit", f, nullptr}, text, expected};
}

TEST(Editing, SmallEditsInPlace) {
    expectTextOps({
        edit(u"x", u"x23", [](QString &s) { appendSubstring(s, u"0123", Range(2, 1LL << 62)); }),
        edit(u"x", u"x", [](QString &s) { appendSubstring(s, u"0123", Range(-1, 2)); }),
        edit(u"x", u"xa b", [](QString &s) { appendTrimmedString(s, u"\n a b\u00A0\t"); }),
        edit({}, {}, [](QString &s) { appendTrimmedString(s, {}); }),
        edit(u"a", u"a\0"sv, [](QString &s) { appendUnichar(s, 0); }),
        edit(u"a", u"abc", [](QString &s) { appendUnichars(s, u"bcd", 2); }),
        edit(u"a", u"a", [](QString &s) { appendUnichars(s, nullptr, 3); }),
        edit(u"ab", u"ab!", [](QString &s) { insertCharacter(s, u'!', 2); }),
        edit(u"ab", u"ab", [](QString &s) { insertCharacter(s, u'!', 3); }),
        edit(u"ab", u"a", [](QString &s) { removeCharacterAtIndex(s, 1); }),
        edit(u"ab", u"ab", [](QString &s) { removeCharacterAtIndex(s, 2); }),
        edit(u"aabbab", u"ab", [](QString &s) { EXPECT_EQ(deleteString(s, u"ab"_s), 2); }),
        edit(u"1.5.", u"1252",
             [](QString &s) {
                 EXPECT_EQ(replaceStringWithFormatted(s, u"."_s, u"%1"_s.arg(2)), 2);
             }),
        // A failed format must not delete.
        edit(u"1.5", u"1.5", [](QString &s) { replaceStringWithFormatted(s, u"."_s, {}); }),
        edit(u"\u0130A\u00C4", u"i\u0307a\u00E4", lowercase),
        edit(u"stra\u00DFe", u"STRASSE", uppercase),
        edit(u"don't-stop 3d x2 \u00E9lan", u"Don't-Stop 3d X2 \u00C9lan", capitalize),
        edit(u"'quoted' \u01C6emal", u"'Quoted' \u01C5emal", capitalize),
        // A letter outside the BMP is titlecased as one code point.
        edit(u"\U00010428\U00010400", u"\U00010400\U00010428", capitalize),
        edit(u"a\uFFFCb", u"a\uFFFCb",
             [](QString &s) {
                 removeAttachments(s);
                 removeLinks(s);
                 removeAttribute(s, u"link");
             }),
    });
}
