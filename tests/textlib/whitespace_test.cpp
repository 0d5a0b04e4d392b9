#include "textlib/characters.h"
#include "textlib/charactersets.h"
#include "textlib/whitespace.h"

#include "texttesting.h"

#include <limits>

TEST(WhiteSpace, RemovesAndCollapsesUnits) {
    using C = TextOpCase;
    const TextOp white{"white", removeWhiteSpaces, stringByRemovingWhiteSpaces};
    expectTextOps({
        // Format characters and surrogate halves are not white.
        C{white, u"a\0\x03\x0B\x85\u00A0\u2028\uFEFF\uFFFC\u3000\u200B \U0001F600"sv,
          u"a\u200B\U0001F600"},
        C{{"feeds", removeFeeds, stringByRemovingFeeds},
          u"a\r\nb\u2028c\x0B\x85\x03\uFFFC",
          u"abc\x0B\x85"},
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
        C{{"trim feeds", trimFeeds, stringByTrimmingFeeds}, u"\na\n\n", u"\na"},
    });
    QString group = u"x.a\u20ACbx"_s;
    removeCharactersOfString(group, u"x.\u20AC");
    EXPECT_EQ(group, u"ab"_s);
    EXPECT_EQ(stringByRemovingCharactersInRep(u"a1\u00E9 2"_s, alphaCharacterSetRep()), u"1 2"_s);
}

TEST(WhiteSpace, DecodesAndEncodesTabs) {
    constexpr qsizetype Huge = std::numeric_limits<qsizetype>::max();
    for (auto [encode, width, text, expected] :
         {std::tuple{false, qsizetype(4), u"abc\r\n\tx\u2028a\t"sv, u"abc\r\n    x\u2028a   "sv},
          {false, 0, u"a\tb"sv, u"a\tb"sv},
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
