// Appending to RTF in place: where the text goes, and that nothing else changes. The text
// appended is the same in every row: only its place matters.
#include "styledtext/attributedstring.h"
#include "styledtext/rtfappend.h"

#include <gtest/gtest.h>

namespace {

TEST(RtfAppendTest, TextGoesAfterTheLastCharacterInItsGroup) {
    const struct {
        const char *name;
        QByteArray in;
        QByteArray out; // null: no complete document
    } cases[] = {
        {"plain", "{\\rtf1 2+3}", "{\\rtf1 2+3{ = 5}}"},
        {"a final paragraph keeps its break", "{\\rtf1 2+3\\par}", "{\\rtf1 2+3{ = 5}\\par}"},
        // An empty last paragraph gets the text, after its own formatting.
        {"empty last paragraph", "{\\rtf1 2+3\\par\\pard\\b\\par}",
         "{\\rtf1 2+3\\par\\pard\\b{ = 5}\\par}"},
        {"paragraph after a table", "{\\rtf1\\trowd\\cellx1\\intbl 2\\cell\\row\\pard\\i\\par}",
         "{\\rtf1\\trowd\\cellx1\\intbl 2\\cell\\row\\pard\\i{ = 5}\\par}"},
        {"backslash before a line break is a paragraph", "{\\rtf1 2+3\\\n}",
         "{\\rtf1 2+3{ = 5}\\\n}"},
        {"inside the innermost group", "{\\rtf1 {\\b 2+{\\i 3}\\i0}\\par}",
         "{\\rtf1 {\\b 2+{\\i 3{ = 5}}\\i0}\\par}"},
        {"formatting after the character is not the character's", "{\\rtf1 2+3\\b\\par}",
         "{\\rtf1 2+3{ = 5}\\b\\par}"},
        {"escaped last byte", "{\\rtf1 2+\\'33\\b0}", "{\\rtf1 2+\\'33{ = 5}\\b0}"},
        {"a control word without its space", "{\\rtf1 2\\emdash}", "{\\rtf1 2\\emdash{ = 5}}"},
        // The fallback of \u belongs to its character, also when a later text run holds it.
        {"\\u with \\uc2", "{\\rtf1\\uc2 2+\\u51\\'33\\'33}",
         "{\\rtf1\\uc2 2+\\u51\\'33\\'33{ = 5}}"},
        {"\\u fallback inside a text run", "{\\rtf1\\uc1 2+\\u51 ?\\par}",
         "{\\rtf1\\uc1 2+\\u51 ?{ = 5}\\par}"},
        {"fallback cut by a group", "{\\rtf1\\uc3 2+{\\u51 a}\\par}",
         "{\\rtf1\\uc3 2+{\\u51 a{ = 5}}\\par}"},
        {"destinations are not text", "{\\rtf1 2+3{\\*\\bkmkend x}{\\info{\\title t}}}",
         "{\\rtf1 2+3{ = 5}{\\*\\bkmkend x}{\\info{\\title t}}}"},
        {"binary data is not text", "{\\rtf1 2+3{\\*\\objdata \\bin2 }{}}",
         "{\\rtf1 2+3{ = 5}{\\*\\objdata \\bin2 }{}}"},
        // In the last cell of a table that ends the text, before the cell's end.
        {"table", "{\\rtf1\\trowd\\cellx1\\cellx2\\intbl 1+\\cell 2\\cell\\row}",
         "{\\rtf1\\trowd\\cellx1\\cellx2\\intbl 1+\\cell 2{ = 5}\\cell\\row}"},
        {"empty last cell",
         "{\\rtf1\\trowd\\cellx1\\intbl 2\\cell\\row\\trowd\\intbl\\b\\cell\\row}",
         "{\\rtf1\\trowd\\cellx1\\intbl 2\\cell\\row\\trowd\\intbl\\b{ = 5}\\cell\\row}"},
        // Other readers skip \*\shppict, and read \upr's first half: after those groups.
        {"picture last", "{\\rtf1 1;{\\*\\shppict{\\pict\\pngblip 89}}{\\nonshppict x}}",
         "{\\rtf1 1;{\\*\\shppict{\\pict\\pngblip 89}}{ = 5}{\\nonshppict x}}"},
        {"\\upr", "{\\rtf1 {\\upr{2+3}{\\*\\ud{2+3}}}\\par}",
         "{\\rtf1 {\\upr{2+3}{\\*\\ud{2+3}}}{ = 5}\\par}"},
        // Outside a group \upr makes the rest of the document its first half: this reader
        // would skip the text after \ud, so it stays in \ud.
        {"\\upr outside a group", "{\\rtf1 x\\upr{2+3}{\\*\\ud{2+3}}\\par}",
         "{\\rtf1 x\\upr{2+3}{\\*\\ud{2+3}{ = 5}}\\par}"},
        {"a picture outside any group ends the document", "{\\rtf1 2\\cell\\pict 89}",
         "{\\rtf1 2\\cell{ = 5}\\pict 89}"},
        {"no text at all", "{\\rtf1\\ansi\\par}", "{\\rtf1\\ansi{ = 5}\\par}"},
        {"bytes after the root group stay", "{\\rtf1 2+3}}x\n", "{\\rtf1 2+3{ = 5}}}x\n"},
        {"unbalanced", "{\\rtf1 {\\b 2+3}", {}},
        {"no room for one more group",
         "{\\rtf1 " + QByteArray(AttributedString::MaximumGroupDepth - 1, '{') + "2"
             + QByteArray(AttributedString::MaximumGroupDepth - 1, '}') + "}",
         {}},
        {"no header", "2+3", {}},
        {"cut inside \\bin", "{\\rtf1 2+3{\\*\\objdata \\bin9 }}", {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<QByteArray> out = rtfByAppending(c.in, u" = 5");
        if (c.out.isNull()) {
            EXPECT_FALSE(out);
            continue;
        }
        ASSERT_TRUE(out);
        EXPECT_EQ(*out, c.out);
        // The reader takes the text appended, and the document as it was around it.
        const std::optional<AttributedString> before = AttributedString::fromRTF(c.in);
        const std::optional<AttributedString> after = AttributedString::fromRTF(*out);
        ASSERT_TRUE(before && after);
        QString read = after->string();
        const qsizetype at = read.indexOf(u" = 5");
        ASSERT_GE(at, 0);
        EXPECT_EQ(read.remove(at, 4), before->string());
    }
}

TEST(RtfAppendTest, NonAsciiIsEscapedAndTheReaderSeesTheSameText) {
    const QByteArray in = "{\\rtf1\\uc0 {\\b x}\\par}";
    const std::optional<QByteArray> out = rtfByAppending(in, u" = 1\u066B5 {\\}");
    ASSERT_TRUE(out);
    EXPECT_EQ(*out, "{\\rtf1\\uc0 {\\b x{\\uc1  = 1\\u1643?5 \\{\\\\\\}}}\\par}");
    const auto styled = AttributedString::fromRTF(*out);
    ASSERT_TRUE(styled);
    EXPECT_EQ(styled->string(), u"x = 1\u066B5 {\\}\n"_qs);
    EXPECT_EQ(styled->attributesAtIndex(3), styled->attributesAtIndex(0));
}

} // namespace
