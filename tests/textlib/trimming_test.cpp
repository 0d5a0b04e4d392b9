#include "textlib/trimming.h"

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
QString notAlphaOf(const QString &s) {
    return stringByTrimmingCharactersNotInRep(s, alphaCharacterSetRep());
}
QString notInNullRep(const QString &s) {
    return stringByTrimmingCharactersNotInRep(s, nullptr);
}

const TextOp spaces{"spaces", nullptr, both<Feeds::Keep>},
    white{"white", nullptr, both<Feeds::Trim>};
const TextOp leftSpaces{"left spaces", nullptr, left<Feeds::Keep>},
    leftWhite{"left white", nullptr, left<Feeds::Trim>};
const TextOp rightSpaces{"right spaces", nullptr, right<Feeds::Keep>},
    rightWhite{"right white", nullptr, right<Feeds::Trim>};
const TextOp whiteSpaces{"trimWhiteSpaces", nullptr, stringByTrimmingWhiteSpaces};
const TextOp notAlpha{"not alpha", nullptr, notAlphaOf}, nullRep{"null rep", nullptr, notInNullRep};
const TextOp dash{"dash", nullptr,
                  [](const QString &s) { return stringByTrimmingCharacter(s, u'-'); }};
const TextOp prefix{"prefix dash", nullptr,
                    [](const QString &s) { return stringByTrimmingPrefixCharacter(s, u'-'); }};
const TextOp suffix{"suffix dash", nullptr,
                    [](const QString &s) { return stringByTrimmingSuffixCharacter(s, u'-'); }};
const TextOp enclosing{"enclosing quote", nullptr, [](const QString &s) {
                           return stringByTrimmingEnclosingCharacter(s, u'"');
                       }};
const TextOp quotes{"quotes", nullptr, stringByTrimmingQuotes},
    ellipsis{"ellipsis", nullptr, stringByTrimmingEllipsis},
    digits{"digits", nullptr, stringByTrimmingDigits};

using C = TextOpCase;
class TrimTest : public testing::TestWithParam<C> {};
TEST_P(TrimTest, CopiesOrSharesReceiver) {
    expectTextOp(GetParam());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TrimTest,
    testing::Values(C{spaces, u"  a \n"sv, u"a \n"sv}, C{white, u"  a \n"sv, u"a"sv},
                    C{spaces, u"\t\0a\u3000"sv, u"a"sv}, C{spaces, u"   "sv, u""sv},
                    C{white, u"a b"sv, u"a b"sv}, C{white, u""sv, u""sv}, C{white, {}, {}},
                    C{leftWhite, u"\n a "sv, u"a "sv}, C{leftSpaces, u"\n a "sv, u"\n a "sv},
                    C{leftSpaces, u" \t"sv, u""sv}, C{rightSpaces, u" a \t"sv, u" a"sv},
                    C{rightSpaces, u" a \n"sv, u" a \n"sv}, C{rightWhite, u" a \r\n"sv, u" a"sv},
                    C{rightWhite, u"\n"sv, u""sv}, C{whiteSpaces, u" \u2028a\uFEFF"sv, u"a"sv},
                    C{whiteSpaces, u"\n\n"sv, u""sv}, C{whiteSpaces, u"a"sv, u"a"sv},
                    C{notAlpha, u"12ab34"sv, u"ab"sv}, C{notAlpha, u"1-2"sv, u""sv},
                    C{nullRep, u"ab"sv, u""sv}, C{dash, u"--a-b--"sv, u"a-b"sv},
                    C{dash, u"---"sv, u""sv}, C{dash, u"a-"sv, u"a"sv},
                    C{prefix, u"--a-"sv, u"a-"sv}, C{prefix, u"---"sv, u""sv},
                    C{prefix, u"a-"sv, u"a-"sv}, C{suffix, u"-a--"sv, u"-a"sv},
                    C{suffix, u"--"sv, u""sv}, C{enclosing, u"\"\"\"x\"\"\""sv, u"x"sv},
                    C{enclosing, u"\"\"x\""sv, u"\"x"sv}, C{enclosing, u"\"x"sv, u"\"x"sv},
                    C{enclosing, u"\"\""sv, u""sv},
                    // An odd run keeps its middle unit: no unit is taken as both ends of a pair.
                    C{enclosing, u"\"\"\""sv, u"\""sv}, C{enclosing, u"\""sv, u"\""sv},
                    C{quotes, u"'\"a\"'"sv, u"a"sv}, C{quotes, u"'a\"b\""sv, u"a\"b"sv},
                    C{quotes, u"'\"'"sv, u""sv}, C{quotes, u"a"sv, u"a"sv},
                    C{ellipsis, u"Wait..."sv, u"Wait"sv}, C{ellipsis, u"Wait\u2026"sv, u"Wait"sv},
                    C{ellipsis, u"a.\u2026."sv, u"a"sv}, C{ellipsis, u"..."sv, u""sv},
                    C{ellipsis, u"...a"sv, u"...a"sv}, C{digits, u"12ab34"sv, u"ab"sv},
                    C{digits, u"2024"sv, u""sv}, C{digits, u"\u0661a\u0669"sv, u"a"sv}));

TEST(Trimming, RangeForms) {
    constexpr Range None{NotFound, 0};
    const struct {
        std::u16string_view text;
        Range range;
        Feeds feeds;
        Range expected;
        std::u16string_view substring;
    } rows[] = {
        {u"  ab  "sv, {0, 6}, Feeds::Keep, {2, 2}, u"ab"sv},
        {u" \nab\n "sv, {0, 6}, Feeds::Keep, {1, 4}, u"\nab\n"sv},
        {u" \nab\n "sv, {0, 6}, Feeds::Trim, {2, 2}, u"ab"sv},
        {u"  ab  "sv, {1, 2}, Feeds::Keep, {2, 1}, u"a"sv},
        {u"  ab"sv, {0, 2}, Feeds::Trim, {2, 0}, u""sv},
        {u"  ab"sv, {3, 0}, Feeds::Trim, {3, 0}, u""sv},
        {u"ab"sv, {0, 2}, Feeds::Trim, {0, 2}, u"ab"sv},
        {u""sv, {0, 0}, Feeds::Trim, {0, 0}, u""sv},
        {u"ab"sv, {1, 2}, Feeds::Trim, None, {}},
        {u"ab"sv, {-1, 1}, Feeds::Keep, None, {}},
        {u"ab"sv, {1, NotFound}, Feeds::Keep, None, {}},
        {u"ab"sv, None, Feeds::Keep, None, {}},
    };
    for (const auto &k : rows) {
        SCOPED_TRACE(quoted(k.text) + " at " + std::to_string(k.range.location) + "+"
                     + std::to_string(k.range.length));
        const QString s = makeText(k.text);
        const Range r = trimSpacesInRange(s, k.range, k.feeds);
        EXPECT_EQ(r.location, k.expected.location);
        EXPECT_EQ(r.length, k.expected.length);
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
        {stringByRemovingNonIPCharacters, u"ip: 192.168.0.1/24"sv, u"192.168.0.124"sv},
        {stringByRemovingNonIPCharacters, u"\0a\u2024"sv, u""sv},
        {stringByRemovingNonIPCharacters, u"1.2"sv, u"1.2"sv},
    };
    for (const auto &k : rows) {
        SCOPED_TRACE(quoted(k.text));
        const QString s = makeText(k.text);
        const QString result = k.op(s);
        EXPECT_EQ(result, makeText(k.expected));
        EXPECT_FALSE(result.isNull());
        EXPECT_NE(result.constData(), s.constData());
    }
    for (auto op : {lowercaseStringByRemovingDigits, uppercaseStringByRemovingDigits,
                    stringByRemovingNonIPCharacters}) {
        expectText(QString(), op(QString()), {});
        const QString empty = makeText(u""sv);
        EXPECT_EQ(op(empty).constData(), empty.constData());
    }
}

} // namespace
