#include "textlib/words.h"

#include "texttesting.h"

namespace {

constexpr Range None{NotFound, 0};

struct RangeCase {
    std::u16string_view text;
    qsizetype index;
    Range expected;
};

template<typename RangeOf>
void expectRanges(std::initializer_list<RangeCase> rows, RangeOf rangeOf) {
    for (const RangeCase &k : rows)
        EXPECT_EQ(rangeOf(makeText(k.text), k.index), k.expected) << quoted(k.text) << k.index;
}

} // namespace

TEST(Words, WordAtIndex) {
    expectRanges({{u"ab12-cd", 1, {0, 4}},
                  {u"ab12-cd", NotFound, {5, 2}},
                  {u"ab12-cd", 7, None},
                  {u"ab12-cd", -1, None},
                  {u"e\u0301\u00BD", 2, {0, 3}},
                  {u"a\U0001F600b", 1, None}},
                 getWordRangeAtIndex);
    // The text forms: the range's units, "" (not null) when nothing is found, s itself when whole.
    const QString s = u"ab cd"_s, word = u"ab"_s;
    EXPECT_EQ(getWordAtIndex(s, 4), u"cd"_s);
    const QString none = getLinkAtIndex(s, 2);
    EXPECT_TRUE(none.isEmpty() && !none.isNull());
    EXPECT_EQ(getSubstringAtIndex(word, 0, nullptr).constData(), word.constData());
}

TEST(Words, PieceAtIndex) {
    // Unlike a word, a piece has no "last position" shorthand.
    expectRanges({{u"a,b c", 1, {0, 3}}, {u"a,b c", 3, None}, {u"a,b c", NotFound, None}},
                 [](const QString &s, qsizetype i) {
                     return getSubstringRangeAtIndex(s, i, whiteCharacterSetRep());
                 });
    EXPECT_EQ(getSubstringRangeAtIndex(u"a\nb"_s, 0, spaceCharacterSetRep()), Range(0, 3));
    EXPECT_EQ(getSubstringRangeAtIndex(u"a b"_s, 1, nullptr), Range(0, 3));
}

TEST(Words, LinkAtIndex) {
    expectRanges(
        {
            {u"see <http://x.org/a> now", 10, {5, 14}},
            // A click on a bracket gives the link inside; one on white space picks nothing.
            {u"see <http://x.org/a> now", 4, {5, 14}},
            {u"see <http://x.org/a> now", 3, None},
            {u"go http://x.org?! ok", 15, {3, 12}}, // on dropped punctuation
            {u"(a@b.c).", 1, {0, 7}},               // only a mail address loses ")"
            // Mail mode: the index is on "@".
            {u"mail (me@x.org). ok", 8, {6, 8}},
            {u"a..b@c", 4, {3, 3}},
            {Null, 0, None},
        },
        getLinkRangeAtIndex);
}

TEST(Words, FirstAndLast) {
    for (auto [text, first, last, firstUnit, lastUnit] :
         {std::tuple{u"ab cd"sv, u"ab"sv, u"cd"sv, u'a', u'd'},
          {u" ab "sv, u""sv, u""sv, u' ', u' '},
          {u"\U0001F600"sv, u""sv, u""sv, u'\xD83D', u'\xDE00'}}) {
        const QString s = makeText(text);
        expectText(firstWord(s), first);
        expectText(lastWord(s), last);
        EXPECT_EQ(firstCharacter(s), firstUnit) << quoted(text);
        EXPECT_EQ(lastCharacter(s), lastUnit) << quoted(text);
    }
}
