#include "textlib/characters.h"

#include "texttesting.h"

#include <algorithm>

// One row drives countCharacter, findCharacter, findLastCharacter and containsCharacter.
TEST(Characters, CountsAndFindsFromStart) {
    const struct {
        std::u16string_view text;
        char16_t c;
        qsizetype start;
        Qt::CaseSensitivity cs;
        qsizetype count, first, last;
    } rows[] = {{u"BANana", u'a', 0, Qt::CaseInsensitive, 3, 1, 5},
                {u"BANana", u'a', 0, Qt::CaseSensitive, 2, 3, 5},
                {u"abc", u'a', -1, Qt::CaseSensitive, 0, NotFound, NotFound},
                {Null, u'a', 0, Qt::CaseInsensitive, 0, NotFound, NotFound},
                {u"a\0b\0"sv, u'\0', 0, Qt::CaseSensitive, 2, 1, 3},
                // ß has no one-unit uppercase, so it matches only itself; long s uppercases to S.
                {u"\u00DFSS", u'\u00DF', 0, Qt::CaseInsensitive, 1, 0, 0},
                {u"\u017FsS", u'S', 0, Qt::CaseInsensitive, 3, 0, 2},
                // Surrogate halves are plain units.
                {u"\U0001F600x\U0001F600", u'\xDE00', 0, Qt::CaseInsensitive, 2, 1, 4}};
    for (const auto &k : rows) {
        SCOPED_TRACE(quoted(k.text) + " start " + std::to_string(k.start));
        const QString s = makeText(k.text);
        EXPECT_EQ(countCharacter(s, k.c, k.start, k.cs), k.count);
        EXPECT_EQ(findCharacter(s, k.c, k.start, k.cs), k.first);
        EXPECT_EQ(findLastCharacter(s, k.c, k.start, k.cs), k.last);
        EXPECT_EQ(containsCharacter(s, k.c, k.start, k.cs), k.first != NotFound);
    }
}

// The bulk scans work eight units at a time; every length, start and hit position around
// that width must agree with a plain scan.
TEST(Characters, ScanBlocksAgreeWithPlainScan) {
    for (size_t length = 0; length <= 40; ++length) {
        for (int pattern = 0; pattern < 3; ++pattern) {
            std::u16string v(length, u'x');
            for (size_t i = 0; i < length; ++i) {
                if ((pattern == 1 && i % 7 == 3) || (pattern == 2 && (i == 0 || i == length - 1)))
                    v[i] = u'a';
            }
            const QString s = makeText(v);
            for (size_t start = 0; start <= length; ++start) {
                SCOPED_TRACE(quoted(s) + " start " + std::to_string(start));
                const auto rest = std::u16string_view(v).substr(start);
                const auto at = [&](size_t i) {
                    return i == rest.npos ? NotFound : qsizetype(start + i);
                };
                EXPECT_EQ(countCharacter(s, u'a', qsizetype(start)),
                          qsizetype(std::count(rest.begin(), rest.end(), u'a')));
                EXPECT_EQ(findCharacter(s, u'a', qsizetype(start)), at(rest.find(u'a')));
                EXPECT_EQ(findLastCharacter(s, u'a', qsizetype(start)), at(rest.rfind(u'a')));
            }
        }
    }
    QString big(600001, u'a'); // more hits than a 16-bit lane counter holds
    big[300000] = u'b';
    EXPECT_EQ(countCharacter(big, u'a'), 600000);
}

TEST(Characters, FindOneOfFindsFirstGroupMember) {
    const struct {
        std::u16string_view text, group;
        qsizetype start;
        Qt::CaseSensitivity cs;
        qsizetype expected;
    } rows[] = {{u"html?x=1", u"?&;=#", 5, Qt::CaseSensitive, 6},
                {u"html?x=1", {}, 0, Qt::CaseInsensitive, NotFound},
                {u"abc", u"XC", 0, Qt::CaseSensitive, NotFound},
                {u"abc", u"XC", 0, Qt::CaseInsensitive, 2},
                // Upper forms beyond U+00FF.
                {u"a\u00FF", u"\u0178z", 0, Qt::CaseInsensitive, 1},
                {u"a\U0001F600", u"\xDE00\xD800", 0, Qt::CaseSensitive, 2}};
    for (const auto &k : rows)
        EXPECT_EQ(findOneOf(makeText(k.text), makeText(k.group), k.start, k.cs), k.expected)
            << quoted(k.text) << " group " << quoted(k.group) << " start " << k.start;
}

TEST(Characters, CountLTCountsBothBrackets) {
    qsizetype lt = -1, gt = -1;
    EXPECT_TRUE(countLT(u"a<b>", &lt, &gt));
    EXPECT_FALSE(countLT(u"<<>", &lt, &gt));
    EXPECT_EQ(lt * 10 + gt, 21);
    EXPECT_FALSE(countLT(QString(), &lt, &gt));
    EXPECT_EQ(lt + gt, 0);
    EXPECT_TRUE(countLT(u"<>")); // the counters are optional
}

TEST(Characters, ContainsCharactersNeedsEverySelectedCharacter) {
    // A mask beyond the eight flags or none selects nothing; units whose low byte is "." or "@"
    // are not those characters.
    for (auto [text, mask, expected] : {std::tuple{u"2*3"sv, 65, false},
                                        {u"2*3.5"sv, 257, false},
                                        {u"2*3.5"sv, 0, false},
                                        {u"$*_;?/@."sv, 255, true},
                                        {u"\u012E\u0140\uFF0E"sv, 3, false},
                                        {Null, 1, false}})
        EXPECT_EQ(containsCharacters(makeText(text), CharacterFlags::fromInt(mask)), expected)
            << quoted(text) << " mask " << mask;
}

TEST(Characters, RotateRotatesAsciiLettersOnly) {
    // 2^64 - 1 is 15 modulo 26.
    for (auto [text, n, expected] : {std::tuple{u"Hello, World"sv, quint64(13), u"Uryyb, Jbeyq"sv},
                                     {u"a"sv, ~quint64(0), u"p"sv},
                                     {u"@[`{\u00E4\uFF41"sv, 1, u"@[`{\u00E4\uFF41"sv},
                                     {Null, 13, {}}}) {
        const QString s = makeText(text);
        expectText(s, n == 13 ? stringByRotating13(s) : stringByRotating(s, n), expected);
    }
}
