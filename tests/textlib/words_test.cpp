#include "textlib/summary.h"
#include "textlib/words.h"

#include "texttesting.h"

#include <gtest/gtest.h>

using namespace std::literals;
using namespace textlib;

namespace {

constexpr Range None{NotFound, 0};

struct RangeCase {
    std::u16string_view text;
    qsizetype index;
    Range expected;
};

// The text form must agree with the range: its units, "" (not null) when not found.
void expectTextOfRange(const QString &s, const QString &text, Range range) {
    if (range == None) {
        EXPECT_TRUE(text.isEmpty() && !text.isNull());
    } else {
        EXPECT_EQ(text, s.mid(range.location, range.length));
        if (range.length == s.size()) {
            EXPECT_EQ(text.constData(), s.constData());
        }
    }
}

TEST(Words, WordAtIndex) {
    const RangeCase rows[] = {
        {u"ab12-cd"sv, 1, {0, 4}},    {u"abc"sv, 2, {0, 3}},
        {u"ab12-cd"sv, 4, None},      {u"ab12-cd"sv, NotFound, {5, 2}},
        {u"ab12-cd"sv, 7, None},      {u"ab12-cd"sv, -1, None},
        {u"ab "sv, NotFound, None},   {u"e\u0301\u00BD"sv, 2, {0, 3}},
        {u"a\U0001F600b"sv, 1, None}, {{}, 0, None},
    };
    for (const auto &k : rows) {
        SCOPED_TRACE(quoted(k.text) + " at " + std::to_string(k.index));
        const QString s = makeText(k.text);
        EXPECT_EQ(getWordRangeAtIndex(s, k.index), k.expected);
        expectTextOfRange(s, getWordAtIndex(s, k.index), k.expected);
    }
}

TEST(Words, FirstAndLast) {
    const struct {
        std::u16string_view text, first, last;
        char16_t firstUnit, lastUnit;
    } rows[] = {{u"ab cd"sv, u"ab"sv, u"cd"sv, u'a', u'd'},
                {u" ab "sv, u""sv, u""sv, u' ', u' '},
                {u"\U0001F600"sv, u""sv, u""sv, 0xD83D, 0xDE00},
                {{}, u""sv, u""sv, 0, 0}};
    for (const auto &k : rows) {
        SCOPED_TRACE(quoted(k.text));
        const QString s = makeText(k.text);
        expectText(firstWord(s), k.first);
        expectText(lastWord(s), k.last);
        EXPECT_EQ(firstCharacter(s), k.firstUnit);
        EXPECT_EQ(lastCharacter(s), k.lastUnit);
    }
}

TEST(Words, PieceAtIndex) {
    const struct {
        std::u16string_view text;
        qsizetype index;
        CharacterSetRep separators;
        Range expected;
    } rows[] = {{u"a,b c"sv, 1, whiteCharacterSetRep(), {0, 3}},
                {u"a,b c"sv, 3, whiteCharacterSetRep(), None},
                // Unlike a word, a piece has no "last position" shorthand.
                {u"a,b c"sv, NotFound, whiteCharacterSetRep(), None},
                {u"a\nb"sv, 0, spaceCharacterSetRep(), {0, 3}},
                {u"a b"sv, 1, nullptr, {0, 3}},
                {{}, 0, nullptr, None}};
    for (const auto &k : rows) {
        SCOPED_TRACE(quoted(k.text) + " at " + std::to_string(k.index));
        const QString s = makeText(k.text);
        EXPECT_EQ(getSubstringRangeAtIndex(s, k.index, k.separators), k.expected);
        expectTextOfRange(s, getSubstringAtIndex(s, k.index, k.separators), k.expected);
    }
}

TEST(Words, LinkAtIndex) {
    const RangeCase rows[] = {
        {u"see <http://x.org/a> now"sv, 10, {5, 14}},
        // A click on a bracket gives the link inside; one on white space picks nothing.
        {u"see <http://x.org/a> now"sv, 4, {5, 14}},
        {u"see <http://x.org/a> now"sv, 19, {5, 14}},
        {u"see <http://x.org/a> now"sv, 3, None},
        {u"go http://x.org?! ok"sv, 15, {3, 12}}, // on dropped punctuation
        {u"http://a..b'"sv, 0, {0, 11}},          // ".." bounds mail addresses only
        {u"(a@b.c)."sv, 1, {0, 7}},               // only a mail address loses ")"
        // Mail mode: the index is on "@".
        {u"mail (me@x.org). ok"sv, 8, {6, 8}},
        {u"\u201Cme@x.org\u201D"sv, 3, {1, 8}},
        {u"x@y@z"sv, 3, {2, 3}},
        {u"a..b@c"sv, 4, {3, 3}},
        {u"a @b"sv, 2, {2, 2}},
        {u"@x"sv, 0, None},
        {u"ab"sv, 2, None},
        {u"ab"sv, NotFound, None},
        {{}, 0, None},
    };
    for (const auto &k : rows) {
        SCOPED_TRACE(quoted(k.text) + " at " + std::to_string(k.index));
        const QString s = makeText(k.text);
        EXPECT_EQ(getLinkRangeAtIndex(s, k.index), k.expected);
        expectTextOfRange(s, getLinkAtIndex(s, k.index), k.expected);
    }
}

// Three sentences about engines and one that shares nothing with them: the odd one out is
// least important, whatever its length.
constexpr auto engines = u"The engine parses the formula. "
                         u"Weather was fine yesterday in the hills. "
                         u"The engine evaluates the formula quickly. "
                         u"A formula engine needs a parser."sv;

TEST(SummaryTest, PicksAndOrders) {
    const struct {
        bool sentences;
        std::u16string_view text;
        qsizetype count;
        std::u16string_view expected; // {} = null
    } rows[] = {
        {true, {}, 3, {}},
        {true, u" \n\t\u00a0\r\n"sv, 3, {}},
        {false, u"\n\n  \n"sv, 1, {}},
        {true, u"Anything."sv, 0, u""sv},
        // More asked for than there are: all of them, as they stand.
        {true, u"  One.  Two?\tThree!  "sv, 10, u"One. Two? Three!"sv},
        {true, engines, 3,
         u"The engine parses the formula. The engine evaluates the formula quickly. "
         u"A formula engine needs a parser."sv},
        // A sentence never runs over a paragraph break; chosen sentences of different
        // paragraphs keep the break.
        {true, u"Tax rate up\n\nThe tax rate rises. Lunch.\n\nTax rate news"sv, 2,
         u"Tax rate up\n\nTax rate news"sv},
        // Without empty lines every line is a paragraph; CR LF is one break.
        {false, u"alpha beta\r\ngamma delta\r\nalpha beta gamma\r\n"sv, 1, u"alpha beta gamma"sv},
        {false, u"alpha beta\r\ngamma delta\r\nalpha beta gamma\r\n"sv, 5,
         u"alpha beta\ngamma delta\nalpha beta gamma"sv},
        // With empty lines, wrapped lines stay in one paragraph.
        {false, u"\n\nRates rise,\nrates fall.\n\n\nSomething else.\n\nRates, rates.\n"sv, 2,
         u"Rates rise,\nrates fall.\n\nRates, rates."sv},
        // Equal scores: the earlier wins. Non-letter units weigh nothing but still count.
        {true, u"Same words. Same words. ..."sv, 1, u"Same words."sv},
        {true, u"--- !!! ???"sv, 1, u"--- !!! ???"sv},
    };
    for (const auto &k : rows) {
        SCOPED_TRACE(quoted(k.text) + (k.sentences ? " sentences " : " paragraphs ")
                     + std::to_string(k.count));
        const QString text = makeText(k.text);
        expectText(k.sentences ? summarizeInSentences(text, k.count)
                               : summarizeInParagraphs(text, k.count),
                   k.expected);
    }
}

// Case does not split a term, and a surrogate pair is part of its word; a lowercase word
// after a full stop goes on the sentence (Unicode sentence rules).
TEST(SummaryTest, TermsFoldCaseAndKeepSupplementaryLetters) {
    const QString text =
        QStringLiteral("Noise here. ENGINE Engine. Engine again, and on. again. 𝒜𝒜 𝒜𝒜 𝒜𝒜.");
    EXPECT_EQ(summarizeInSentences(text, 2), QStringLiteral("ENGINE Engine. 𝒜𝒜 𝒜𝒜 𝒜𝒜."));
}

} // namespace
