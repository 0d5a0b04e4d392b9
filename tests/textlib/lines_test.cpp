#include "textlib/lines.h"

#include "texttesting.h"

#include <gtest/gtest.h>

#include <vector>

using namespace std::literals;
using namespace textlib;

namespace {

TEST(Lines, CutsAfterEveryBreak) {
    const struct {
        std::u16string_view text;
        std::vector<std::u16string_view> lines;
    } rows[] = {
        {u"a\r\nb\n"sv, {u"a\r\n"sv, u"b\n"sv}},
        {u"\r\r\n\nb"sv, {u"\r"sv, u"\r\n"sv, u"\n"sv, u"b"sv}},
        {u"a\uFFFCb\u2028c\u2029\u0003a\uFEFF\x0C"sv,
         {u"a\uFFFC"sv, u"b\u2028"sv, u"c\u2029"sv, u"\x03"sv, u"a\uFEFF"sv, u"\x0C"sv}},
        // VT, NEL and a lone surrogate are not breaks.
        {u"a\x0B\x85\xDBFF\x0E"sv, {u"a\x0B\x85\xDBFF\x0E"sv}},
        {{}, {}},
    };
    for (const auto &k : rows) {
        const QString s = makeText(k.text);
        QStringList expected;
        for (auto line : k.lines)
            expected.append(makeText(line));
        EXPECT_EQ(lines(s), expected) << quoted(k.text);
        EXPECT_EQ(numberOfLines(s), expected.size());
    }
}

// Whatever the text, its lines join back to it, each ends with its break and holds no other,
// and a CR line is never followed by an LF line. Short texts over the interesting units are
// tried exhaustively; longer ones put CR LF, a lone CR, or a unit next in value to a break at
// every edge of the eight-unit scan blocks.
TEST(LinesProperties, EveryTextCutsWell) {
    std::vector<QString> texts;
    const char16_t alphabet[] = {u'a', u'\r', u'\n', u'\x0B', u'\u2029'};
    for (int n = 0; n < 5 * 5 * 5 * 5 * 5 * 5; ++n) {
        texts.emplace_back();
        for (int rest = n; rest; rest = (rest - 1) / 5) // every string, none left out
            texts.back().append(QChar(alphabet[(rest - 1) % 5]));
    }
    for (qsizetype length = 2; length <= 34; ++length) {
        for (qsizetype at = 0; at + 1 < length; ++at) {
            texts.push_back(QString(length, u'x').replace(at, 2, QStringLiteral("\r\n")));
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

// first and feed are the expected firstLine and feedOfLine; the flags ask for s itself back.
TEST(Lines, ReadsFirstLineAndLastBreak) {
    const struct {
        std::u16string_view text, first, feed;
        bool sameFirst, sameFeed;
    } rows[] = {
        {u"abc"sv, u"abc"sv, u""sv, true, false},
        {u"abc\r\n"sv, u"abc"sv, u"\r\n"sv, false, false},
        {u"a\u2028b\uFFFC"sv, u"a"sv, u"\uFFFC"sv, false, false},
        {u"\r\n\x03"sv, u""sv, u"\r\n\x03"sv, false, true},
        {u"a\x0B"sv, u"a\x0B"sv, u""sv, true, false},
        {{}, {}, {}, true, true},
    };
    for (const auto &k : rows) {
        SCOPED_TRACE(quoted(k.text));
        const QString s = makeText(k.text);
        const QString first = firstLine(s), feed = feedOfLine(s);
        expectText(first, k.first);
        expectText(feed, k.feed);
        EXPECT_EQ(first.constData() == s.constData(), k.sameFirst);
        EXPECT_EQ(feed.constData() == s.constData(), k.sameFeed);
        EXPECT_EQ(hasFeedOfLine(s), !k.feed.empty());
    }
}

} // namespace
