#include "styledtext/reformatting.h"

#include "styledtesting.h"

namespace {

const TextAttributes body = attrs().size(12);
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
    const std::tuple<AttributedString, AttributedString, bool> rows[] = {
        {{}, {}, false},
        {styled({{"  a \t\t b  \n", body}}), styled({{" a b \n", body}}), true},
        {styled({{u16(u"\uFFFC \uFFFC"), body}}), styled({{" ", body}}), false},
        // The attachment goes with its character.
        {styled({{"a", body}, {u16(u"\uFFFC"), picture}, {"b", body}}), styled({{"a b", body}}),
         true},
    };
    for (const auto &[given, expected, visible] : rows) {
        SCOPED_TRACE(testing::PrintToString(given));
        AttributedString line = given;
        EXPECT_EQ(trimForReformatting(line), visible);
        EXPECT_EQ(line, expected);
    }
}

TEST(ReformattingTest, JoinsLinesIntoParagraphs) {
    const TextAttributes size14 = attrs().size(14);
    const QString x120(120, u'x'), x119(119, u'x');
    const struct {
        const char *name;
        AttributedString input, expected;
        QString characters = {};
    } rows[] = {
        {"same font, CR LF and U+2028", text(u"a\r\nb\u2028c\nd\r\n"), text(u"a b c d")},
        {"exactly 2 larger", styled({{"a\n", body}, {"b", size14}}),
         styled({{"a\n\n", body}, {"b", size14}})},
        {"121 units", text(x120 + "\nnext"), text(x120 + "\n\nnext")},
        {"120 units", text(x119 + "\nnext"), text(x119 + " next")},
        {"quote markers", text(u"> quoted\n> text\n>\n>> more"), text(u"quoted text\n\nmore"), ">"},
        // Spacing above 1 point ends a paragraph; the joiners carry the breaks, so it is cleared.
        {"spacing above 1", styled({{"a\n", attrs().size(12).after(2)}, {"b", body}}),
         styled({{"a\n\n", cleared}, {"b", body}})},
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
    }
}

} // namespace
