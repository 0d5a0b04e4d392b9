#include "textlib/configtext.h"
#include "textlib/lines.h"
#include "textlib/reformatting.h"

#include "texttesting.h"

#include <gtest/gtest.h>

#include <vector>

using namespace std::literals;
using namespace textlib;
using namespace Qt::StringLiterals;

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

// Either form gives s itself back when it is all of s.
TEST(Lines, ReadsFirstLineAndLastBreak) {
    const struct {
        std::u16string_view text, first, feed;
    } rows[] = {{u"abc"sv, u"abc"sv, u""sv},
                {u"abc\r\n"sv, u"abc"sv, u"\r\n"sv},
                {u"a\u2028b\uFFFC"sv, u"a"sv, u"\uFFFC"sv},
                {u"\r\n\x03"sv, u""sv, u"\r\n\x03"sv},
                {u"a\x0B"sv, u"a\x0B"sv, u""sv},
                {{}, {}, {}}};
    for (const auto &k : rows) {
        SCOPED_TRACE(quoted(k.text));
        const QString s = makeText(k.text);
        expectText(s, firstLine(s), k.first);
        expectText(s, feedOfLine(s), k.feed);
        EXPECT_EQ(hasFeedOfLine(s), !k.feed.empty());
    }
}

TEST(ConfigText, Lines) {
    const struct {
        std::u16string_view text;
        std::vector<std::u16string_view> expected;
    } rows[] = {{u"# comment\n  key value  \n\nx\nk v"sv, {u"key value"sv, u"k v"sv}},
                {u"a b\r\nc d\r\n"sv, {u"a b"sv, u"c d"sv}},
                {u"a b\u2028c d\u2029e f\x03gh\uFEFFij\x0Ckl\uFFFCmn"sv,
                 {u"a b"sv, u"c d"sv, u"e f"sv, u"gh"sv, u"ij"sv, u"kl"sv, u"mn"sv}},
                // VT and NEL are white but break no line.
                {u" a b\x0B\x85"
                 u"c\u00A0\u3000\n"sv,
                 {u"a b\x0B\x85"
                  u"c"sv}},
                {u"\0k\tv\0"sv, {u"k\tv"sv}},
                {u"a#b\n\t#x\n#\n"sv, {u"a#b"sv}},
                {u"ab\n a \nb"sv, {u"ab"sv}},
                {{}, {}}};
    for (const auto &k : rows) {
        SCOPED_TRACE(quoted(k.text));
        QStringList expected;
        for (auto line : k.expected)
            expected.append(makeText(line));
        EXPECT_EQ(configLines(makeText(k.text)), expected);
    }
}

TEST(ConfigText, ValueForKey) {
    const struct {
        std::u16string_view line, key, value;
    } rows[] = {{u"Width\t42 \u00A0"sv, u"WIDTH"sv, u"42"sv},
                {u"\u00E9t\u00E9\n1"sv, u"\u00C9T\u00C9"sv, u"1"sv},
                {u"Width  42"sv, u"wid"sv, {}}, // the unit after the key is not white
                {u"Width \t\0"sv, u"width"sv, {}},
                {u"x width 42"sv, u"width"sv, {}},
                {u"stra\u00DFe x"sv, u"STRASSE"sv, {}},
                {u"x y"sv, u""sv, {}},
                {u" y"sv, u""sv, {}},
                {u"x y"sv, {}, {}},
                {{}, u"x"sv, {}}};
    for (const auto &k : rows) {
        SCOPED_TRACE(quoted(k.line) + " " + quoted(k.key));
        expectText(configValueForKey(makeText(k.line), makeText(k.key)), k.value);
    }
}

TEST(ConfigText, TypedValueForKeys) {
    const QString alpha = u"alpha"_s, beta = u"beta"_s, gamma = u"gamma"_s;
    const struct {
        QString text;
        std::vector<QString> keys;
        qsizetype expected;
    } rows[] = {{u"Beta"_s, {alpha, beta, gamma}, 1},
                {u"delta"_s, {alpha, beta, gamma}, NotFound},
                {u"beta"_s, {alpha, QString(), beta}, NotFound}, // a null key ends the list
                {u"alpha"_s, {}, NotFound},
                {QString(), {alpha, QString()}, NotFound},
                {u""_s, {alpha, u""_s}, 1}};
    for (const auto &k : rows)
        EXPECT_EQ(typedValueForKeys(k.text, k.keys), k.expected) << quoted(k.text);
    EXPECT_EQ(typedValueForKeys(u"Beta"_s, {alpha, beta, gamma}), 1);
}

TEST(ReformattedMailing, RewritesBreaksAndBlanks) {
    const TextOp mailing{"mailing", nullptr, reformattedMailing};
    using C = TextOpCase;
    expectTextOps({
        C{mailing, u"Hello\r\n\r\n\r\nworld"sv, u"Hello\n\nworld"sv},
        C{mailing, u"a\r\nb\u2028c\u0003d"sv, u"a b c d"sv},
        // Kept before a line starting with a marker, after one ending with : or >.
        C{mailing, u"Items:\n- one\n/b\n}"sv, u"Items:\n- one\n/b\n}"sv},
        C{mailing, u"x>\ny\n> b"sv, u"x>\ny\n> b"sv},
        // A following space keeps the break; the blanks then shrink to one.
        C{mailing, u"a\n   b"sv, u"a\n b"sv},
        C{mailing, u"\nabc\n"sv, u"abc"sv},
        C{mailing, u"a\n\n"sv, u"a\n\n"sv},
        C{mailing, u"a \t\0 b   "sv, u"a b "sv},
        // An ideographic space is no U+0020: the break turns into a space of its own.
        C{mailing, u"a\n\u3000b"sv, u"a  b"sv},
        C{mailing, u"\xD800\n\xDC00"sv, u"\xD800 \xDC00"sv},
        C{mailing, {}, {}},
    });
}

TEST(ReformattedStringByRemovingCharacters, JoinsStrippedLinesIntoParagraphs) {
    const struct {
        std::u16string_view text, characters, expected;
    } rows[] = {
        {u"> Hello\n> world\n>\n> again"sv, u">"sv, u"Hello world\n\nagain"sv},
        {u"\na\nb\n"sv, {}, u"a b"sv},
        {u"a\r\n\r\n\r\nb"sv, {}, u"a\r\n\r\nb"sv},
        {u"a\n\u2028\nb"sv, {}, u"a\u2028\u2028b"sv},
        // The break on the last line is written once; an empty last line without one adds none.
        {u"a\n\n"sv, {}, u"a\n"sv},
        {u"a\n>"sv, u">"sv, u"a"sv},
        {u"a  b\t\tc\n d"sv, u""sv, u"a b c d"sv},
        // Stripping the breaks themselves still leaves each line's terminator to read.
        {u"a\n\nb"sv, u"\n"sv, u"a\n\nb"sv},
        {u""sv, {}, u""sv},
        {{}, u">"sv, {}},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(quoted(row.text));
        expectText(
            reformattedStringByRemovingCharactersOfString(
                makeText(row.text), QStringView(row.characters.data(), row.characters.size())),
            row.expected);
    }
}

} // namespace
