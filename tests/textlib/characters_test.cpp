#include "textlib/characters.h"

#include "texttesting.h"

// One row drives countCharacter, findCharacter, findLastCharacter and containsCharacter.
TEST(Characters, CountsAndFindsFromStart) {
    constexpr auto CS = Qt::CaseSensitive, CI = Qt::CaseInsensitive;
    // Long s uppercases to S; surrogate halves are plain units.
    for (auto [text, c, start, cs, count, first, last] :
         {std::tuple{u"BANana"sv, u'a', qsizetype(0), CI, qsizetype(3), qsizetype(1), qsizetype(5)},
          {u"abc"sv, u'a', -1, CS, 0, NotFound, NotFound},
          // Hits on both edges of the eight-unit scan blocks, from a start inside a block.
          {u"axxxxxxxaxxxxxxxa"sv, u'a', 1, CS, 2, 8, 16},
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
}

TEST(Characters, FindOneOfFindsFirstGroupMember) {
    // Upper forms beyond U+00FF count; surrogate halves are plain units.
    for (auto [text, group, start, cs, expected] :
         {std::tuple{u"html?x=1"sv, u"?&;=#"sv, qsizetype(5), Qt::CaseSensitive, qsizetype(6)},
          {u"a\u00FF"sv, u"\u0178z"sv, 0, Qt::CaseInsensitive, 1},
          {u"a\U0001F600"sv, u"\xDE00\xD800"sv, 0, Qt::CaseSensitive, 2}})
        EXPECT_EQ(findOneOf(makeText(text), makeText(group), start, cs), expected)
            << quoted(text) << " group " << quoted(group) << " start " << start;
}

TEST(Characters, CountLTAndContainsCharacters) {
    qsizetype lt = -1, gt = -1;
    EXPECT_FALSE(countLT(u"<<>", &lt, &gt));
    EXPECT_EQ(lt * 10 + gt, 21);
    EXPECT_FALSE(countLT(QString(), &lt, &gt));
    EXPECT_EQ(lt + gt, 0);
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
}

TEST(Characters, RotateRotatesAsciiLettersOnly) {
    expectText(stringByRotating13(u"Hello, World"_s), u"Uryyb, Jbeyq");
    expectText(stringByRotating(u"a"_s, ~quint64(0)), u"p"); // 2^64 - 1 is 15 modulo 26
    const QString other = u"@[`{\u00E4\uFF41"_s;
    expectText(other, stringByRotating(other, 1), u"@[`{\u00E4\uFF41");
    EXPECT_TRUE(stringByRotating13(QString()).isNull());
}
