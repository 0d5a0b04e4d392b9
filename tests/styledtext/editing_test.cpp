#include "styledtesting.h"

#include "styledtext/editing.h"

#include <QFile>
#include <QTemporaryDir>

#include <functional>
#include <limits>

namespace {

using Edit = std::function<void(AttributedString &)>;
using namespace std::string_view_literals;
using Maybe = std::optional<AttributedString>;
constexpr qsizetype huge = std::numeric_limits<qsizetype>::max();
const TextAttachment picture{"a.png", "image/png", "png"};

// Styled text from its units and one code per unit: '.' plain, 'b' bold, 'r' red, 'c' blue,
// 'C' bold blue, 'u' underlined, 'U' bold underlined, 'l' a link to http://x, 'L' a bold one, 'p'
// a picture, 'P' a bold picture.
AttributedString coded(const QString &text, const char *codes) {
    AttributedString s;
    for (qsizetype k = 0; k < text.size(); ++k) {
        const std::string_view code(codes + k, 1);
        const auto in = [&](std::string_view set) { return set.find(code) != set.npos; };
        TextAttributes a = in("lL") ? linkAttributes(QUrl("http://x")) : TextAttributes();
        a.bold = in("bCULP");
        a.underline = a.underline || in("uU");
        if (in("rcC"))
            a.foregroundColor = code == "r" ? QColor(Qt::red) : QColor(Qt::blue);
        if (in("pP"))
            a.attachment = picture;
        s.append(AttributedString(text.mid(k, 1), a));
    }
    return s;
}

// Every unit its own attributes: unit k has font size k + 1, so where each unit of an edited
// text took its attributes from reads back as the letters 'a' + k ('-' for the defaults).
AttributedString tagged(const QString &text) {
    AttributedString s;
    for (qsizetype k = 0; k < text.size(); ++k)
        s.append(AttributedString(text.mid(k, 1), attrs().size(double(k + 1))));
    return s;
}
QString tags(const AttributedString &s) {
    QString result;
    for (qsizetype k = 0; k < s.length(); ++k) {
        const auto size = s.attributesAtIndex(k).fontSize;
        result += size ? QChar(u'a' + int(*size) - 1) : QChar(u'-');
    }
    return result;
}

TEST(StyledEditingTest, CharacterEditsKeepEachUnitsAttributes) {
    const struct {
        std::u16string_view text;
        Edit edit;
        std::u16string_view expected;
        const char *expectedTags;
    } cases[] = {
        {u"\na \u00A0b\n", [](auto &s) { removeWhiteSpaces(s); }, u"ab", "be"},
        {u"xabyab", [](auto &s) { EXPECT_EQ(deleteString(s, "ab"), 2); }, u"xy", "ad"},
        {u"abc", [](auto &s) { removeCharacterAtIndex(s, 3); }, u"abc", "abc"},
        {u"--a-b--", [](auto &s) { trimCharacter(s, u'-'); }, u"a-b", "cde"},
        {u"ab", [](auto &s) { insertCharacter(s, u'x', 0); }, u"xab", "aab"}, // the unit after
        // Equal units side by side: the edit's own position decides, not a guess.
        {u"ab", [](auto &s) { insertCharacter(s, u'b', 1); }, u"abb", "aab"},
        {u"a", [](auto &s) { appendUnichars(s, u"\U0001F600", 2); }, u"a\U0001F600", "aaa"},
        {u"ab", [](auto &s) { appendUnichars(s, nullptr, 2); }, u"ab", "ab"},
        {u"a\tb\tc", [](auto &s) { decodeTabs(s, 4); }, u"a   b   c", "abbbcddde"},
        {u"a\tb", [](auto &s) { decodeTabs(s, 0); }, u"a\tb", "abc"},
        {u"ab  cd  ef", [](auto &s) { encodeTabs(s, 4); }, u"ab\tcd\tef", "abcefgij"},
        {u"ae\u0301b\u212Bc", [](auto &s) { normalizeString(s); }, u"a\u00E9b\u00C5c", "abdef"},
        // A character beyond the BMP normalised to another, here a singleton.
        {u"a\U0002F800", [](auto &s) { normalizeString(s); }, u"a\u4E3D", "ab"},
        {u"aBa", [](auto &s) { replaceCharacter(s, u'b', u'x', Qt::CaseInsensitive); }, u"axa",
         "abc"},
        {u"a\t  b", [](auto &s) { removeMultipleSpaces(s); }, u"a b", "abe"},
        {u"\ta", [](auto &s) { removeMultipleSpaces(s); }, u" a", "ab"}, // a run of one
        {u"a\r\n\r\nb\u2028", [](auto &s) { removeMultipleFeeds(s); }, u"a\nb\n", "abfg"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(u16(c.text).toStdString() + " -> " + c.expectedTags);
        AttributedString s = tagged(u16(c.text));
        c.edit(s);
        EXPECT_EQ(s.string(), u16(c.expected));
        EXPECT_EQ(tags(s), QString::fromLatin1(c.expectedTags));
        EXPECT_TRUE(runsAreSound(s));
    }
}

TEST(StyledEditingTest, SetOverrideAndRemoveAttributesRunByRun) {
    const QVariant blue = QVariant::fromValue(QColor(Qt::blue));
    const struct {
        qsizetype location, length;
        QVariant value;
        const char *codes;
    } cases[] = {
        {1, 3, blue, "bCCcr"},
        {-5, 6, blue, "Cbbrr"},
        {huge, huge, blue, "bbbrr"},
        {3, 2, QVariant(), "bbb.."}, // removes the colour only
    };
    for (const auto &c : cases) {
        AttributedString s = coded("abcde", "bbbrr");
        setAttribute(s, Attribute::ForegroundColor, c.value, c.location, c.length);
        EXPECT_EQ(s, coded("abcde", c.codes)) << c.location << "," << c.length;
        EXPECT_TRUE(runsAreSound(s));
    }
    AttributedString s = coded("abcd", "bbrr");
    // An entry with an invalid value removes that attribute.
    overrideAttributes(s, {{Attribute::UnderlineStyle, 1}, {Attribute::ForegroundColor, {}}}, 1, 2);
    EXPECT_EQ(s, coded("abcd", "bUur"));
    removeAttribute(s, Attribute::UnderlineStyle);
    EXPECT_EQ(s, coded("abcd", "bb.r"));
}

TEST(StyledEditingTest, LinesFirstLineAndFeedOfLine) {
    const struct {
        AttributedString text;
        QStringList lines;
        const char16_t *first, *feed;
    } cases[] = {
        {AttributedString(), {}, nullptr, nullptr},
        {coded("a\r\nb\r\n", "bbrrr."), {"a\r\n", "b\r\n"}, u"a", u"\r\n"},
        // U+0003 breaks lines but is no feed; U+FFFC neither.
        {coded(u16(u"a\uFFFCb\u0003c\u2028"), "bbbbbb"),
         {u16(u"a\uFFFCb\u0003"), u16(u"c\u2028")},
         u"a\uFFFCb\u0003c",
         u"\u2028"},
        {coded(u16(u"x\uFEFF"), "rr"), {u16(u"x\uFEFF")}, u"x", u"\uFEFF"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.text));
        QList<AttributedString> expected;
        for (qsizetype at = 0; const QString &line : c.lines) {
            expected << c.text.attributedSubstringFromRange(at, line.size());
            at += line.size();
        }
        EXPECT_EQ(lines(c.text), expected);
        const auto piece = [&](const char16_t *units, bool atEnd) -> Maybe {
            if (!units)
                return std::nullopt;
            const qsizetype n = qsizetype(std::u16string_view(units).size());
            return c.text.attributedSubstringFromRange(atEnd ? c.text.length() - n : 0, n);
        };
        EXPECT_EQ(firstLine(c.text), piece(c.first, false));
        EXPECT_EQ(feedOfLine(c.text), piece(c.feed, true));
        EXPECT_EQ(hasFeedOfLine(c.text), c.feed != nullptr);
    }
    EXPECT_TRUE(lastCharacter(AttributedString()) == u'\0'
                && lastCharacter(coded("ab", "rr")) == u'b');
}

TEST(StyledEditingTest, LinksAndAttachmentsAreMade) {
    const QUrl url("http://example.com/a b");
    EXPECT_EQ(attributedStringWithLink(url),
              AttributedString("http://example.com/a%20b", linkAttributes(url)));
    const QFont font("Helvetica", 14);
    const Maybe described = attributedStringWithLink(QStringLiteral("http://x.org"), "X", font);
    EXPECT_EQ(described, AttributedString("X", linkAttributes(QUrl("http://x.org"), font)));
    EXPECT_FALSE(attributedStringWithLink(QVariant(QUrl()), "shown"));
    EXPECT_FALSE(attributedStringWithLink(QVariant(42), "shown"));
    EXPECT_FALSE(attributedStringWithAttachmentContents({}, "a.png"));
    const Maybe card = attributedStringWithAttachmentContents("BEGIN:VCARD", "Ann.VCF");
    ASSERT_TRUE(card && card->string() == u16(u"\uFFFC"));
    EXPECT_EQ(card->attributesAtIndex(0).attachment->preferredFilename, "Ann.VCF");

    QTemporaryDir dir;
    QFile file(dir.filePath("note.txt"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("hello") == 5);
    file.close();
    EXPECT_EQ(attributedStringWithAttachmentAtPath(file.fileName()),
              AttributedString::withAttachment({"note.txt", "text/plain", "hello"}));
    for (const QString &bad : {QString(), dir.path(), dir.filePath("missing")})
        EXPECT_FALSE(attributedStringWithAttachmentAtPath(bad)) << bad.toStdString();
}

TEST(StyledEditingTest, NumberOfAttachmentsLeavesOutContactCards) {
    const std::pair<TextAttachment, bool> cases[] = {
        {{"a.png", "image/png", "x"}, false},
        {{"c", "TEXT/X-VCARD", "x"}, true},
        {{"d.VCF", "", "x"}, true},
        {{"e.vcf.txt", "", "x"}, false},
    };
    AttributedString s = coded(u16(u"\uFFFC\uFFFC\uFFFC"), "pp."); // one run, two attachments
    for (const auto &[attachment, isCard] : cases) {
        EXPECT_EQ(isEmailContactCard(attachment), isCard)
            << attachment.preferredFilename.toStdString();
        s.append(AttributedString::withAttachment(attachment));
    }
    EXPECT_EQ(numberOfAttachments(s), 4);
}

TEST(StyledEditingTest, ContainsSubstring) {
    const AttributedString s = coded(u16(u"abc\0d"sv), "bbrrr");
    EXPECT_TRUE(containsSubstring(s, u"bc") && containsSubstring(s, u"\0d"sv));
    for (QStringView absent : {QStringView(u"\0e"sv), QStringView(u"BC"), QStringView(u""), {}})
        EXPECT_FALSE(containsSubstring(s, absent));
}

// Edits of whole runs: where inserted and appended text takes its attributes from, what removal,
// case changes, replacement and trimming leave of the runs.
TEST(StyledEditingTest, EditsKeepRunsInStep) {
    const auto ci = Qt::CaseInsensitive, cs = Qt::CaseSensitive;
    const auto trim = Attachments::Trim;
    const struct {
        std::u16string_view text;
        const char *codes;
        Edit edit;
        std::u16string_view expected;
        const char *expectedCodes;
    } cases[] = {
        {u"abc", "bbr", [](auto &s) { insertString(s, QStringLiteral("x"), 2); }, u"abxc", "bbbr"},
        {u"abc", "bbr", [](auto &s) { appendString(s, QStringLiteral("x")); }, u"abcx", "bbrr"},
        // An attachment never spreads to the units around it.
        {u"\uFFFC", "P", [](auto &s) { appendUnichar(s, u'x'); }, u"\uFFFCx", "Pb"},
        {u"\uFFFC", "P", [](auto &s) { insertString(s, QStringLiteral("x"), 0); }, u"x\uFFFC",
         "bP"},
        {u"abc", "bbr", [](auto &s) { setString(s, QStringLiteral("xy")); }, u"xy", "bb"},
        {u"abc", "bbr", [](auto &s) { insertStringAsLink(s, QStringLiteral("http://x"), 1); },
         u"ahttp://xbc", "bllllllllbr"},
        {u"abc", "bbr", [](auto &s) { appendStringAsLink(s, QString()); }, u"abc", "bbr"},
        {u"\uFFFC two \uFFFC!\uFFFC", "Prrrrrpb.", [](auto &s) { removeAttachments(s); },
         u" two !\uFFFC", "rrrrrb."},
        {u"see here.", "rrrrLLLLr", [](auto &s) { removeLinks(s); }, u"see here.", "rrrrbbbbr"},
        // A run may change its length; capitals start anew in every run.
        {u"oNe tWO thREE\u00DF", "......bbbbbbbr", uppercase, u"ONE TWO THREESS",
         "......bbbbbbbrr"},
        {u"oNe tWO thREE\u00DF", "......bbbbbbbr", capitalize, u"One TwO Three\u00DF",
         "......bbbbbbbr"},
        {u"ab-Ab-aB", "bbbbr...", [](auto &s) { EXPECT_EQ(replaceString(s, "ab", "x", ci), 3); },
         u"x-x-x", "bbb.."},
        {u"ab-Ab-aB", "bbbbr...",
         [](auto &s) { EXPECT_EQ(replaceString(s, QString(), "x", cs), 0); }, u"ab-Ab-aB",
         "bbbbr..."},
        {u" \n ", "bbb", [](auto &s) { trimWhiteSpacesAndAttachments(s, trim); }, u"", ""},
        {u"\uFFFC a b \uFFFC", "prrrrrp", [](auto &s) { trimWhiteSpacesAndAttachments(s, trim); },
         u"a b", "rrr"},
        {u" \uFFFC a b", "rprrrr",
         [](auto &s) { trimWhiteSpacesAndAttachments(s, Attachments::Keep); }, u"\uFFFC a b",
         "prrrr"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(u16(c.text).toStdString() + " -> " + u16(c.expected).toStdString());
        AttributedString s = coded(u16(c.text), c.codes);
        c.edit(s);
        EXPECT_EQ(s, coded(u16(c.expected), c.expectedCodes));
        EXPECT_TRUE(runsAreSound(s));
    }
    AttributedString s("x");
    appendStringAsLink(s, QStringLiteral("http://x"), QColor(Qt::yellow));
    EXPECT_EQ(
        s, styled({{"x", {}}, {"http://x", attrs{linkAttributes(QUrl("http://x"))}.bg(0xffff00)}}));
    s = AttributedString("ab");
    appendString(s, "go", QUrl("http://x"), {}, QColor(Qt::red), Underline::No, {});
    insertString(s, "go", QUrl(), QFont("Courier", 9), {}, Underline::Yes, {}, 0);
    EXPECT_EQ(s, styled({{"go", attrs().font("Courier").size(9).underlined()},
                         {"ab", {}},
                         {"go", attrs().fg(0xffff0000).linkTo("http://x")}}));
}

TEST(StyledEditingTest, ReplaceStringByLinksAndStyledText) {
    const TextAttributes linked = attrs().bolded().linkTo("http://x.org");
    AttributedString t = coded("[x] and [X]", "bbbbbbbbbbb");
    EXPECT_EQ(
        replaceString(t, "[x]", QStringLiteral("http://x.org"), QString(), Qt::CaseInsensitive), 2);
    const QString shown = QStringLiteral("http://x.org");
    EXPECT_EQ(t, styled({{shown, linked}, {" and ", attrs().bolded()}, {shown, linked}}));
    EXPECT_EQ(replaceString(t, shown, QVariant(), "X"), 0); // no link: nothing replaced
    // The paragraph style at each occurrence is laid over the styled replacement.
    const TextAttributes spaced = attrs().after(12);
    AttributedString s = styled({{"a ", {}}, {"$v", spaced}, {" $v", attrs().bolded()}});
    EXPECT_EQ(replaceString(s, "$v", coded("12", "r.")), 2);
    EXPECT_EQ(s, styled({{"a ", {}},
                         {"1", attrs{spaced}.fg(0xff0000)},
                         {"2", spaced},
                         {" ", attrs().bolded()},
                         {"1", attrs().fg(0xff0000)},
                         {"2", {}}}));
    EXPECT_EQ(replaceString(s, QString(), coded("x", ".")), 0);
}

} // namespace
