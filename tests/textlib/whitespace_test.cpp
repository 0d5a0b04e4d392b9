#include "textlib/characters.h"
#include "textlib/charactersets.h"
#include "textlib/whitespace.h"

#include "texttesting.h"

#include <limits>

TEST(WhiteSpace, RemovesUnits) {
    using C = TextOpCase;
    const TextOp white{"white", removeWhiteSpaces, stringByRemovingWhiteSpaces};
    const TextOp group{
        "group", [](QString &s) { removeCharactersOfString(s, u"x.\u20AC"); },
        [](const QString &s) { return stringByRemovingCharactersOfString(s, u"x.\u20AC"); }};
    expectTextOps({
        C{white, u"a\0\x03\x0B\x0C\r\x85\u00A0\u2028\u2029\uFEFF\uFFFC\u3000\u1680b"sv, u"ab"},
        // Format characters and surrogate halves are not white.
        C{white, u"a\u200B \U0001F600", u"a\u200B\U0001F600"},
        C{white, {}, {}},
        C{{"spaces", removeSpaces, stringByRemovingSpaces}, u"a \t\0\u3000b\n\u00A0"sv, u"ab\n"},
        C{{"tabs", removeTabs, stringByRemovingTabs}, u"\ta\t \t", u"a "},
        C{{"feeds", removeFeeds, stringByRemovingFeeds},
          u"a\r\nb\u2028c\x0B\x85\x03\uFFFC",
          u"abc\x0B\x85"},
        C{{"digits", removeDigits, stringByRemovingDigits}, u"a1\u0663b9", u"ab"},
        C{{"dots", [](QString &s) { removeCharacters(s, u'.'); },
           [](const QString &s) { return stringByRemovingCharacters(s, u'.'); }},
          u"..1.5.",
          u"15"},
        C{group, u"x.a\u20ACbx", u"ab"},
        C{{"null group", [](QString &s) { removeCharactersOfString(s, {}); },
           [](const QString &s) { return stringByRemovingCharactersOfString(s, {}); }},
          u"a.b",
          u"a.b"},
        C{{"alpha rep", nullptr,
           [](const QString &s) {
               return stringByRemovingCharactersInRep(s, alphaCharacterSetRep());
           }},
          u"a1\u00E9 2",
          u"1 2"},
        C{{"null rep", nullptr,
           [](const QString &s) { return stringByRemovingCharactersInRep(s, nullptr); }},
          u"a1",
          u"a1"},
    });
}

TEST(WhiteSpace, CollapsesRunsAndTrimsFeeds) {
    using C = TextOpCase;
    const TextOp feeds{"feed runs", removeMultipleFeeds, stringByRemovingMultipleFeeds};
    const TextOp trimFeed{"trim feeds", trimFeeds, stringByTrimmingFeeds};
    expectTextOps({
        C{{"white runs", [](QString &s) { removeMultipleWhiteSpaces(s); },
           [](const QString &s) { return stringByRemovingMultipleWhiteSpaces(s); }},
          u"  a\t\tb \u00A0\u2028\uFEFF\n",
          u" a b "},
        C{{"space runs", removeMultipleSpaces, stringByRemovingMultipleSpaces},
          u"a \t\n\t b",
          u"a \n b"},
        C{{"space runs by _",
           [](QString &s) { removeMultipleWhiteSpaces(s, RunClass::Spaces, u'_'); }, nullptr},
          u"a b",
          u"a_b"},
        C{feeds, u"a\r\n\r\nb\n", u"a\nb\n"},
        C{{"feed runs by space", nullptr,
           [](const QString &s) {
               return stringByRemovingMultipleWhiteSpaces(s, RunClass::Feeds);
           }},
          u"a\nb \r",
          u"a b  "},
        C{feeds, {}, {}},
        C{trimFeed, u"\na\n\n", u"\na"},
        C{trimFeed, u"a \r\n\u2029", u"a "},
    });
}

TEST(WhiteSpace, DecodesAndEncodesTabs) {
    constexpr qsizetype Huge = std::numeric_limits<qsizetype>::max();
    const struct {
        bool encode;
        qsizetype width;
        std::u16string_view text, expected;
    } rows[] = {
        {false, 4, u"abc\r\n\tx\u2028a\t", u"abc\r\n    x\u2028a   "},
        {false, 1, u"a\t\tb", u"a  b"},
        {false, 0, u"a\tb", u"a\tb"},
        {false, 4, {}, {}},
        // Too wide to expand into: the text stays, yet a TAB still reaches the next stop.
        {false, Huge, u"a\tb", u"a\tb"},
        {true, Huge, u"a \t\t", u"a\t\t"},
        {true, 4, u"     x  ", u"\t x\t"},
        {true, 4, u"ab \t cd", u"ab\t cd"},
        {true, 2, u"ab\n  c\r\0 "sv, u"ab\n\tc\r\t"},
        {true, 8, u"1234567 \u3000       x", u"1234567\t\tx"},
        {true, 0, u"    ", u"    "},
    };
    for (const auto &k : rows) {
        SCOPED_TRACE(quoted(k.text) + (k.encode ? " encoded by " : " decoded by ")
                     + std::to_string(k.width));
        const QString original = makeText(k.text);
        QString s = original;
        k.encode ? encodeTabs(s, k.width) : decodeTabs(s, k.width);
        expectText(original, s, k.expected);
    }
}
