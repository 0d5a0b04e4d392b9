#include "textlib/characters.h"
#include "textlib/charactersets.h"
#include "textlib/whitespace.h"

#include "texttesting.h"

#include <limits>

TEST(WhiteSpace, RemovesAndCollapsesUnits) {
    using C = TextOpCase;
    const TextOp white{"white", removeWhiteSpaces, stringByRemovingWhiteSpaces};
    const TextOp trimFeed{"trim feeds", trimFeeds, stringByTrimmingFeeds};
    expectTextOps({
        C{white, u"a\0\x03\x0B\x0C\r\x85\u00A0\u2028\u2029\uFEFF\uFFFC\u3000\u1680b"sv, u"ab"},
        // Format characters and surrogate halves are not white.
        C{white, u"a\u200B \U0001F600", u"a\u200B\U0001F600"},
        C{{"feeds", removeFeeds, stringByRemovingFeeds},
          u"a\r\nb\u2028c\x0B\x85\x03\uFFFC",
          u"abc\x0B\x85"},
        C{{"group", [](QString &s) { removeCharactersOfString(s, u"x.\u20AC"); }, nullptr},
          u"x.a\u20ACbx",
          u"ab"},
        C{{"white runs", [](QString &s) { removeMultipleWhiteSpaces(s); },
           [](const QString &s) { return stringByRemovingMultipleWhiteSpaces(s); }},
          u"  a\t\tb \u00A0\u2028\uFEFF\n",
          u" a b "},
        C{{"space runs by _",
           [](QString &s) { removeMultipleWhiteSpaces(s, RunClass::Spaces, u'_'); }, nullptr},
          u"a b",
          u"a_b"},
        C{{"feed runs", removeMultipleFeeds, stringByRemovingMultipleFeeds},
          u"a\r\n\r\nb\n",
          u"a\nb\n"},
        C{trimFeed, u"\na\n\n", u"\na"},
    });
    QString dots = u"..1.5."_s;
    removeCharacters(dots, u'.');
    EXPECT_EQ(dots, u"15"_s);
    EXPECT_EQ(stringByRemovingCharacters(u"a.b"_s, u'.'), u"ab"_s);
    EXPECT_EQ(stringByRemovingCharactersOfString(u"x.a\u20ACbx"_s, u"x.\u20AC"), u"ab"_s);
    EXPECT_EQ(stringByRemovingCharactersInRep(u"a1\u00E9 2"_s, alphaCharacterSetRep()), u"1 2"_s);
    const QString a1 = u"a1"_s;
    expectText(a1, stringByRemovingCharactersInRep(a1, nullptr), u"a1");
}

TEST(WhiteSpace, DecodesAndEncodesTabs) {
    constexpr qsizetype Huge = std::numeric_limits<qsizetype>::max();
    for (auto [encode, width, text, expected] :
         {std::tuple{false, qsizetype(4), u"abc\r\n\tx\u2028a\t"sv, u"abc\r\n    x\u2028a   "sv},
          {false, 0, u"a\tb"sv, u"a\tb"sv},
          {false, 4, Null, Null},
          // Too wide to expand into: the text stays, yet a TAB still reaches the next stop.
          {false, Huge, u"a\tb"sv, u"a\tb"sv},
          {true, Huge, u"a \t\t"sv, u"a\t\t"sv},
          {true, 2, u"ab\n  c\r\0 "sv, u"ab\n\tc\r\t"sv},
          {true, 8, u"1234567 \u3000       x"sv, u"1234567\t\tx"sv}}) {
        SCOPED_TRACE(quoted(text) + (encode ? " encoded by " : " decoded by ")
                     + std::to_string(width));
        const QString original = makeText(text);
        QString s = original;
        encode ? encodeTabs(s, width) : decodeTabs(s, width);
        expectText(original, s, expected);
    }
}
