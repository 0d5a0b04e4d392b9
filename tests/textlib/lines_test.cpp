#include "textlib/lines.h"

#include "texttesting.h"

TEST(Lines, CutsAfterEveryBreak) {
    // VT, NEL and a lone surrogate are not breaks.
    for (auto [text, expected] :
         {std::pair{u"\r\r\n\nb"sv, QStringList{u"\r"_s, u"\r\n"_s, u"\n"_s, u"b"_s}},
          {u"a\x0B\x85\xDBFF\x0E"sv, {u"a\x0B\x85\xDBFF\x0E"_s}},
          {Null, {}}}) {
        EXPECT_EQ(lines(makeText(text)), expected) << quoted(text);
        EXPECT_EQ(numberOfLines(makeText(text)), expected.size());
    }
}

// The scan tests eight units at once, folding FF with CR and U+2028 with U+2029: every break
// and its nearest non-breaks, at every place of a text long enough for two blocks, and a CR LF
// across a block edge.
TEST(Lines, BlockScanFindsEveryBreakAnywhere) {
    for (char16_t c : u"\x02\x03\x04\x09\x0A\x0B\x0C\x0D\x0E\x85\u2027\u2028\u2029\u202A"
                      u"\uFEFE\uFEFF\uFFFB\uFFFC\uFFFD\uFFFF\xDBFF") {
        for (qsizetype at = 0; at < 20; ++at) {
            const QString s = QString(20, u'x').replace(at, 1, c);
            const QStringList expected{s.left(at + 1), s.mid(at + 1)};
            EXPECT_EQ(lines(s), isFeed(c) && at < 19 ? expected : QStringList{s}) << quoted(s);
        }
    }
    EXPECT_EQ(lines(u"xxxxxxx\r\nx"_s), QStringList({u"xxxxxxx\r\n"_s, u"x"_s}));
}

// Either form gives s itself back when it is all of s.
TEST(Lines, ReadsFirstLineAndLastBreak) {
    for (auto [text, first, feed] : {std::tuple{u"abc"sv, u"abc"sv, u""sv},
                                     {u"abc\r\n"sv, u"abc"sv, u"\r\n"sv},
                                     {Null, {}, {}}}) {
        const QString s = makeText(text);
        expectText(s, firstLine(s), first);
        expectText(s, feedOfLine(s), feed);
        EXPECT_EQ(hasFeedOfLine(s), !feed.empty()) << quoted(s);
    }
}
