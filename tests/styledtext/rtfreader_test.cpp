#include "styledtesting.h"

#include "styledtext/rtfappend.h"

#include <QFile>
#include <QSizeF>

namespace {

// A document around a body, with a font and a colour table that the bodies below refer to.
std::optional<AttributedString> read(const QByteArray &body) {
    return AttributedString::fromRTF(
        R"({\rtf1\ansi\deff0{\fonttbl{\f0\fswiss Helvetica;}{\f1\froman Times New Roman;}})"
        R"({\colortbl;\red255\green0\blue0;\red0\green0\blue255;})"
        + body + "}");
}

// Attributes in Helvetica (the default font of read()) or Times, or in Helvetica in a paragraph.
attrs H() {
    return attrs().font("Helvetica");
}
attrs T() {
    return attrs().font("Times New Roman");
}
attrs P(const ParagraphStyle &p) {
    return H().style(p);
}
using Texts = std::initializer_list<std::pair<QString, TextAttributes>>;

TEST(RtfReaderTest, NestingDepthIsCapped) {
    auto nested = [](int depth) {
        return "{\\rtf1 " + QByteArray(depth - 1, '{') + "x" + QByteArray(depth - 1, '}') + "}";
    };
    EXPECT_EQ(AttributedString::fromRTF(nested(AttributedString::MaximumGroupDepth)),
              AttributedString(QStringLiteral("x")));
    EXPECT_EQ(AttributedString::fromRTF(nested(AttributedString::MaximumGroupDepth + 1)),
              std::nullopt);
    // Far deeper input ends early without using memory for every brace.
    EXPECT_EQ(AttributedString::fromRTF("{\\rtf1 " + QByteArray(5'000'000, '{')), std::nullopt);
}

// Whole documents, or bodies that read() wraps; no expected text: the document cannot be parsed.
TEST(RtfReaderTest, ReadsTheCharacters) {
    const std::pair<QByteArray, std::u16string_view> cases[] = {
        {"", {}},
        {R"({\rtf1 {\pict\pngblip\bin999999999 abc}})", {}},
        {R"({\rtf})", u""},
        {R"({\rtf1 {\b a})", {}},          // unbalanced
        {bytesOf("{\\rtf1 x}\0\0"), u"x"}, // some programs end their clipboard data with NULs
        // What follows the document's group is not read.
        {"{\\rtf1 {\\b a}b}c{\\rtf1 d}\\", u"ab"},
        {R"(\{a\}\\)", u"{a}\\"},
        {R"(a\line b\tab c\page d)", u"a\u2028b\tc\u000Cd"},
        {"a\x01\x1fg", u"ag"}, // control bytes dropped
        {R"(\~\-\_)", u"\u00A0\u00AD\u2011"},
        {R"(\b a\b0  b)", u"a b"}, // the delimiting space is not text
        {R"(\foo-bar\foo \bar123 x\qux-5 y)", u"-barxy"},
        {R"(a\'zzb\'4gc)", u"azzb4gc"},
        {R"(a\cell b\cell\row c)", u"a\tb\t\nc"},
        // \u with its fallback characters.
        {R"(\u-10179?\u-8694?)", u"\U0001F60A"},
        {R"(\uc2\u26085\'93\'fax)", u"日x"},
        {R"(\u233\par x)", u"éx"},    // a control word is one fallback
        {R"({\uc3\u233 a}b)", u"éb"}, // skipping ends with the group
        {R"({\uc99999999\u233 abc}d)", u"éd"},
        // Destinations.
        {R"({\stylesheet{\s0 Normal;}}{\*\unknown a{b}c}x)", u"x"},
        {"a\\bin3 {}\\b", u"ab"},
        // A numbered heading's number and tab are no text, and neither is an old-style bullet.
        {R"(\pard\plain\s1{\listtext\pard\plain  1.\tab}\ls1 \li0{\loch 2+3}\par )", u"2+3\n"},
        {R"({\*\pn\pnlvlblt{\pntxtb\'b7}}{\pntext\f1\'b7\tab}item)", u"item"},
        {R"({\upr{caf\'e9}{\*\ud{caf\u233?}}})", u"café"},
        // Code pages.
        {R"({\rtf1\ansi \'80\'93\'e9\'9f})", u"€“éŸ"},
        {R"({\rtf1\ansi\ansicpg1251 \'c0\'e1\'e2})", u"Абв"},
        {R"({\rtf1\mac \'8e\'a5})", u"é•"},
        {R"({\rtf1\ansi{\fonttbl{\f1\fcharset0\cpg1251 X;}}\f1 \'c0})", u"А"},
        {R"({\rtf1\ansi\deff0{\fonttbl{\f0 A;}{\f1\fcharset204 B;}}\f1\'c0\plain\'c0})", u"АÀ"},
        {R"({\rtf1\ansi{\fonttbl{\f1\fcharset128 M;}}\f1 \'93\'fa\'93\par x})", u"日\uFFFD\nx"},
        // Pages that do not read ASCII as ASCII (EBCDIC, UTF-16, UTF-7) are unknown ones; a
        // yen sign at the backslash still leaves the rest ASCII.
        {R"({\rtf1\ansi\ansicpg931 2+3\'80})", u"2+3€"},
        {R"({\rtf1\ansi{\fonttbl{\f1\cpg65000 X;}}\f1 1+2})", u"1+2"},
        {R"({\rtf1\ansi\ansicpg943 2+3\'5c})", u"2+3\u00A5"},
    };
    for (const auto &[rtf, expected] : cases) {
        SCOPED_TRACE(rtf.constData());
        QVariantMap document{{QStringLiteral("stale"), 1}};
        const auto s = rtf.contains("\\rtf") || !expected.data()
                           ? AttributedString::fromRTF(rtf, &document)
                           : read(rtf);
        EXPECT_EQ(s.has_value(), expected.data() != nullptr);
        if (!s) {
            EXPECT_TRUE(document.isEmpty());
            EXPECT_EQ(AttributedString::fromRTFD(rtf), std::nullopt);
            continue;
        }
        EXPECT_EQ(s->string(), u16(expected));
        EXPECT_TRUE(runsAreSound(*s));
    }
}

TEST(RtfReaderTest, ReadsTheRuns) {
    const struct {
        QByteArray body;
        Texts expected;
    } cases[] = {
        // Characters.
        {R"(a\f1 b)", {{"a", H()}, {"b", T()}}},
        {R"(\b a\b0 b\b1 c)", {{"a", H().bolded()}, {"b", H()}, {"c", H().bolded()}}},
        {R"(\fs21 a\fs b\fs0 c\fs-4 d)", {{"a", H().size(10.5)}, {"bcd", H().size(12)}}},
        {R"(\cf1\cb2 a\cf0 b\cf9 c)",
         {{"a", H().fg(0xff0000).bg(0x0000ff)}, {"bc", H().bg(0x0000ff)}}},
        {R"({\b\f1 a{\i b}c}d)",
         {{"a", T().bolded()}, {"b", T().bolded().italics()}, {"c", T().bolded()}, {"d", H()}}},
        {R"(\f1\fs30\b\i\ul\cf1\cb2 a\plain b)",
         {{"a", T().size(15).bolded().italics().underlined().fg(0xff0000).bg(0x0000ff)},
          {"b", H()}}},
        {R"(\ul\ulc2 a\ulc0 b\plain\ulc9 c)",
         {{"a", H().underlined().ulc(0x0000ff)}, {"b", H().underlined()}, {"c", H()}}},
        // Paragraphs: spacing in twips; \plain and \pard reset only their own kind.
        {R"(\sb240\sa90 a\par\pard b)", {{"a\n", H().before(12).after(4.5)}, {"b", H()}}},
        {R"(\sb20\b a\plain b)", {{"a", H().before(1).bolded()}, {"b", H().before(1)}}},
        // Line heights and tab stops as word processors write them.
        {R"(\sl-300\slmult0 a)", {{"a", P({.minimumLineHeight = 15, .maximumLineHeight = 15})}}},
        {R"(\sl-276\sa40\slmult1 a)", {{"a", P({.paragraphSpacing = 2})}}}, // multiples: no height
        // Tab stops replace the defaults, sorted without repeats, whatever their kind.
        {R"(\tx1440\tqr\tx720\tldot\tx1440\tx90 a)", {{"a", P({.tabStops = {4.5, 36, 72}})}}},
        // Our own ignorable groups with bad values or in other destinations do nothing.
        {R"({\*\sumwiselinebreak6}{\*\sumwiselinebreak-1}{\*\sumwiselinebreak})"
         R"({\*\sumwisetightening0}a{\*\sumwisenotabs}\tx200 b)",
         {{"a", P({})}, {"b", P({.tabStops = {10}})}}},
        // Links.
        {R"({\field{\*\fldinst{HYPERLINK "https://a.org/x?y=1"}}{\fldrslt{\ul l}}} b)",
         {{"l", H().underlined().linkTo("https://a.org/x?y=1")}, {" b", H()}}},
        {R"({\field{\*\fldinst {\b HYPERLINK} "http://a.org/p" \\l "s"}{\fldrslt t}})",
         {{"t", H().linkTo("http://a.org/p#s")}}},
        {R"({\field{\*\fldinst HYPERLINK \\l "top"}{\fldrslt t}})", {{"t", H().linkTo("#top")}}},
        {R"({\field{\*\fldinst PAGE}{\fldrslt 3}})", {{"3", H()}}},
        // Whole documents: their font and colour tables.
        {R"({\rtf1{\fonttbl\f0\fswiss Arial;\f1 Times;}\f1 x})", {{"x", attrs().font("Times")}}},
        {R"({\rtf1{\fonttbl{\f0{\*\panose 020b0604}Arial{\*\falt Helv};}}\f0 x})",
         {{"x", attrs().font("Arial")}}},
        {R"({\rtf1{\fonttbl{\f1\fcharset204 \'c0rial;}}\f1 x})",
         {{"x", attrs().font(u16(u"Аrial"))}}},
        {R"({\rtf1{\colortbl\red1\green2\blue3;}\cf0 x})", {{"x", attrs().fg(0x010203)}}},
        {R"({\rtf1{\colortbl;\red999\green-5\blue3;}\cf1 x})", {{"x", attrs().fg(0xff0003)}}},
    };
    for (const auto &c : cases) {
        const std::optional<AttributedString> s =
            c.body.startsWith("{\\rtf") ? AttributedString::fromRTF(c.body) : read(c.body);
        EXPECT_EQ(s, styled(c.expected)) << c.body.constData();
        EXPECT_TRUE(s && runsAreSound(*s));
    }
}

TEST(RtfReaderTest, PicturesBecomeAttachments) {
    const QByteArray png = QByteArray::fromHex("89504e470d0a1a0a0000000d49484452");
    const QByteArray x89 = QByteArray::fromHex("89");
    const struct {
        QByteArray body;
        std::u16string_view text;
        std::optional<TextAttachment> attachment; // of the first U+FFFC
    } cases[] = {
        {"a{\\pict\\pngblip\\picw4\\pich3\\picwgoal60\\pichgoal45\n"
         "89504e470d0a1a0a\r\n0000000d49484452}b",
         u"a\uFFFCb", TextAttachment{"image.png", "image/png", png}},
        {"{\\pict\\jpegblip ffd8f}", u"\uFFFC",
         TextAttachment{"image.jpg", "image/jpeg", QByteArray::fromHex("ffd8")}}, // odd nibble
        {bytesOf("{\\pict\\pngblip\\bin4 \x00{}\\}"), u"\uFFFC",
         TextAttachment{"image.png", "image/png", QByteArray("\x00{}\\", 4)}},
        {"{\\pict{\\*\\picprop{\\sp{\\sn wzDescription}{\\sv A dot}}"
         "{\\sp{\\sn wzName}{\\sv dot \\u246?.png}}}\\pngblip 89}",
         u"\uFFFC", TextAttachment{u16(u"dot ö.png"), "image/png", x89}},
        {"a{\\*\\shppict{\\pict\\pngblip 89}}{\\nonshppict{\\pict\\wmetafile8 0100}}b", u"a\uFFFCb",
         TextAttachment{"image.png", "image/png", x89}},
        {"a{\\pict\\pngblip}b", u"ab", std::nullopt},
    };
    for (const auto &c : cases) {
        const std::optional<AttributedString> s = read(c.body);
        ASSERT_TRUE(s) << c.body.constData();
        EXPECT_EQ(s->string(), u16(c.text));
        EXPECT_EQ(s->containsAttachments(), c.attachment.has_value());
        const qsizetype anchor = s->string().indexOf(QChar(0xFFFC));
        EXPECT_EQ(s->attributesAtIndex(anchor).attachment, c.attachment) << c.body.constData();
    }
    // The picture takes the attributes around it.
    const auto linked =
        read(R"({\field{\*\fldinst HYPERLINK "http://a.org/"}{\fldrslt \b {\pict\pngblip 89}}})");
    EXPECT_EQ(
        linked,
        styled({{u16(u"\uFFFC"),
                 H().bolded().linkTo("http://a.org/").attached("image.png", "image/png", x89)}}));
}

TEST(RtfReaderTest, PicturesPastTheSizeLimitAreLeftOut) {
    const qsizetype limit = AttributedString::MaximumPictureSize;
    auto document = [](qsizetype bytes) {
        return "{\\rtf1 a{\\pict\\pngblip\\bin" + QByteArray::number(bytes) + " "
               + QByteArray(bytes, 'x') + "}b}";
    };
    const std::optional<AttributedString> atLimit = AttributedString::fromRTF(document(limit));
    ASSERT_TRUE(atLimit && atLimit->string() == u16(u"a\uFFFCb"));
    EXPECT_EQ(atLimit->attributesAtIndex(1).attachment->contents.size(), limit);
    EXPECT_EQ(AttributedString::fromRTF(document(limit + 1)),
              AttributedString(QStringLiteral("ab")));
}

TEST(RtfReaderTest, DocumentAttributes) {
    QVariantMap document;
    ASSERT_TRUE(AttributedString::fromRTF(
        R"({\rtf1\paperw1440{\info{\title Caf\'e9 {\b list}}{\author A \u-3913?}{\*\company C})"
        R"({\creatim\yr2024}}{\info{\keywords k1 k2}}x})",
        &document));
    // A paper size with one side takes Letter's other side.
    EXPECT_EQ(document, (QVariantMap{{DocumentAttribute::PaperSize, QSizeF(72, 792)},
                                     {DocumentAttribute::Title, u16(u"Café list")},
                                     {DocumentAttribute::Author, u16(u"A \uF0B7")},
                                     {DocumentAttribute::Keywords, QStringLiteral("k1 k2")}}));
    ASSERT_TRUE(AttributedString::fromRTF(R"({\rtf1 x})", &document));
    EXPECT_TRUE(document.isEmpty());
}

// RTF written by real programs: LibreOffice Writer 7.4 and pandoc 2.17 (see data/README.md).
QByteArray dataFile(const char *name) {
    QFile file(QStringLiteral(STYLEDTEXT_TEST_DATA "/") + QLatin1StringView(name));
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

TEST(RtfReaderTest, FilesOfOtherProgramsKeepTheirFormatting) {
    const attrs lo = attrs().font("DejaVu Serif").after(7), pd = attrs().font("Helvetica").after(9);
    const struct {
        const char *name;
        std::u16string_view text;
        std::initializer_list<std::pair<const char16_t *, TextAttributes>> pieces;
    } files[] = {
        {"libreoffice_formatted.rtf",
         u"Bold and italic and underlined text.\nRed text on yellow.\nVisit the example site.\n"
         u"Accents: café, naïve, Größe; Euro: 12 €; CJK: 日本語の文字\nLarge serif 2*(3+4)^2\n",
         {{u"Bold", attrs(lo).bolded()},
          {u"Red text", attrs(lo).fg(0xff0000)},
          {u"yellow", attrs(lo).bg(0xffff00)},
          {u"the example",
           attrs(lo).underlined().fg(0x000080).linkTo("https://example.com/path?q=1")},
          {u"Large serif", attrs(lo).size(18)}}},
        {"pandoc_formatted.rtf",
         u"Bold and italic text with a link and code.\n"
         u"Accents: café, Größe; Euro: 12 €; CJK: 日本語\nFormula: 2*(3+4)^2\n",
         {{u"link", attrs(pd).underlined().linkTo("https://pandoc.org/")},
          {u"code", attrs().font("Courier").after(9)},
          {u"Formula", pd}}},
    };
    for (const auto &file : files) {
        SCOPED_TRACE(file.name);
        const std::optional<AttributedString> s = AttributedString::fromRTF(dataFile(file.name));
        ASSERT_TRUE(s);
        EXPECT_TRUE(runsAreSound(*s));
        EXPECT_EQ(s->string(), u16(file.text));
        for (const auto &[piece, expected] : file.pieces)
            EXPECT_EQ(s->attributesAtIndex(s->string().indexOf(u16(piece))), expected)
                << u16(piece).toStdString();
    }
    QVariantMap document;
    ASSERT_TRUE(AttributedString::fromRTF(dataFile("libreoffice_formatted.rtf"), &document));
    for (const auto &[key, value] : {std::pair(DocumentAttribute::Title, QVariant("Sample")),
                                     {DocumentAttribute::PaperSize, QSizeF(595.3, 841.9)},
                                     {DocumentAttribute::LeftMargin, 56.7}})
        EXPECT_EQ(document.value(key), value) << key.toStdString();
}

// What the Add service does: read, append plain characters, write, read again. Pictures keep
// their PNG; LibreOffice's metafile fallback beside it is not read.
TEST(RtfReaderTest, AppendingToFilesOfOtherProgramsKeepsEverything) {
    for (const char *name : {"libreoffice_formatted.rtf", "libreoffice_picture.rtf",
                             "pandoc_formatted.rtf", "pandoc_picture.rtf"}) {
        std::optional<AttributedString> s = AttributedString::fromRTFD(dataFile(name));
        ASSERT_TRUE(s) << name;
        if (std::string_view(name).find("picture") != std::string_view::npos) {
            ASSERT_EQ(s->string(), u16(u"Before \uFFFC after\n")) << name;
            EXPECT_EQ(s->attributesAtIndex(7).attachment->mimeType, QStringLiteral("image/png"));
            EXPECT_EQ(s->attributesAtIndex(7).attachment->contents, dataFile("dot.png"));
        }
        const TextAttributes last = s->attributesAtIndex(s->length() - 1);
        s->appendString(QStringLiteral(" = 98"));
        EXPECT_EQ(s->attributesAtIndex(s->length() - 1), last) << name;
        const QByteArray written = s->containsAttachments() ? s->RTFDFromRange(0, s->length())
                                                            : s->RTFFromRange(0, s->length());
        EXPECT_EQ(AttributedString::fromRTFD(written), s) << name;
    }
}

// Appending to RTF in place: '|' marks where " = 5" goes, as "{ = 5}"; a row without one is no
// complete document. The reader sees the text appended and the document as it was around it.
TEST(RtfReaderTest, AppendingInPlaceGoesAfterTheLastCharacterInItsGroup) {
    const QByteArray deep(AttributedString::MaximumGroupDepth - 1, '{');
    const QByteArray rows[] = {
        "{\\rtf1 2+3|}",
        "{\\rtf1 2+3|\\par}",               // a final paragraph keeps its break
        "{\\rtf1 2+3\\par\\pard\\b|\\par}", // an empty last paragraph, after its own formatting
        "{\\rtf1 {\\b 2+{\\i 3|}\\i0}\\par}",
        "{\\rtf1 2+3|\\b\\par}",            // formatting after the character is not the character's
        "{\\rtf1\\uc2 2+\\u51\\'33\\'33|}", // the fallback of \u belongs to its character
        "{\\rtf1 2+3|{\\*\\bkmkend x}{\\info{\\title t}}}",
        "{\\rtf1\\trowd\\cellx1\\cellx2\\intbl 1+\\cell 2|\\cell\\row}", // before the cell's end
        // Other readers read \upr's first half: after it; outside a group this reader would skip
        // the text after \ud, so it stays in \ud (found by fuzzing, as the picture below).
        "{\\rtf1 {\\upr{2+3}{\\*\\ud{2+3}}}|\\par}",
        "{\\rtf1 x\\upr{2+3}{\\*\\ud{2+3}|}\\par}",
        "{\\rtf1 2\\cell|\\pict 89}",
        "{\\rtf1 2+3|}}x\n", // bytes after the root group stay
        "{\\rtf1 {\\b 2+3}",
        "{\\rtf1 " + deep + "2" + QByteArray(deep.size(), '}') + "}", // no room for a group
        "2+3",
        "{\\rtf1 2+3{\\*\\objdata \\bin9 }}",
    };
    for (const QByteArray &row : rows) {
        SCOPED_TRACE(row.constData());
        QByteArray in = row;
        const std::optional<QByteArray> out = rtfByAppending(in.replace("|", ""), u" = 5");
        if (!row.contains('|')) {
            EXPECT_FALSE(out);
            continue;
        }
        ASSERT_EQ(out, QByteArray(row).replace("|", "{ = 5}"));
        const std::optional<AttributedString> before = AttributedString::fromRTF(in);
        const std::optional<AttributedString> after = AttributedString::fromRTF(*out);
        ASSERT_TRUE(before && after);
        QString read = after->string();
        EXPECT_EQ(read.remove(u" = 5"_qs), before->string());
        EXPECT_EQ(read.size() + 4, after->length());
    }
    const std::optional<QByteArray> escaped =
        rtfByAppending("{\\rtf1\\uc0 {\\b x}\\par}", u" = 1\u066B5 {\\}");
    ASSERT_EQ(escaped, "{\\rtf1\\uc0 {\\b x{\\uc1  = 1\\u1643?5 \\{\\\\\\}}}\\par}");
    const auto styled = AttributedString::fromRTF(*escaped);
    ASSERT_TRUE(styled);
    EXPECT_EQ(styled->string(), u"x = 1\u066B5 {\\}\n"_qs);
    EXPECT_EQ(styled->attributesAtIndex(3), styled->attributesAtIndex(0));
}

} // namespace
