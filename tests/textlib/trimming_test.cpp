#include "textlib/characters.h"
#include "textlib/charactersets.h"
#include "textlib/trimming.h"
#include "textlib/whitespace.h"

#include "texttesting.h"

namespace {

template<Feeds F> QString both(const QString &s) {
    return stringByTrimmingSpacesAndFeeds(s, F);
}

} // namespace

TEST(Trimming, CopiesOrSharesReceiver) {
    using C = TextOpCase;
    const TextOp dash{"dash", [](QString &s) { trimCharacter(s, u'-'); },
                      [](const QString &s) { return stringByTrimmingCharacter(s, u'-'); }};
    const TextOp enclosing{"enclosing quote", nullptr, [](const QString &s) {
                               return stringByTrimmingEnclosingCharacter(s, u'"');
                           }};
    expectTextOps({
        C{{"spaces", nullptr, both<Feeds::Keep>}, u"  a \n", u"a \n"},
        C{{"white", nullptr, both<Feeds::Trim>}, u"  a \n", u"a"},
        C{{"white", nullptr, both<Feeds::Trim>}, {}, {}},
        C{{"left white", nullptr,
           [](const QString &s) {
               return stringByTrimmingSpacesOfLeftSideAndFeeds(s, Feeds::Trim);
           }},
          u"\n a ",
          u"a "},
        C{{"right spaces", nullptr,
           [](const QString &s) {
               return stringByTrimmingSpacesOfRightSideAndFeeds(s, Feeds::Keep);
           }},
          u" a \t\n",
          u" a \t\n"},
        C{{"right white", nullptr,
           [](const QString &s) {
               return stringByTrimmingSpacesOfRightSideAndFeeds(s, Feeds::Trim);
           }},
          u" a \r\n",
          u" a"},
        C{{"white spaces", trimWhiteSpaces, stringByTrimmingWhiteSpaces},
          u" \u00A0\u2028a b\uFEFF\n\0"sv,
          u"a b"},
        C{{"not alpha", nullptr,
           [](const QString &s) {
               return stringByTrimmingCharactersNotInRep(s, alphaCharacterSetRep());
           }},
          u"12ab34",
          u"ab"},
        C{{"null rep", nullptr,
           [](const QString &s) { return stringByTrimmingCharactersNotInRep(s, nullptr); }},
          u"ab",
          u""},
        C{dash, u"--a-b--", u"a-b"},
        C{dash, u"---", u""},
        C{{"prefix dash", [](QString &s) { trimPrefixCharacter(s, u'-'); },
           [](const QString &s) { return stringByTrimmingPrefixCharacter(s, u'-'); }},
          u"--a-",
          u"a-"},
        C{{"suffix dash", [](QString &s) { trimSuffixCharacter(s, u'-'); },
           [](const QString &s) { return stringByTrimmingSuffixCharacter(s, u'-'); }},
          u"-a--",
          u"-a"},
        C{enclosing, u"\"\"\"x\"\"\"", u"x"},
        C{enclosing, u"\"\"x\"", u"\"x"},
        // An odd run keeps its middle unit: no unit is taken as both ends of a pair.
        C{enclosing, u"\"\"\"", u"\""},
        C{{"quotes", nullptr, stringByTrimmingQuotes}, u"'a\"b\"", u"a\"b"},
        C{{"ellipsis", nullptr, stringByTrimmingEllipsis}, u"a.\u2026.", u"a"},
        C{{"ellipsis", nullptr, stringByTrimmingEllipsis}, u"...a", u"...a"},
        C{{"digits", nullptr, stringByTrimmingDigits}, u"\u0661a2b\u0669", u"a2b"},
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
    } rows[] = {{u" \nab\n ", {0, 6}, Feeds::Keep, {1, 4}, u"\nab\n"},
                {u" \nab\n ", {0, 6}, Feeds::Trim, {2, 2}, u"ab"},
                {u"  ab  ", {1, 2}, Feeds::Keep, {2, 1}, u"a"},
                {u"  ab", {0, 2}, Feeds::Trim, {2, 0}, u""},
                {u"ab", {0, 2}, Feeds::Trim, {0, 2}, u"ab"},
                {u"ab", {1, 2}, Feeds::Trim, None, {}},
                {u"ab", {-1, 1}, Feeds::Keep, None, {}},
                {u"ab", {1, NotFound}, Feeds::Keep, None, {}}};
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
    for (auto [op, text, expected] :
         {std::tuple{&lowercaseStringByRemovingDigits, u"A1B2\u00C9\u0661\u0130"sv,
                     u"ab\u00E9\u0130"sv},
          {uppercaseStringByRemovingDigits, u"AB"sv, u"AB"sv},
          {stringByRemovingNonIPCharacters, u"ip: 192.168.0.1/24 \u2024"sv, u"192.168.0.124"sv},
          {stringByRemovingNonIPCharacters, u"\0a"sv, u""sv}}) {
        const QString s = makeText(text);
        const QString result = op(s);
        expectText(result, expected);
        EXPECT_NE(result.constData(), s.constData()) << quoted(text);
    }
    for (auto op : {lowercaseStringByRemovingDigits, uppercaseStringByRemovingDigits,
                    stringByRemovingNonIPCharacters}) {
        expectText(op(QString()), {});
        const QString empty = makeText(u""sv);
        EXPECT_EQ(op(empty).constData(), empty.constData());
    }
}
