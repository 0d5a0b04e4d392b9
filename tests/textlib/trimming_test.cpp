// The copying trimmers (trimming.h) beside the in-place ones (whitespace.h) that do the same.
#include "textlib/trimming.h"
#include "textlib/whitespace.h"

#include "texttesting.h"

#include <gtest/gtest.h>

#include <string>

using namespace std::literals;
using namespace textlib;

namespace {

template<Feeds F> QString both(const QString &s) {
    return stringByTrimmingSpacesAndFeeds(s, F);
}
template<Feeds F> QString left(const QString &s) {
    return stringByTrimmingSpacesOfLeftSideAndFeeds(s, F);
}
template<Feeds F> QString right(const QString &s) {
    return stringByTrimmingSpacesOfRightSideAndFeeds(s, F);
}
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

using C = TextOpCase;
TEST(Trimming, CopiesOrSharesReceiver) {
    expectTextOps({
        C{spaces, u"  a \n"sv, u"a \n"sv},
        C{white, u"  a \n"sv, u"a"sv},
        C{spaces, u"\t\0a\u3000"sv, u"a"sv},
        C{white, {}, {}},
        C{leftWhite, u"\n a "sv, u"a "sv},
        C{rightSpaces, u" a \t\n"sv, u" a \t\n"sv},
        C{rightWhite, u" a \r\n"sv, u" a"sv},
        C{whiteSpaces, u" \u00A0\u2028a b\uFEFF\n\0"sv, u"a b"sv},
        C{whiteSpaces, u"a\u200B"sv, u"a\u200B"sv},
        C{whiteSpaces, u"\n\n"sv, u""sv},
        C{notAlpha, u"12ab34"sv, u"ab"sv},
        C{nullRep, u"ab"sv, u""sv},
        C{dash, u"--a-b--"sv, u"a-b"sv},
        C{dash, u"---"sv, u""sv},
        C{prefix, u"--a-"sv, u"a-"sv},
        C{prefix, u"a-"sv, u"a-"sv},
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
