#include "textlib/lines.h"

#include "texttesting.h"

#include <vector>

TEST(Lines, CutsAfterEveryBreak) {
    const struct {
        std::u16string_view text;
        QStringList lines;
    } rows[] = {
        {u"\r\r\n\nb", {u"\r"_s, u"\r\n"_s, u"\n"_s, u"b"_s}},
        {u"a\uFFFCb\u2028c\u2029\u0003a\uFEFF\x0C",
         {u"a\uFFFC"_s, u"b\u2028"_s, u"c\u2029"_s, u"\x03"_s, u"a\uFEFF"_s, u"\x0C"_s}},
        // VT, NEL and a lone surrogate are not breaks.
        {u"a\x0B\x85\xDBFF\x0E", {u"a\x0B\x85\xDBFF\x0E"_s}},
        {Null, {}},
    };
    for (const auto &k : rows) {
        EXPECT_EQ(lines(makeText(k.text)), k.lines) << quoted(k.text);
        EXPECT_EQ(numberOfLines(makeText(k.text)), k.lines.size());
    }
}

// Whatever the text, its lines join back to it, each ends with its break and holds no other,
// and a CR line is never followed by an LF line. Short texts over the interesting units are
// tried exhaustively; longer ones put CR LF, a lone CR, or a unit next in value to a break at
// every edge of the eight-unit scan blocks.
TEST(Lines, EveryTextCutsWell) {
    std::vector<QString> texts;
    const char16_t alphabet[] = {u'a', u'\r', u'\n', u'\x0B', u'\u2029'};
    for (int n = 0; n < 5 * 5 * 5 * 5 * 5 * 5; ++n) {
        texts.emplace_back();
        for (int rest = n; rest; rest = (rest - 1) / 5) // every string, none left out
            texts.back().append(QChar(alphabet[(rest - 1) % 5]));
    }
    for (qsizetype length = 2; length <= 34; ++length) {
        for (qsizetype at = 0; at + 1 < length; ++at) {
            texts.push_back(QString(length, u'x').replace(at, 2, u"\r\n"_s));
            texts.push_back(QString(length, u'x').replace(at, 1, u'\r'));
        }
    }
    // Every break and its nearest non-breaks, anywhere in a text long enough for block scans.
    for (char16_t c : u"\x02\x03\x04\x09\x0A\x0B\x0C\x0D\x0E\x85\u2027\u2028\u2029\u202A"
                      u"\uFEFE\uFEFF\uFFFB\uFFFC\uFFFD\uFFFF") {
        for (qsizetype at = 0; at < 20; ++at)
            texts.push_back(QString(20, u'x').replace(at, 1, c));
    }
    for (const QString &s : texts) {
        const QStringList cut = lines(s);
        ASSERT_EQ(cut.join(QString()), s) << quoted(s);
        EXPECT_EQ(numberOfLines(s), cut.size());
        for (qsizetype i = 0; i < cut.size(); ++i) {
            const QString &line = cut[i];
            const qsizetype body = line.size() - (line.endsWith(u"\r\n") ? 2 : 1);
            for (qsizetype k = 0; k < body; ++k)
                EXPECT_FALSE(isFeed(line[k].unicode())) << quoted(s) << " line " << i;
            if (i + 1 < cut.size()) {
                EXPECT_TRUE(hasFeedOfLine(line)) << quoted(s) << " line " << i;
                EXPECT_FALSE(line.endsWith(u'\r') && cut[i + 1].startsWith(u'\n')) << quoted(s);
            }
        }
    }
}

// Either form gives s itself back when it is all of s.
TEST(Lines, ReadsFirstLineAndLastBreak) {
    for (auto [text, first, feed] : {std::tuple{u"abc"sv, u"abc"sv, u""sv},
                                     {u"abc\r\n"sv, u"abc"sv, u"\r\n"sv},
                                     {u"a\u2028b\uFFFC"sv, u"a"sv, u"\uFFFC"sv},
                                     {u"\r\n\x03"sv, u""sv, u"\r\n\x03"sv},
                                     {u"a\x0B"sv, u"a\x0B"sv, u""sv},
                                     {Null, {}, {}}}) {
        const QString s = makeText(text);
        expectText(s, firstLine(s), first);
        expectText(s, feedOfLine(s), feed);
        EXPECT_EQ(hasFeedOfLine(s), !feed.empty()) << quoted(s);
    }
}
