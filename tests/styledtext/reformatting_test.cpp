#include "styledtext/reformatting.h"

#include "styledtesting.h"

namespace {

const TextAttributes body = attrs().size(12);
const TextAttributes bodyBold = attrs().size(12).bolded();
const TextAttributes picture = attrs().size(12).attached("p.png", "image/png", "x");
const TextAttributes cleared = attrs().size(12).after(0);

using namespace std::string_view_literals;

AttributedString text(const QString &s) {
    return AttributedString(s, body);
}
AttributedString text(std::u16string_view s) {
    return text(u16(s));
}

TEST(ReformattingTest, TrimForReformattingCollapsesBlanksAndAttachments) {
    const struct {
        AttributedString line, expected;
        bool visible;
    } rows[] = {
        {{}, {}, false},
        {styled({{"  a \t\t b  \n", body}}), styled({{" a b \n", body}}), true},
        {styled({{u16(u"\uFFFC \uFFFC"), body}}), styled({{" ", body}}), false},
        {styled({{u16(u"\0\0x"sv), body}}), styled({{" x", body}}), true},
        // A blank run across two runs keeps its first unit's attributes.
        {styled({{"a  ", body}, {"  b", bodyBold}}), styled({{"a ", body}, {"b", bodyBold}}), true},
        // The attachment goes with its character.
        {styled({{"a", body}, {u16(u"\uFFFC"), picture}, {"b", body}}), styled({{"a b", body}}),
         true},
        {styled({{u16(u"\uFFFC"), picture}, {"\n", body}}), styled({{" \n", body}}), false},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(testing::PrintToString(r.line));
        AttributedString line = r.line;
        EXPECT_EQ(trimForReformatting(line), r.visible);
        EXPECT_EQ(line, r.expected);
        EXPECT_FALSE(line.containsAttachments());
        EXPECT_TRUE(runsAreSound(line));
    }
}

TEST(ReformattingTest, JoinsLinesIntoParagraphs) {
    const TextAttributes size13 = attrs().size(13), size14 = attrs().size(14);
    const QString x120(120, u'x'), x119(119, u'x');
    const QString x60(60, u'x'), x58(58, u'x'), spaced = x60 + QString(10, u' ') + x58;
    const struct {
        const char *name;
        AttributedString input, expected;
        QString characters = {};
    } rows[] = {
        {"same font, CR LF and U+2028", text(u"a\r\nb\u2028c\nd\r\n"), text(u"a b c d")},
        {"empty line", text(u"a\nb\n\nc\nd"), text(u"a b\n\nc d")},
        {"exactly 2 larger", styled({{"a\n", body}, {"b", size14}}),
         styled({{"a\n\n", body}, {"b", size14}})},
        {"1 larger", styled({{"a\n", body}, {"b", size13}}),
         styled({{"a\n", body}, {"b", size13}})},
        {"bold same size", styled({{"a\n", body}, {"B\n", bodyBold}, {"c", body}}),
         styled({{"a\n", body}, {"B\n", bodyBold}, {"c", body}})},
        {"121 units", text(x120 + "\nnext"), text(x120 + "\n\nnext")},
        {"120 units", text(x119 + "\nnext"), text(x119 + " next")},
        {"long until blanks collapse", text(spaced + "\nnext"), text(x60 + " " + x58 + " next")},
        {"quote markers", text(u"> quoted\n> text\n>\n>> more"), text(u"quoted text\n\nmore"), ">"},
        {"no characters", text(u">a\n>b"), text(u">a >b")},
        // Spacing above 1 point ends a paragraph; the joiners carry the breaks, so it is cleared.
        {"spacing above 1", styled({{"a\n", attrs().size(12).after(2)}, {"b", body}}),
         styled({{"a\n\n", cleared}, {"b", body}})},
        {"spacing 1", styled({{"a\n", attrs().size(12).after(1)}, {"b", body}}),
         styled({{"a ", cleared}, {"b", body}})},
        // The first unit's style is laid over its whole line.
        {"two styles in a line",
         styled({{"a", attrs().size(12).after(0.5)}, {"b\n", attrs().size(12).before(3)}}),
         styled({{"ab", cleared}})},
        {"NUL and surrogates", text(u16(u"\U0001F600\n\0b"sv)), text(u"\U0001F600 b")},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.name);
        const AttributedString result =
            reformattedAttributedStringByRemovingCharactersOfString(r.input, r.characters);
        EXPECT_EQ(result, r.expected);
        EXPECT_TRUE(runsAreSound(result));
    }
}

} // namespace
