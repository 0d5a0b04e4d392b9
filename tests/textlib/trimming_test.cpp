#include "textlib/characters.h"
#include "textlib/charactersets.h"
#include "textlib/trimming.h"
#include "textlib/whitespace.h"

#include "texttesting.h"

namespace {

QString spaces(const QString &s) {
    return stringByTrimmingSpacesAndFeeds(s, Feeds::Keep);
}
QString notAlpha(const QString &s) {
    return stringByTrimmingCharactersNotInRep(s, alphaCharacterSetRep());
}
QString nullRep(const QString &s) {
    return stringByTrimmingCharactersNotInRep(s, nullptr);
}
QString enclosing(const QString &s) {
    return stringByTrimmingEnclosingCharacter(s, u'"');
}

} // namespace

TEST(Trimming, CopiesOrSharesReceiver) {
    using C = TextOpCase;
    const TextOp dash{"dash", [](QString &s) { trimCharacter(s, u'-'); },
                      [](const QString &s) { return stringByTrimmingCharacter(s, u'-'); }};
    expectTextOps({
        C{{"spaces", nullptr, spaces}, u"  a \n", u"a \n"},
        C{{"white spaces", trimWhiteSpaces, stringByTrimmingWhiteSpaces},
          u" \u00A0\u2028a b\uFEFF\n\0"sv,
          u"a b"},
        C{{"not alpha", nullptr, notAlpha}, u"12ab34", u"ab"},
        C{{"null rep", nullptr, nullRep}, u"ab", u""},
        C{dash, u"--a-b--", u"a-b"},
        C{{"prefix dash", [](QString &s) { trimPrefixCharacter(s, u'-'); },
           [](const QString &s) { return stringByTrimmingPrefixCharacter(s, u'-'); }},
          u"--a-",
          u"a-"},
        C{{"suffix dash", [](QString &s) { trimSuffixCharacter(s, u'-'); },
           [](const QString &s) { return stringByTrimmingSuffixCharacter(s, u'-'); }},
          u"-a--",
          u"-a"},
        // An odd run keeps its middle unit: no unit is taken as both ends of a pair.
        C{{"enclosing quote", nullptr, enclosing}, u"\"\"\"", u"\""},
        C{{"quotes", nullptr, stringByTrimmingQuotes}, u"'a\"b\"", u"a\"b"},
    });
}

TEST(Trimming, RangeForms) {
    constexpr Range None{NotFound, 0};
    for (auto [text, range, feeds, expected, substring] :
         {std::tuple{u" \nab\n "sv, Range{0, 6}, Feeds::Keep, Range{1, 4}, u"\nab\n"sv},
          {u" \nab\n "sv, {0, 6}, Feeds::Trim, {2, 2}, u"ab"sv},
          {u"ab"sv, {0, 2}, Feeds::Trim, {0, 2}, u"ab"sv},
          {u"ab"sv, {-1, 1}, Feeds::Keep, None, Null}}) {
        SCOPED_TRACE(quoted(text) + " at " + std::to_string(range.location) + "+"
                     + std::to_string(range.length));
        const QString s = makeText(text);
        const Range r = trimSpacesInRange(s, range, feeds);
        EXPECT_EQ(r, expected);
        expectText(s, stringByTrimmingSpacesInRange(s, range, feeds), substring);
    }
}

// Always a copy, except for the empty and the null text.
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
        const QString empty = makeText(u""sv);
        EXPECT_EQ(op(empty).constData(), empty.constData());
        expectText(op(QString()), Null);
    }
}
