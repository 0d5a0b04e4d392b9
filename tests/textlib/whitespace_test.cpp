#include "textlib/whitespace.h"

#include "textlib/characters.h"
#include "textlib/charactersets.h"

#include "texttesting.h"

#include <gtest/gtest.h>

#include <limits>

using namespace std::literals;
using namespace textlib;

namespace {

constexpr qsizetype Huge = std::numeric_limits<qsizetype>::max();

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
const TextOp noGroup{"null group", [](QString &s) { removeCharactersOfString(s, {}); },
                     [](const QString &s) { return stringByRemovingCharactersOfString(s, {}); }};
const TextOp alpha{"alpha rep", nullptr, [](const QString &s) {
                       return stringByRemovingCharactersInRep(s, alphaCharacterSetRep());
                   }};
const TextOp noRep{"null rep", nullptr,
                   [](const QString &s) { return stringByRemovingCharactersInRep(s, nullptr); }};

using C = TextOpCase;
class RemoveTest : public testing::TestWithParam<C> {};
TEST_P(RemoveTest, EditsEveryUnit) {
    expectTextOp(GetParam());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RemoveTest,
    testing::Values(C{white, u" 1 + 2\t*3\n"sv, u"1+2*3"sv}, C{white, u"\u00A01\uFEFF2"sv, u"12"sv},
                    C{white, u"a\0\x03\x0B\x0C\r\x85\u2028\u2029\uFFFC\u3000\u1680b"sv, u"ab"sv},

                    // Format characters and surrogate halves are not white.
                    C{white, u"a\u200B \U0001F600"sv, u"a\u200B\U0001F600"sv}, C{white, {}, {}},
                    C{spaces, u"a \t\0\u3000b\n\u00A0"sv, u"ab\n"sv},
                    C{tabs, u"\ta\t \t"sv, u"a "sv},
                    C{feeds, u"a\r\nb\u2028c\x0B\x85\x03\uFFFC"sv, u"abc\x0B\x85"sv},
                    C{digits, u"a1\u0663b9"sv, u"ab"sv}, C{dots, u"..1.5."sv, u"15"sv},
                    C{group, u"x.a\u20ACbx"sv, u"ab"sv}, C{noGroup, u"a.b"sv, u"a.b"sv},
                    C{alpha, u"a1\u00E9 2"sv, u"1 2"sv}, C{noRep, u"a1"sv, u"a1"sv}));

const TextOp collapse{"white runs", [](QString &s) { removeMultipleWhiteSpaces(s); },
                      [](const QString &s) { return stringByRemovingMultipleWhiteSpaces(s); }};
const TextOp collapseSpaces{"space runs", removeMultipleSpaces, stringByRemovingMultipleSpaces};
const TextOp collapseFeeds{"feed runs", removeMultipleFeeds, stringByRemovingMultipleFeeds};
const TextOp spacesByUnderscore{
    "space runs by _", [](QString &s) { removeMultipleWhiteSpaces(s, RunClass::Spaces, u'_'); },
    nullptr};
const TextOp feedsBySpace{"feed runs by space", nullptr, [](const QString &s) {
                              return stringByRemovingMultipleWhiteSpaces(s, RunClass::Feeds);
                          }};

INSTANTIATE_TEST_SUITE_P(Collapse, RemoveTest,
                         testing::Values(C{collapse, u"  a\t\tb \n"sv, u" a b "sv},

                                         C{collapse, u"a \u00A0\u2028\uFEFFb"sv, u"a b"sv},
                                         C{collapseSpaces, u"a \t\n\t b"sv, u"a \n b"sv},
                                         C{spacesByUnderscore, u"a b"sv, u"a_b"sv},
                                         C{collapseFeeds, u"a\r\n\r\nb"sv, u"a\nb"sv},
                                         C{collapseFeeds, u"\na\nb\n"sv, u"\na\nb\n"sv},

                                         C{feedsBySpace, u"a\nb \r"sv, u"a b  "sv},
                                         C{collapseFeeds, {}, {}}));

const TextOp trim{"trim", trimWhiteSpaces, nullptr};
const TextOp trimX{"trim x", [](QString &s) { trimCharacter(s, u'x'); }, nullptr};
const TextOp prefixX{"prefix x", [](QString &s) { trimPrefixCharacter(s, u'x'); }, nullptr};
const TextOp suffixX{"suffix x", [](QString &s) { trimSuffixCharacter(s, u'x'); }, nullptr};
const TextOp trimFeed{"trim feeds", trimFeeds, stringByTrimmingFeeds};

INSTANTIATE_TEST_SUITE_P(Trim, RemoveTest,
                         testing::Values(C{trim, u" \u00A0a b\uFEFF\n\0"sv, u"a b"sv},
                                         C{trim, u"a\u200B"sv, u"a\u200B"sv}, C{trim, {}, {}},
                                         C{trimX, u"xxaxbxx"sv, u"axb"sv},
                                         C{trimX, u"xxx"sv, u""sv}, C{prefixX, u"xxax"sv, u"ax"sv},
                                         C{suffixX, u"xaxx"sv, u"xa"sv},
                                         C{trimFeed, u"\na\n\n"sv, u"\na"sv},
                                         C{trimFeed, u"a \r\n\u2029"sv, u"a "sv},
                                         C{trimFeed, u"a\x0B"sv, u"a\x0B"sv}));

template<qsizetype Width> void decode(QString &s) {
    decodeTabs(s, Width);
}
template<qsizetype Width> void encode(QString &s) {
    encodeTabs(s, Width);
}
const TextOp dec4{"decode 4", decode<4>, nullptr}, dec1{"decode 1", decode<1>, nullptr};
const TextOp dec0{"decode 0", decode<0>, nullptr};
const TextOp decHuge{"decode huge", decode<Huge>, nullptr};
const TextOp enc4{"encode 4", encode<4>, nullptr}, enc2{"encode 2", encode<2>, nullptr};
const TextOp enc1{"encode 1", encode<1>, nullptr}, enc8{"encode 8", encode<8>, nullptr};
const TextOp enc0{"encode 0", encode<0>, nullptr}, encHuge{"encode huge", encode<Huge>, nullptr};

INSTANTIATE_TEST_SUITE_P(
    Tabs, RemoveTest,
    testing::Values(
        C{dec4, u"ab\tc"sv, u"ab  c"sv}, C{dec4, u"abcd\t\t"sv, u"abcd        "sv},
        C{dec4, u"abc\r\n\tx\u2028a\t"sv, u"abc\r\n    x\u2028a   "sv},
        C{dec1, u"a\t\tb"sv, u"a  b"sv}, C{dec0, u"a\tb"sv, u"a\tb"sv}, C{dec4, {}, {}},
        // Too wide to expand into: the text stays, yet a TAB still reaches the next stop.
        C{decHuge, u"a\tb"sv, u"a\tb"sv}, C{encHuge, u"a \t\t"sv, u"a\t\t"sv},
        C{enc4, u"ab  cd"sv, u"ab\tcd"sv}, C{enc4, u"     x  "sv, u"\t x\t"sv},
        C{enc4, u"ab \t cd"sv, u"ab\t cd"sv}, C{enc2, u"ab\n  c\r\0 "sv, u"ab\n\tc\r\t"sv},
        C{enc1, u"a  b"sv, u"a\t\tb"sv}, C{enc8, u"1234567 \u3000       x"sv, u"1234567\t\tx"sv},
        C{enc0, u"    "sv, u"    "sv}));

} // namespace
