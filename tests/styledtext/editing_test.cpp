#include "styledtesting.h"

#include "styledtext/editing.h"

#include <QFile>
#include <QTemporaryDir>

#include <functional>

namespace {

using Edit = std::function<void(AttributedString &)>;
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
    const std::tuple<std::u16string_view, Edit, std::u16string_view, const char *> cases[] = {
        {u"\na \u00A0b\n", [](auto &s) { removeWhiteSpaces(s); }, u"ab", "be"},
        {u"xabyab", [](auto &s) { EXPECT_EQ(deleteString(s, "ab"), 2); }, u"xy", "ad"},
        {u"--a-b--", [](auto &s) { trimCharacter(s, u'-'); }, u"a-b", "cde"},
        // The unit after; with equal units side by side the edit's own position decides.
        {u"ab", [](auto &s) { insertCharacter(s, u'b', 1); }, u"abb", "aab"},
        {u"a", [](auto &s) { appendUnichars(s, u"\U0001F600", 2); }, u"a\U0001F600", "aaa"},
        {u"a\tb\tc", [](auto &s) { decodeTabs(s, 4); }, u"a   b   c", "abbbcddde"},
        {u"ab  cd  ef", [](auto &s) { encodeTabs(s, 4); }, u"ab\tcd\tef", "abcefgij"},
        {u"ae\u0301b\u212Bc", [](auto &s) { normalizeString(s); }, u"a\u00E9b\u00C5c", "abdef"},
        // A character beyond the BMP normalised to another, here a singleton.
        {u"a\U0002F800", [](auto &s) { normalizeString(s); }, u"a\u4E3D", "ab"},
        {u"aBa", [](auto &s) { replaceCharacter(s, u'b', u'x', Qt::CaseInsensitive); }, u"axa",
         "abc"},
        {u"a\r\n\r\nb\u2028", [](auto &s) { removeMultipleFeeds(s); }, u"a\nb\n", "abfg"},
    };
    for (const auto &[text, edit, expected, expectedTags] : cases) {
        SCOPED_TRACE(u16(text).toStdString() + " -> " + expectedTags);
        AttributedString s = tagged(u16(text));
        edit(s);
        EXPECT_EQ(s.string(), u16(expected));
        EXPECT_EQ(tags(s), QString::fromLatin1(expectedTags));
        EXPECT_TRUE(runsAreSound(s));
    }
}

TEST(StyledEditingTest, SetOverrideAndRemoveAttributesRunByRun) {
    AttributedString s = coded("abcde", "bbbrr");
    setAttribute(s, Attribute::ForegroundColor, QVariant::fromValue(QColor(Qt::blue)), 1, 3);
    EXPECT_EQ(s, coded("abcde", "bCCcr"));
    setAttribute(s, Attribute::ForegroundColor, QVariant(), 3, 2); // removes the colour only
    EXPECT_EQ(s, coded("abcde", "bCC.."));
    // An entry with an invalid value removes that attribute.
    overrideAttributes(s, {{Attribute::UnderlineStyle, 1}, {Attribute::ForegroundColor, {}}}, 1, 2);
    EXPECT_EQ(s, coded("abcde", "bUU.."));
    removeAttribute(s, Attribute::UnderlineStyle);
    EXPECT_EQ(s, coded("abcde", "bbb.."));
}

TEST(StyledEditingTest, LinesFirstLineAndFeedOfLine) {
    // U+0003 breaks lines but is no feed; U+FFFC neither; CR LF is one break.
    const AttributedString s = coded(u16(u"a\uFFFCb\u0003c\r\n"), "bbbbrr.");
    const auto part = [&](qsizetype at, qsizetype n) {
        return s.attributedSubstringFromRange(at, n);
    };
    EXPECT_EQ(lines(s), QList({part(0, 4), part(4, 3)}));
    EXPECT_EQ(firstLine(s), part(0, 5));
    EXPECT_EQ(feedOfLine(s), part(5, 2));
    const AttributedString fed = coded("\nx", "rr");
    EXPECT_TRUE(lines(AttributedString()).isEmpty());
    EXPECT_FALSE(firstLine(fed) || feedOfLine(fed) || hasFeedOfLine(fed));
}

TEST(StyledEditingTest, LinksAndAttachmentsAreMade) {
    const QUrl url("http://example.com/a b");
    EXPECT_EQ(attributedStringWithLink(url),
              AttributedString("http://example.com/a%20b", linkAttributes(url)));
    EXPECT_FALSE(attributedStringWithAttachmentContents({}, "a.png"));
    const auto card = attributedStringWithAttachmentContents("BEGIN:VCARD", "Ann.VCF");
    ASSERT_TRUE(card && card->string() == u16(u"\uFFFC"));
    EXPECT_EQ(card->attributesAtIndex(0).attachment->preferredFilename, "Ann.VCF");

    QTemporaryDir dir;
    EXPECT_EQ(attributedStringWithAttachmentAtPath(putFile(dir.filePath("note.txt"), "hello")),
              AttributedString::withAttachment({"note.txt", "text/plain", "hello"}));
    EXPECT_FALSE(attributedStringWithAttachmentAtPath(dir.path()));
}

TEST(StyledEditingTest, NumberOfAttachmentsLeavesOutContactCards) {
    AttributedString s = coded(u16(u"\uFFFC\uFFFC\uFFFC"), "pp."); // one run, two attachments
    for (const TextAttachment &card :
         {TextAttachment{"c", "TEXT/X-VCARD", "x"}, {"d.VCF", "", "x"}}) {
        EXPECT_TRUE(isEmailContactCard(card));
        s.append(AttributedString::withAttachment(card));
    }
    EXPECT_FALSE(isEmailContactCard({"e.vcf.txt", "", "x"}));
    EXPECT_EQ(numberOfAttachments(s), 2);
}

// Edits of whole runs: where inserted and appended text takes its attributes from, what removal,
// case changes, replacement and trimming leave of the runs.
TEST(StyledEditingTest, EditsKeepRunsInStep) {
    const auto ci = Qt::CaseInsensitive;
    const auto trim = Attachments::Trim;
    const std::tuple<std::u16string_view, const char *, Edit, std::u16string_view, const char *>
        cases[] = {
            // An attachment never spreads to the units around it.
            {u"\uFFFC", "P", [](auto &s) { appendUnichar(s, u'x'); }, u"\uFFFCx", "Pb"},
            {u"abc", "bbr", [](auto &s) { insertStringAsLink(s, QStringLiteral("http://x"), 1); },
             u"ahttp://xbc", "bllllllllbr"},
            {u"\uFFFC two \uFFFC!\uFFFC", "Prrrrrpb.", [](auto &s) { removeAttachments(s); },
             u" two !\uFFFC", "rrrrrb."},
            {u"see here.", "rrrrLLLLr", [](auto &s) { removeLinks(s); }, u"see here.", "rrrrbbbbr"},
            // Capitals start anew in every run.
            {u"oNe tWO thREE\u00DF", "......bbbbbbbr", capitalize, u"One TwO Three\u00DF",
             "......bbbbbbbr"},
            {u"ab-Ab-aB", "bbbbr...",
             [](auto &s) { EXPECT_EQ(replaceString(s, "ab", "x", ci), 3); }, u"x-x-x", "bbb.."},
            {u"\uFFFC a b \uFFFC", "prrrrrp",
             [](auto &s) { trimWhiteSpacesAndAttachments(s, trim); }, u"a b", "rrr"},
        };
    for (const auto &[text, codes, edit, expected, expectedCodes] : cases) {
        SCOPED_TRACE(u16(text).toStdString() + " -> " + u16(expected).toStdString());
        AttributedString s = coded(u16(text), codes);
        edit(s);
        EXPECT_EQ(s, coded(u16(expected), expectedCodes));
    }
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
}

} // namespace
