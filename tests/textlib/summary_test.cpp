#include "textlib/summary.h"

#include "texttesting.h"

// Three sentences about engines and one that shares nothing with them: the odd one out is
// least important, whatever its length.
static constexpr auto engines = u"The engine parses the formula. "
                                u"Weather was fine yesterday in the hills. "
                                u"The engine evaluates the formula quickly. "
                                u"A formula engine needs a parser."sv;

// Case does not split a term, and a surrogate pair is part of its word; a lowercase word after a
// full stop goes on the sentence (Unicode sentence rules).
static constexpr auto scripts =
    u"Noise here. ENGINE Engine. Engine again, and on. again. "
    u"\U0001D49C\U0001D49C \U0001D49C\U0001D49C \U0001D49C\U0001D49C."sv;

TEST(Summary, PicksAndOrders) {
    for (auto [sentences, text, count, expected] :
         {std::tuple{true, Null, qsizetype(3), Null},
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
          // With empty lines, wrapped lines stay in one paragraph.
          {false, u"\n\nRates rise,\nrates fall.\n\n\nSomething else.\n\nRates, rates.\n"sv, 2,
           u"Rates rise,\nrates fall.\n\nRates, rates."sv},
          {true, scripts, 2,
           u"ENGINE Engine. \U0001D49C\U0001D49C \U0001D49C\U0001D49C \U0001D49C\U0001D49C."sv},
          // Non-letter units weigh nothing but still count.
          {true, u"--- !!! ???"sv, 1, u"--- !!! ???"sv}}) {
        SCOPED_TRACE(quoted(text) + " " + std::to_string(count));
        const QString s = makeText(text);
        expectText(sentences ? summarizeInSentences(s, count) : summarizeInParagraphs(s, count),
                   expected);
    }
}
