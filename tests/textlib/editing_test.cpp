#include "textlib/characters.h"
#include "textlib/editing.h"

#include "texttesting.h"

// An edit that changes nothing must leave a shared copy alone instead of detaching or copying;
// the copying forms give the same text, and a null replacement changes nothing there.
TEST(Editing, ReplacesInPlaceAndCounts) {
    constexpr auto CS = Qt::CaseSensitive, CI = Qt::CaseInsensitive;
    // Rows with one-unit target and replacement go through the unit forms as well.
    for (auto [text, target, replacement, cs, expected, count] :
         {std::tuple{u"BANana"sv, u"a"sv, u"x"sv, CI, u"BxNxnx"sv, qsizetype(3)},
          {u"a.b.c"sv, u"."sv, Null, CS, u"abc"sv, 2},
          // A written replacement must not take part in the next match.
          {u"aaa"sv, u"aa"sv, u"xaa"sv, CS, u"xaaa"sv, 1},
          {u"StraSSe"sv, u"\u00DF"sv, u"ss"sv, CI, u"StraSSe"sv, 0},
          {Null, u""sv, u"x"sv, CS, Null, 0}}) {
        SCOPED_TRACE(quoted(text) + ": " + quoted(target) + " -> " + quoted(replacement));
        const QString original = makeText(text);
        QString s = original;
        EXPECT_EQ(replaceString(s, makeText(target), makeText(replacement), cs), count);
        expectText(original, s, expected);
        const auto copied = replacement.data() ? expected : text;
        expectText(original,
                   stringByReplacingString(original, makeText(target), makeText(replacement), cs),
                   copied);
        if (target.size() != 1 || replacement.size() != 1)
            continue;
        s = original;
        EXPECT_EQ(replaceCharacter(s, target[0], replacement[0], cs), count);
        expectText(original, s, expected);
        expectText(original, stringByReplacingCharacter(original, target[0], replacement[0], cs),
                   expected);
    }
}

TextOpCase edit(std::u16string_view text, std::u16string_view expected, void (*f)(QString &)) {
    return {{"edit", f, nullptr}, text, expected};
}

TEST(Editing, SmallEditsInPlace) {
    expectTextOps({
        edit(u"x", u"x23", [](QString &s) { appendSubstring(s, u"0123", Range(2, 1LL << 62)); }),
        edit(u"ab", u"ab!",
             [](QString &s) { insertCharacter(s, u'!', 2), insertCharacter(s, u'?', 4); }),
        edit(u"don't-stop 3d x2 \u00E9lan '\u01C6", u"Don't-Stop 3d X2 \u00C9lan '\u01C5",
             capitalize),
        // A letter outside the BMP is titlecased as one code point.
        edit(u"\U00010428\U00010400", u"\U00010400\U00010428", capitalize),
    });
}
