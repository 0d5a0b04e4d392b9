#include "textlib/characters.h"

#include "texttesting.h"

// One row drives countCharacter, findCharacter, findLastCharacter and containsCharacter.
TEST(Characters, CountsAndFindsFromStart) {
    constexpr auto CS = Qt::CaseSensitive, CI = Qt::CaseInsensitive;
    // Long s uppercases to S; surrogate halves are plain units.
    for (auto [text, c, start, cs, count, first, last] :
         // Hits on both edges of the eight-unit scan blocks, from a start inside a block.
         {std::tuple{u"axxxxxxxaxxxxxxxa"sv, u'a', qsizetype(1), CS, qsizetype(2), qsizetype(8),
                     qsizetype(16)},
          {u"\u017FsS"sv, u'S', 0, CI, 3, 0, 2},
          {u"\U0001F600x\U0001F600"sv, u'\xDE00', 0, CI, 2, 1, 4}}) {
        SCOPED_TRACE(quoted(text) + " start " + std::to_string(start));
        const QString s = makeText(text);
        EXPECT_EQ(countCharacter(s, c, start, cs), count);
        EXPECT_EQ(findCharacter(s, c, start, cs), first);
        EXPECT_EQ(findLastCharacter(s, c, start, cs), last);
        EXPECT_EQ(containsCharacter(s, c, start, cs), first != NotFound);
    }
    QString big(600001, u'a'); // more hits than a 16-bit lane counter holds
    big[300000] = u'b';
    EXPECT_EQ(countCharacter(big, u'a'), 600000);
    EXPECT_EQ(findOneOf(u"html?x=1"_s, u"?&;=#"_s, 5), 6);
    EXPECT_EQ(findOneOf(u"a\U0001F600"_s, u"\xDE00\xD800"_s, 0, Qt::CaseInsensitive), 2);
}

TEST(Characters, CountLTContainsCharactersAndRotate) {
    qsizetype lt = -1, gt = -1;
    EXPECT_FALSE(countLT(u"<<>", &lt, &gt));
    EXPECT_EQ(lt * 10 + gt, 21);
    EXPECT_TRUE(countLT(u"a<b>")); // the counters are optional
    // Every selected character is needed; a mask beyond the eight flags or none selects nothing,
    // and units whose low byte is "." or "@" are not those characters.
    for (auto [text, mask, expected] : {std::tuple{u"2*3"sv, 65, false},
                                        {u"2*3.5"sv, 257, false},
                                        {u"2*3.5"sv, 0, false},
                                        {u"$*_;?/@."sv, 255, true},
                                        {u"\u012E\u0140\uFF0E"sv, 3, false}})
        EXPECT_EQ(containsCharacters(makeText(text), CharacterFlags::fromInt(mask)), expected)
            << quoted(text) << " mask " << mask;
    // Rotation touches ASCII letters only.
    expectText(stringByRotating13(u"Hello, World"_s), u"Uryyb, Jbeyq");
    // 2^64 - 1 is 15 modulo 26.
    expectText(stringByRotating(u"a@[`{\u00E4\uFF41"_s, ~quint64(0)), u"p@[`{\u00E4\uFF41");
}
