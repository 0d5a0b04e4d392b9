#include "styledtesting.h"

#include "styledtext/rtfappend.h"

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

// Whole documents, or bodies that read() wraps; no expected text: the document cannot be parsed.
TEST(RtfReaderTest, ReadsTheCharacters) {
    const auto nested = [](int depth) {
        return "{\\rtf1 " + QByteArray(depth - 1, '{') + "x" + QByteArray(depth - 1, '}') + "}";
    };
    const std::pair<QByteArray, std::u16string_view> cases[] = {
        {nested(AttributedString::MaximumGroupDepth), u"x"},
        {nested(AttributedString::MaximumGroupDepth + 1), {}},
        // Far deeper input ends early without using memory for every brace.
        {"{\\rtf1 " + QByteArray(5'000'000, '{'), {}},
        {R"({\rtf1 {\pict\pngblip\bin999999999 abc}})", {}},
        {R"({\rtf})", u""},
        {R"({\rtf1 {\b a})", {}},          // unbalanced
        {bytesOf("{\\rtf1 x}\0\0"), u"x"}, // some programs end their clipboard data with NULs
        // What follows the document's group is not read.
        {"{\\rtf1 {\\b a}b}c{\\rtf1 d}\\", u"ab"},
        {"a\x01\x1fg", u"ag"}, // control bytes dropped
        {R"(\foo-bar\foo \bar123 x\qux-5 y)", u"-barxy"},
        {R"(a\'zzb\'4gc)", u"azzb4gc"},
        // \u with its fallback characters.
        {R"(\u-10179?\u-8694?)", u"\U0001F60A"},
        {R"({\uc3\u233 a}b)", u"éb"}, // skipping ends with the group
        // Destinations.
        {R"({\stylesheet{\s0 Normal;}}{\*\unknown a{b}c}x)", u"x"},
        // A numbered heading's number and tab are no text.
        {R"(\pard\plain\s1{\listtext\pard\plain  1.\tab}\ls1 \li0{\loch 2+3}\par )", u"2+3\n"},
        // Code pages.
        {R"({\rtf1\ansi\deff0{\fonttbl{\f0 A;}{\f1\fcharset204 B;}}\f1\'c0\plain\'c0})", u"АÀ"},
        {R"({\rtf1\ansi{\fonttbl{\f1\fcharset128 M;}}\f1 \'93\'fa\'93\par x})", u"日\uFFFD\nx"},
        // Pages that do not read ASCII as ASCII (EBCDIC, UTF-16, UTF-7) are unknown ones.
        {R"({\rtf1\ansi\ansicpg931 2+3\'80})", u"2+3€"},
        {R"({\rtf1\ansi{\fonttbl{\f1\cpg65000 X;}}\f1 1+2})", u"1+2"},
    };
    for (const auto &[rtf, expected] : cases) {
        SCOPED_TRACE(rtf.left(60).constData());
        QVariantMap document{{QStringLiteral("stale"), 1}};
        const auto s = rtf.contains("\\rtf") || !expected.data()
                           ? AttributedString::fromRTF(rtf, &document)
                           : read(rtf);
        EXPECT_EQ(s.has_value(), expected.data() != nullptr);
        if (!s) {
            EXPECT_TRUE(document.isEmpty());
            continue;
        }
        EXPECT_EQ(s->string(), u16(expected));
        EXPECT_TRUE(runsAreSound(*s));
    }
}

TEST(RtfReaderTest, ReadsTheRuns) {
    const struct {
        QByteArray body;
        std::initializer_list<std::pair<QString, TextAttributes>> expected;
    } cases[] = {
        // Characters.
        {R"(\fs21 a\fs b\fs0 c\fs-4 d)", {{"a", H().size(10.5)}, {"bcd", H().size(12)}}},
        {R"(\cf1\cb2 a\cf0 b\cf9 c)",
         {{"a", H().fg(0xff0000).bg(0x0000ff)}, {"bc", H().bg(0x0000ff)}}},
        {R"({\b\f1 a{\i b}c}d)",
         {{"a", T().bolded()}, {"b", T().bolded().italics()}, {"c", T().bolded()}, {"d", H()}}},
        // Tab stops replace the defaults, sorted without repeats, whatever their kind.
        {R"(\tx1440\tqr\tx720\tldot\tx1440\tx90 a)", {{"a", P({.tabStops = {4.5, 36, 72}})}}},
        // Our own ignorable groups with bad values or in other destinations do nothing.
        {R"({\*\sumwiselinebreak6}{\*\sumwiselinebreak-1}{\*\sumwiselinebreak})"
         R"({\*\sumwisetightening0}a{\*\sumwisenotabs}\tx200 b)",
         {{"a", P({})}, {"b", P({.tabStops = {10}})}}},
        // Links.
        {R"({\field{\*\fldinst {\b HYPERLINK} "http://a.org/p" \\l "s"}{\fldrslt t}})",
         {{"t", H().linkTo("http://a.org/p#s")}}},
        // Whole documents: their font and colour tables.
        {R"({\rtf1{\fonttbl{\f0{\*\panose 020b0604}Arial{\*\falt Helv};}{\f1\fcharset204 \'c0;}})"
         R"(\f0 x\f1 y})",
         {{"x", attrs().font("Arial")}, {"y", attrs().font(u16(u"А"))}}},
        {R"({\rtf1{\colortbl;\red999\green-5\blue3;}\cf1 x})", {{"x", attrs().fg(0xff0003)}}},
    };
    for (const auto &[body, expected] : cases) {
        const std::optional<AttributedString> s =
            body.startsWith("{\\rtf") ? AttributedString::fromRTF(body) : read(body);
        EXPECT_EQ(s, styled(expected)) << body.constData();
    }
}

TEST(RtfReaderTest, PicturesBecomeAttachments) {
    const QByteArray x89 = QByteArray::fromHex("89");
    const qsizetype limit = AttributedString::MaximumPictureSize;
    const auto picture = [](qsizetype bytes) {
        return "{\\pict\\pngblip\\bin" + QByteArray::number(bytes) + " " + QByteArray(bytes, 'x')
               + "}";
    };
    const std::tuple<QByteArray, std::u16string_view, std::optional<TextAttachment>> cases[] = {
        {"{\\pict\\jpegblip ffd8f}", u"\uFFFC",
         TextAttachment{"image.jpg", "image/jpeg", QByteArray::fromHex("ffd8")}}, // odd nibble
        {bytesOf("{\\pict\\pngblip\\bin4 \x00{}\\}"), u"\uFFFC",
         TextAttachment{"image.png", "image/png", QByteArray("\x00{}\\", 4)}},
        {"{\\pict{\\*\\picprop{\\sp{\\sn wzDescription}{\\sv A dot}}"
         "{\\sp{\\sn wzName}{\\sv dot \\u246?.png}}}\\pngblip 89}",
         u"\uFFFC", TextAttachment{u16(u"dot ö.png"), "image/png", x89}},
        {"a{\\pict\\pngblip}b", u"ab", std::nullopt},
        // Pictures past the size limit are left out.
        {picture(limit), u"\uFFFC",
         TextAttachment{"image.png", "image/png", QByteArray(limit, 'x')}},
        {picture(limit + 1), u"", std::nullopt},
    };
    for (const auto &[body, text, attachment] : cases) {
        const std::optional<AttributedString> s = read(body);
        SCOPED_TRACE(body.left(80).constData());
        ASSERT_TRUE(s);
        EXPECT_EQ(s->string(), u16(text));
        const qsizetype anchor = s->string().indexOf(QChar(0xFFFC));
        EXPECT_EQ(s->attributesAtIndex(anchor).attachment, attachment);
    }
}

// RTF written by real programs, LibreOffice Writer 7.4 and pandoc 2.17 (see data/README.md), and
// what the Add service does to it: read, append plain characters, write, read again. Pictures keep
// their PNG; LibreOffice's metafile fallback beside it is not read.
QByteArray dataFile(const char *name) {
    return readFile(QStringLiteral(STYLEDTEXT_TEST_DATA "/") + QLatin1StringView(name));
}

TEST(RtfReaderTest, FilesOfOtherProgramsKeepEverythingWhenAppendedTo) {
    // A file, the text of its link and where the link goes.
    const std::tuple<const char *, const char16_t *, const char *> files[] = {
        {"libreoffice_formatted.rtf", u"example", "https://example.com/path?q=1"},
        {"pandoc_formatted.rtf", u"link", "https://pandoc.org/"},
        {"libreoffice_picture.rtf", nullptr, nullptr},
        {"pandoc_picture.rtf", nullptr, nullptr},
    };
    for (const auto &[name, linkText, link] : files) {
        SCOPED_TRACE(name);
        std::optional<AttributedString> s = AttributedString::fromRTFD(dataFile(name));
        ASSERT_TRUE(s && runsAreSound(*s));
        if (link) {
            EXPECT_TRUE(s->string().contains(u16(u"Accents: café, ")));
            EXPECT_TRUE(s->string().contains(u16(u"; Euro: 12 €; CJK: 日本語")));
            EXPECT_EQ(s->attributesAtIndex(s->string().indexOf(u16(linkText))).link, QUrl(link));
        } else {
            EXPECT_EQ(s->string(), u16(u"Before \uFFFC after\n"));
            EXPECT_EQ(s->attributesAtIndex(7).attachment->contents, dataFile("dot.png"));
        }
        const TextAttributes last = s->attributesAtIndex(s->length() - 1);
        s->appendString(QStringLiteral(" = 98"));
        EXPECT_EQ(s->attributesAtIndex(s->length() - 1), last);
        EXPECT_EQ(AttributedString::fromRTFD(s->RTFDFromRange(0, s->length())), s);
    }
}

// Appending to RTF in place: '|' marks where " = 5" goes, as "{ = 5}"; a row without one is no
// complete document. The reader sees the text appended and the document as it was around it.
TEST(RtfReaderTest, AppendingInPlaceGoesAfterTheLastCharacterInItsGroup) {
    const QByteArray deep(AttributedString::MaximumGroupDepth - 1, '{');
    const QByteArray rows[] = {
        "{\\rtf1 {\\b 2+{\\i 3|}\\i0}\\par}",
        "{\\rtf1\\uc2 2+\\u51\\'33\\'33|}", // the fallback of \u belongs to its character
        "{\\rtf1\\trowd\\cellx1\\cellx2\\intbl 1+\\cell 2|\\cell\\row}", // before the cell's end
        // Other readers read \upr's first half: after it; outside a group this reader would skip
        // the text after \ud, so it stays in \ud (found by fuzzing, as the picture below).
        "{\\rtf1 {\\upr{2+3}{\\*\\ud{2+3}}}|\\par}",
        "{\\rtf1 x\\upr{2+3}{\\*\\ud{2+3}|}\\par}",
        "{\\rtf1 2\\cell|\\pict 89}",
        "{\\rtf1 2+3|}}x\n", // bytes after the root group stay
        "{\\rtf1 " + deep + "2" + QByteArray(deep.size(), '}') + "}", // no room for a group
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
