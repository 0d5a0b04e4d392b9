#include "textlib/words.h"

#include "texttesting.h"

namespace {

constexpr Range None{NotFound, 0};

} // namespace

TEST(Words, RangesAtIndex) {
    // A click on a link's bracket gives the link inside; one on white space picks nothing; in mail
    // mode the index is on "@" and only a mail address loses ")".
    for (auto [rangeAt, text, index, expected] :
         {std::tuple{&getWordRangeAtIndex, u"ab12-cd"sv, qsizetype(1), Range{0, 4}},
          {getWordRangeAtIndex, u"ab12-cd"sv, NotFound, {5, 2}},
          {getWordRangeAtIndex, u"ab12-cd"sv, 7, None},
          {getWordRangeAtIndex, u"e\u0301\u00BD"sv, 2, {0, 3}},
          {getWordRangeAtIndex, u"a\U0001F600b"sv, 1, None},
          {getLinkRangeAtIndex, u"see <http://x.org/a> now"sv, 4, {5, 14}},
          {getLinkRangeAtIndex, u"see <http://x.org/a> now"sv, 3, None},
          {getLinkRangeAtIndex, u"go http://x.org?! ok"sv, 15, {3, 12}},
          {getLinkRangeAtIndex, u"(a@b.c)."sv, 1, {0, 7}},
          {getLinkRangeAtIndex, u"mail (me@x.org). ok"sv, 8, {6, 8}}})
        EXPECT_EQ(rangeAt(makeText(text), index), expected) << quoted(text) << index;
    // Unlike a word, a piece has no "last position" shorthand.
    EXPECT_EQ(getSubstringRangeAtIndex(u"a,b c"_s, NotFound, whiteCharacterSetRep()), None);
    // The text forms: the range's units, "" (not null) when nothing is found, s itself when whole.
    const QString s = u"ab cd"_s, word = u"ab"_s;
    EXPECT_EQ(getWordAtIndex(s, 4), u"cd"_s);
    expectText(getLinkAtIndex(s, 2), u"");
    EXPECT_EQ(getSubstringAtIndex(word, 0, nullptr).constData(), word.constData());
}

TEST(Words, FirstAndLast) {
    // Only a word at the very edge counts; the edge units are units, not characters.
    const QString s = u"ab cd"_s, blank = u" ab "_s, emoji = u"\U0001F600"_s;
    EXPECT_EQ(firstWord(s) + lastWord(s), u"abcd"_s);
    expectText(firstWord(blank) + lastWord(blank), u"");
    EXPECT_EQ(firstCharacter(emoji), u'\xD83D');
    EXPECT_EQ(lastCharacter(emoji), u'\xDE00');
}
