#include "textlib/characters.h"
#include "textlib/charactersets.h"
#include "textlib/trimming.h"
#include "textlib/whitespace.h"

#include "texttesting.h"

namespace {

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
    expectTextOps({
        C{{"white spaces", trimWhiteSpaces, stringByTrimmingWhiteSpaces},
          u" \u00A0\u2028a b\uFEFF\n\0"sv,
          u"a b"},
        C{{"not alpha", nullptr, notAlpha}, u"12ab34", u"ab"},
        C{{"null rep", nullptr, nullRep}, u"ab", u""},
        C{{"dash", [](QString &s) { trimCharacter(s, u'-'); }, nullptr}, u"--a-b--", u"a-b"},
        // An odd run keeps its middle unit: no unit is taken as both ends of a pair.
        C{{"enclosing quote", nullptr, enclosing}, u"\"\"\"", u"\""},
        C{{"quotes", nullptr, stringByTrimmingQuotes}, u"'a\"b\"", u"a\"b"},
    });
}

TEST(Trimming, RangeForms) {
    const QString s = u" \nab\n "_s;
    EXPECT_EQ(trimSpacesInRange(s, {0, 6}, Feeds::Keep), Range(1, 4));
    expectText(stringByTrimmingSpacesInRange(s, {0, 6}, Feeds::Trim), u"ab");
    EXPECT_EQ(trimSpacesInRange(s, {-1, 1}, Feeds::Keep), Range(NotFound, 0));
    expectText(stringByTrimmingSpacesInRange(s, {-1, 1}, Feeds::Keep), Null);
}

// Always a copy, except for the empty and the null text.
TEST(Trimming, RemovingFormsCopy) {
    for (auto [op, text, expected] : {std::tuple{&lowercaseStringByRemovingDigits,
                                                 u"A1B2\u00C9\u0661\u0130"sv, u"ab\u00E9\u0130"sv},
                                      {uppercaseStringByRemovingDigits, u"AB"sv, u"AB"sv},
                                      {stringByRemovingNonIPCharacters,
                                       u"ip: 192.168.0.1/24 \u2024\0"sv, u"192.168.0.124"sv}}) {
        const QString s = makeText(text);
        const QString result = op(s);
        expectText(result, expected);
        EXPECT_NE(result.constData(), s.constData()) << quoted(text);
        const QString empty = makeText(u""sv);
        EXPECT_EQ(op(empty).constData(), empty.constData());
        expectText(op(QString()), Null);
    }
}
