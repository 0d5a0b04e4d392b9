#include "textlib/characters.h"
#include "textlib/charactersets.h"
#include "textlib/trimming.h"
#include "textlib/whitespace.h"

#include "texttesting.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

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
    });
}

TEST(WhiteSpace, DecodesAndEncodesTabs) {
    constexpr qsizetype Huge = std::numeric_limits<qsizetype>::max();
    const struct {
        bool encode;
        qsizetype width;
        std::u16string_view text, expected;
    } rows[] = {
        {false, 4, u"abc\r\n\tx\u2028a\t"sv, u"abc\r\n    x\u2028a   "sv},
        {false, 1, u"a\t\tb"sv, u"a  b"sv},
        {false, 0, u"a\tb"sv, u"a\tb"sv},
        {false, 4, {}, {}},
        // Too wide to expand into: the text stays, yet a TAB still reaches the next stop.
        {false, Huge, u"a\tb"sv, u"a\tb"sv},
        {true, Huge, u"a \t\t"sv, u"a\t\t"sv},
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

template<Feeds F> QString both(const QString &s) {
    return stringByTrimmingSpacesAndFeeds(s, F);
}
template<Feeds F> QString left(const QString &s) {
    return stringByTrimmingSpacesOfLeftSideAndFeeds(s, F);
}
template<Feeds F> QString right(const QString &s) {
    return stringByTrimmingSpacesOfRightSideAndFeeds(s, F);
}

TEST(Trimming, CopiesOrSharesReceiver) {
    const TextOp spaces{"spaces", nullptr, both<Feeds::Keep>},
        white{"white", nullptr, both<Feeds::Trim>};
    const TextOp leftWhite{"left white", nullptr, left<Feeds::Trim>};
    const TextOp rightSpaces{"right spaces", nullptr, right<Feeds::Keep>},
        rightWhite{"right white", nullptr, right<Feeds::Trim>};
    const TextOp whiteSpaces{"white spaces", trimWhiteSpaces, stringByTrimmingWhiteSpaces};
    const TextOp notAlpha{"not alpha", nullptr, [](const QString &s) {
                              return stringByTrimmingCharactersNotInRep(s, alphaCharacterSetRep());
                          }};
    const TextOp nullRep{"null rep", nullptr, [](const QString &s) {
                             return stringByTrimmingCharactersNotInRep(s, nullptr);
                         }};
    const TextOp dash{"dash", [](QString &s) { trimCharacter(s, u'-'); },
                      [](const QString &s) { return stringByTrimmingCharacter(s, u'-'); }};
    const TextOp prefix{"prefix dash", [](QString &s) { trimPrefixCharacter(s, u'-'); },
                        [](const QString &s) { return stringByTrimmingPrefixCharacter(s, u'-'); }};
    const TextOp suffix{"suffix dash", [](QString &s) { trimSuffixCharacter(s, u'-'); },
                        [](const QString &s) { return stringByTrimmingSuffixCharacter(s, u'-'); }};
    const TextOp enclosing{"enclosing quote", nullptr, [](const QString &s) {
                               return stringByTrimmingEnclosingCharacter(s, u'"');
                           }};
    const TextOp quotes{"quotes", nullptr, stringByTrimmingQuotes},
        ellipsis{"ellipsis", nullptr, stringByTrimmingEllipsis},
        digits{"digits", nullptr, stringByTrimmingDigits};

    expectTextOps({
        C{spaces, u"  a \n"sv, u"a \n"sv},
        C{white, u"  a \n"sv, u"a"sv},
        C{white, {}, {}},
        C{leftWhite, u"\n a "sv, u"a "sv},
        C{rightSpaces, u" a \t\n"sv, u" a \t\n"sv},
        C{rightWhite, u" a \r\n"sv, u" a"sv},
        C{whiteSpaces, u" \u00A0\u2028a b\uFEFF\n\0"sv, u"a b"sv},
        C{notAlpha, u"12ab34"sv, u"ab"sv},
        C{nullRep, u"ab"sv, u""sv},
        C{dash, u"--a-b--"sv, u"a-b"sv},
        C{dash, u"---"sv, u""sv},
        C{prefix, u"--a-"sv, u"a-"sv},
        C{suffix, u"-a--"sv, u"-a"sv},
        C{enclosing, u"\"\"\"x\"\"\""sv, u"x"sv},
        C{enclosing, u"\"\"x\""sv, u"\"x"sv},
        C{enclosing, u"\"x"sv, u"\"x"sv},
        // An odd run keeps its middle unit: no unit is taken as both ends of a pair.
        C{enclosing, u"\"\"\""sv, u"\""sv},
        C{quotes, u"'\"a\"'"sv, u"a"sv},
        C{quotes, u"'a\"b\""sv, u"a\"b"sv},
        C{ellipsis, u"a.\u2026."sv, u"a"sv},
        C{ellipsis, u"...a"sv, u"...a"sv},
        C{digits, u"\u0661a2b\u0669"sv, u"a2b"sv},
    });
}

TEST(Trimming, RangeForms) {
    constexpr Range None{NotFound, 0};
    const struct {
        std::u16string_view text;
        Range range;
        Feeds feeds;
        Range expected;
        std::u16string_view substring;
    } rows[] = {{u" \nab\n "sv, {0, 6}, Feeds::Keep, {1, 4}, u"\nab\n"sv},
                {u" \nab\n "sv, {0, 6}, Feeds::Trim, {2, 2}, u"ab"sv},
                {u"  ab  "sv, {1, 2}, Feeds::Keep, {2, 1}, u"a"sv},
                {u"  ab"sv, {0, 2}, Feeds::Trim, {2, 0}, u""sv},
                {u"ab"sv, {0, 2}, Feeds::Trim, {0, 2}, u"ab"sv},
                {u"ab"sv, {1, 2}, Feeds::Trim, None, {}},
                {u"ab"sv, {-1, 1}, Feeds::Keep, None, {}},
                {u"ab"sv, {1, NotFound}, Feeds::Keep, None, {}}};
    for (const auto &k : rows) {
        SCOPED_TRACE(quoted(k.text) + " at " + std::to_string(k.range.location) + "+"
                     + std::to_string(k.range.length));
        const QString s = makeText(k.text);
        const Range r = trimSpacesInRange(s, k.range, k.feeds);
        EXPECT_EQ(r, k.expected);
        if (k.feeds == Feeds::Trim) {
            EXPECT_EQ(trimWhiteSpacesInRange(s, k.range), r);
        }
        expectText(s, stringByTrimmingSpacesInRange(s, k.range, k.feeds), k.substring);
    }
}

TEST(Trimming, RemovingFormsCopy) {
    const struct {
        QString (*op)(const QString &);
        std::u16string_view text, expected;
    } rows[] = {
        {lowercaseStringByRemovingDigits, u"A1B2\u00C9\u0661\u0130"sv, u"ab\u00E9\u0130"sv},
        {uppercaseStringByRemovingDigits, u"a1b2\u00DF"sv, u"AB\u00DF"sv},
        {uppercaseStringByRemovingDigits, u"AB"sv, u"AB"sv},
        {stringByRemovingNonIPCharacters, u"ip: 192.168.0.1/24 \u2024"sv, u"192.168.0.124"sv},
        {stringByRemovingNonIPCharacters, u"\0a"sv, u""sv}};
    for (const auto &k : rows) {
        SCOPED_TRACE(quoted(k.text));
        const QString s = makeText(k.text);
        const QString result = k.op(s);
        expectText(result, k.expected);
        EXPECT_NE(result.constData(), s.constData());
    }
    for (auto op : {lowercaseStringByRemovingDigits, uppercaseStringByRemovingDigits,
                    stringByRemovingNonIPCharacters}) {
        expectText(op(QString()), {});
        const QString empty = makeText(u""sv);
        EXPECT_EQ(op(empty).constData(), empty.constData());
    }
}

} // namespace
