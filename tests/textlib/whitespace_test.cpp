#include "textlib/whitespace.h"

#include "textlib/characters.h"
#include "textlib/charactersets.h"

#include "texttesting.h"

#include <gtest/gtest.h>

#include <limits>

using namespace std::literals;
using namespace textlib;

namespace {

using C = TextOpCase;

TEST(WhiteSpace, RemovesUnits) {
    const TextOp white{"white", removeWhiteSpaces, stringByRemovingWhiteSpaces};
    const TextOp spaces{"spaces", removeSpaces, stringByRemovingSpaces};
    const TextOp tabs{"tabs", removeTabs, stringByRemovingTabs};
    const TextOp feeds{"feeds", removeFeeds, stringByRemovingFeeds};
    const TextOp digits{"digits", removeDigits, stringByRemovingDigits};
    const TextOp dots{"dots", [](QString &s) { removeCharacters(s, u'.'); },
                      [](const QString &s) { return stringByRemovingCharacters(s, u'.'); }};
    const TextOp group{
        "group", [](QString &s) { removeCharactersOfString(s, u"x.\u20AC"); },
        [](const QString &s) { return stringByRemovingCharactersOfString(s, u"x.\u20AC"); }};
    const TextOp noGroup{
        "null group", [](QString &s) { removeCharactersOfString(s, {}); },
        [](const QString &s) { return stringByRemovingCharactersOfString(s, {}); }};
    const TextOp alpha{"alpha rep", nullptr, [](const QString &s) {
                           return stringByRemovingCharactersInRep(s, alphaCharacterSetRep());
                       }};
    const TextOp noRep{"null rep", nullptr, [](const QString &s) {
                           return stringByRemovingCharactersInRep(s, nullptr);
                       }};
    expectTextOps({
        C{white, u" 1 + 2\t*3\n"sv, u"1+2*3"sv},
        C{white, u"a\0\x03\x0B\x0C\r\x85\u00A0\u2028\u2029\uFEFF\uFFFC\u3000\u1680b"sv, u"ab"sv},
        // Format characters and surrogate halves are not white.
        C{white, u"a\u200B \U0001F600"sv, u"a\u200B\U0001F600"sv},
        C{white, {}, {}},
        C{spaces, u"a \t\0\u3000b\n\u00A0"sv, u"ab\n"sv},
        C{tabs, u"\ta\t \t"sv, u"a "sv},
        C{feeds, u"a\r\nb\u2028c\x0B\x85\x03\uFFFC"sv, u"abc\x0B\x85"sv},
        C{digits, u"a1\u0663b9"sv, u"ab"sv},
        C{dots, u"..1.5."sv, u"15"sv},
        C{group, u"x.a\u20ACbx"sv, u"ab"sv},
        C{noGroup, u"a.b"sv, u"a.b"sv},
        C{alpha, u"a1\u00E9 2"sv, u"1 2"sv},
        C{noRep, u"a1"sv, u"a1"sv},
    });
}

TEST(WhiteSpace, CollapsesRunsAndTrimsFeeds) {
    const TextOp white{"white runs", [](QString &s) { removeMultipleWhiteSpaces(s); },
                       [](const QString &s) { return stringByRemovingMultipleWhiteSpaces(s); }};
    const TextOp spaces{"space runs", removeMultipleSpaces, stringByRemovingMultipleSpaces};
    const TextOp feeds{"feed runs", removeMultipleFeeds, stringByRemovingMultipleFeeds};
    const TextOp spacesByUnderscore{
        "space runs by _", [](QString &s) { removeMultipleWhiteSpaces(s, RunClass::Spaces, u'_'); },
        nullptr};
    const TextOp feedsBySpace{"feed runs by space", nullptr, [](const QString &s) {
                                  return stringByRemovingMultipleWhiteSpaces(s, RunClass::Feeds);
                              }};
    const TextOp trimFeed{"trim feeds", trimFeeds, stringByTrimmingFeeds};
    expectTextOps({
        C{white, u"  a\t\tb \u00A0\u2028\uFEFF\n"sv, u" a b "sv},
        C{spaces, u"a \t\n\t b"sv, u"a \n b"sv},
        C{spacesByUnderscore, u"a b"sv, u"a_b"sv},
        C{feeds, u"a\r\n\r\nb\n"sv, u"a\nb\n"sv},
        C{feedsBySpace, u"a\nb \r"sv, u"a b  "sv},
        C{feeds, {}, {}},
        C{trimFeed, u"\na\n\n"sv, u"\na"sv},
        C{trimFeed, u"a \r\n\u2029"sv, u"a "sv},
        C{trimFeed, u"a\x0B"sv, u"a\x0B"sv},
    });
}

TEST(WhiteSpace, DecodesAndEncodesTabs) {
    constexpr qsizetype Huge = std::numeric_limits<qsizetype>::max();
    const struct {
        bool encode;
        qsizetype width;
        std::u16string_view text, expected;
    } rows[] = {
        {false, 4, u"ab\tc"sv, u"ab  c"sv},
        {false, 4, u"abc\r\n\tx\u2028a\t"sv, u"abc\r\n    x\u2028a   "sv},
        {false, 1, u"a\t\tb"sv, u"a  b"sv},
        {false, 0, u"a\tb"sv, u"a\tb"sv},
        {false, 4, {}, {}},
        // Too wide to expand into: the text stays, yet a TAB still reaches the next stop.
        {false, Huge, u"a\tb"sv, u"a\tb"sv},
        {true, Huge, u"a \t\t"sv, u"a\t\t"sv},
        {true, 4, u"ab  cd"sv, u"ab\tcd"sv},
        {true, 4, u"     x  "sv, u"\t x\t"sv},
        {true, 4, u"ab \t cd"sv, u"ab\t cd"sv},
        {true, 2, u"ab\n  c\r\0 "sv, u"ab\n\tc\r\t"sv},
        {true, 8, u"1234567 \u3000       x"sv, u"1234567\t\tx"sv},
        {true, 0, u"    "sv, u"    "sv},
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

} // namespace
