#include "styledtesting.h"

#include <QBuffer>
#include <QImage>
#include <QRegularExpression>
#include <QSizeF>

#include <limits>
#include <random>

namespace {

QByteArray rtfOf(const AttributedString &s) {
    return s.RTFFromRange(0, s.length());
}

std::optional<AttributedString> roundTrip(const AttributedString &s) {
    return AttributedString::fromRTF(rtfOf(s));
}

// The control words of RTF output, in order ("b", "b0", "f1"...).
QStringList controlWords(const QByteArray &rtf) {
    QStringList words;
    static const QRegularExpression word(QStringLiteral(R"(\\([a-z]+-?\d*))"));
    // Escaped backslashes are no control words.
    QString text = QString::fromLatin1(rtf).replace(QLatin1StringView("\\\\"), QString());
    for (const QRegularExpressionMatch &m : word.globalMatch(text))
        words << m.captured(1);
    return words;
}

QByteArray pngOf(int width, int height, QRgb color) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

TEST(RtfWriterTest, HeaderAndTables) {
    const AttributedString s = styled({{"a", attrs().font("Helvetica").fg(0xff0000)},
                                       {"b", attrs().font("Times").bg(0x00ff00).fg(0xff0000)}});
    const QByteArray rtf = rtfOf(s);
    EXPECT_TRUE(rtf.startsWith(R"({\rtf1\ansi\ansicpg1252\deff0\uc1)")) << rtf.constData();
    EXPECT_TRUE(rtf.contains(R"({\f0\fnil\fcharset0 Helvetica;})")) << rtf.constData();
    EXPECT_TRUE(rtf.contains(R"({\f1\fnil\fcharset0 Times;})")) << rtf.constData();
    // Entry 0 stays "auto"; each colour once.
    EXPECT_TRUE(rtf.contains(R"({\colortbl;\red255\green0\blue0;\red0\green255\blue0;})"))
        << rtf.constData();
    EXPECT_TRUE(rtf.endsWith('}'));
}

TEST(RtfWriterTest, TextWithoutAFontNamesNoDefaultFont) {
    // Readers would show such text in font 0 or in the \deff font, not in their own default.
    const AttributedString s = styled({{"a", attrs().font("Helvetica")}, {"b", {}}});
    const QByteArray rtf = rtfOf(s);
    EXPECT_TRUE(rtf.startsWith(R"({\rtf1\ansi\ansicpg1252\uc1)")) << rtf.constData();
    EXPECT_TRUE(rtf.contains(R"({\fonttbl{\f1\fnil\fcharset0 Helvetica;}})")) << rtf.constData();
    EXPECT_EQ(roundTrip(s), s);
}

TEST(RtfWriterTest, OutputIsSevenBit) {
    const AttributedString s =
        styled({{u16(u"é日€\U0001F60A\u00A0\u2028\uFFFF\u0001"), attrs().font(u16(u"Möbius"))}});
    const QByteArray rtf = rtfOf(s);
    for (const char c : rtf)
        ASSERT_LT(uchar(c), 0x80) << rtf.constData();
    EXPECT_EQ(roundTrip(s), s);
}

struct EscapeCase {
    const char *name;
    QString text;
    const char *written;
    friend void PrintTo(const EscapeCase &c, std::ostream *os) { *os << c.name; }
};

class EscapeTest : public testing::TestWithParam<EscapeCase> {};

TEST_P(EscapeTest, WritesWhatOtherReadersUnderstand) {
    const AttributedString s(GetParam().text);
    const QByteArray rtf = rtfOf(s);
    EXPECT_TRUE(rtf.contains(GetParam().written)) << rtf.constData();
    EXPECT_EQ(roundTrip(s), s);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EscapeTest,
    testing::Values(EscapeCase{"Braces", u16(u"a{b}c\\"), R"(a\{b\}c\\)"},
                    EscapeCase{"AboveSigned16Bit", u16(u"\u8000\uFFFF"), R"(\u-32768\'3f\u-1\'3f)"},
                    EscapeCase{"SurrogatePair", u16(u"\U0001F60A"), R"(\u-10179\'3f\u-8694\'3f)"},
                    EscapeCase{"ParagraphBreak", u16(u"a\nb"), "a\\par\nb"},
                    EscapeCase{"Tab", u16(u"a\tb"), R"(a\tab b)"},
                    EscapeCase{"NoBreakSpace", u16(u"a\u00A0b"), R"(a\~b)"},
                    EscapeCase{"ControlCharacter", u16(u"a\u0001b"), R"(a\u1\'3fb)"},
                    EscapeCase{"SpaceAfterAControlWord", u16(u"\t x"), R"(\tab  x)"},
                    EscapeCase{"MinusAfterAControlWord", u16(u"\t-1"), R"(\tab -1)"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(RtfWriterTest, LinksBecomeHyperlinkFields) {
    const AttributedString s =
        styled({{"see ", {}}, {"here", attrs().linkTo("https://example.com/a?b=1")}, {" now", {}}});
    const QByteArray rtf = rtfOf(s);
    EXPECT_TRUE(rtf.contains(
        R"({\field{\*\fldinst{HYPERLINK "https://example.com/a?b=1"}}{\fldrslt here}})"))
        << rtf.constData();
    EXPECT_EQ(roundTrip(s), s);
}

// Every attribute the model holds survives writing and reading.
class RoundTripTest : public testing::TestWithParam<std::pair<const char *, AttributedString>> {};

TEST_P(RoundTripTest, ReadsBackEqual) {
    const AttributedString &s = GetParam().second;
    const std::optional<AttributedString> back = roundTrip(s);
    EXPECT_EQ(back, s) << rtfOf(s).constData();
    const std::optional<AttributedString> backD =
        AttributedString::fromRTFD(s.RTFDFromRange(0, s.length()));
    EXPECT_EQ(backD, s);
}

// The attributes with the paragraph style, and the underline colour when given.
TextAttributes inParagraph(const ParagraphStyle &p, TextAttributes a = {},
                           std::optional<QRgb> underlineColour = {}) {
    a.paragraphStyle = p;
    if (underlineColour)
        a.underlineColor = QColor::fromRgb(*underlineColour);
    return a;
}
using LBM = LineBreakMode;

const TextAttributes everything = inParagraph({.paragraphSpacingBefore = 6,
                                               .paragraphSpacing = 1.25,
                                               .minimumLineHeight = 14.5,
                                               .maximumLineHeight = 30,
                                               .lineBreakMode = LBM::TruncatingMiddle,
                                               .allowsDefaultTighteningForTruncation = true,
                                               .tabStops = {0.05, 36, 100.5}},
                                              attrs()
                                                  .font("Times New Roman")
                                                  .size(10.5)
                                                  .bolded()
                                                  .italics()
                                                  .underlined()
                                                  .fg(0x123456)
                                                  .bg(0xfedcba)
                                                  .linkTo("https://example.com/"));

INSTANTIATE_TEST_SUITE_P(
    Cases, RoundTripTest,
    testing::Values(
        std::pair{"Empty", AttributedString()},
        std::pair{"Everything",
                  styled({{"all", inParagraph(*everything.paragraphStyle, everything, 0xabcdef)}})},
        std::pair{"NothingThenEverythingThenNothing",
                  styled({{"none", {}}, {"all", everything}, {"none", {}}})},
        std::pair{"FontsWithAndWithout", styled({{"a", attrs().font("A")},
                                                 {"b", {}},
                                                 {"c", attrs().font("C")},
                                                 {"a", attrs().font("A")}})},
        std::pair{"FontNamesThatNeedEscapes",
                  styled({{"a", attrs().font(u16(u"Semi;colon {braces} \\ é"))},
                          {"b", attrs().font(u16(u"line\nbreak\ttab\u00A0nbsp"))}})},
        std::pair{"SizesUpAndDown", styled({{"a", attrs().size(8)},
                                            {"b", attrs().size(72)},
                                            {"c", {}},
                                            {"d", attrs().size(0.5)}})},
        std::pair{"ColoursOnAndOff", styled({{"a", attrs().fg(0xff0000)},
                                             {"b", attrs().fg(0xff0000).bg(0x000000)},
                                             {"c", attrs().bg(0x000000)},
                                             {"d", {}},
                                             {"e", attrs().fg(0xffffff)}})},
        std::pair{"AdjacentLinks", styled({{"one", attrs().linkTo("https://a.example/")},
                                           {"two", attrs().linkTo("https://b.example/")},
                                           {"bold", attrs().linkTo("https://b.example/").bolded()},
                                           {"end", attrs().bolded()}})},
        std::pair{"LinksWithOddAddresses",
                  styled({{"q", attrs().linkTo("https://example.com/a b?c=\"d\"&e={f}")},
                          {"m", attrs().linkTo("mailto:someone@example.org")},
                          {"r", attrs().linkTo("#anchor")},
                          {"u", attrs().linkTo(u16(u"https://exämple.com/päth"))},
                          {"f", attrs().linkTo("http://a.org/#b#c")}})},
        std::pair{"ParagraphSpacing", styled({{"a\n", attrs().before(12).after(3)},
                                              {"b\n", attrs().before(12)},
                                              {"c\n", {}},
                                              {"d", attrs().after(0)}})},
        std::pair{"LineHeights",
                  styled({{"a\n", inParagraph({.minimumLineHeight = 12})},
                          {"b\n", inParagraph({.maximumLineHeight = 0.05})},
                          {"c\n", inParagraph({.minimumLineHeight = 18, .maximumLineHeight = 18})},
                          {"d\n", inParagraph({.minimumLineHeight = 20, .maximumLineHeight = 10})},
                          {"e", {}}})},
        std::pair{"TabStops", styled({{"a\n", inParagraph({.tabStops = {}})},
                                      {"b\n", inParagraph({.tabStops = {0, 7.5}})},
                                      {"c\n", inParagraph({.tabStops = {28, 56}})},
                                      {"d", inParagraph({})}})},
        std::pair{"LineBreakModesAndTightening",
                  styled({{"a", inParagraph({.lineBreakMode = LBM::CharWrapping})},
                          {"b", inParagraph({.lineBreakMode = LBM::Clipping,
                                             .allowsDefaultTighteningForTruncation = true})},
                          {"c", inParagraph({.lineBreakMode = LBM::TruncatingHead})},
                          {"d", inParagraph({.allowsDefaultTighteningForTruncation = true})}})},
        std::pair{"UnderlineColours",
                  styled({{"a", inParagraph({}, attrs().underlined(), 0x00ff00)},
                          {"b", inParagraph({}, attrs().fg(0x00ff00), 0x00ff00)},
                          {"c", attrs().underlined()},
                          {"d", inParagraph({}, attrs().size(9), 0x000000)},
                          {"e", {}}})},
        std::pair{
            "SpecialCharactersInRuns",
            styled({{u16(u"\\{}\n\t\u2028\u000C\u00A0\u00AD\u2011"), attrs().bolded()},
                    {u16(u" \uFFFC") + QChar(0xD83D), attrs().italics()}, // a lone surrogate too
                    {u16(u"-1 2"), attrs().size(9)}})},
        std::pair{"ControlWordLikeText",
                  AttributedString(QStringLiteral("\\b0 {\\rtf1 \\'41 \\u65?}"))}),
    [](const auto &info) { return std::string(info.param.first); });

TEST(RtfWriterTest, ParagraphStylesUseStandardWordsWherePossible) {
    struct {
        ParagraphStyle style;
        QStringList words; // after \pard\sb0\sa0
        const char *own;   // an ignorable group of ours, if any
    } cases[] = {
        {{}, {}, nullptr},
        {{.minimumLineHeight = 12}, {"sl240", "slmult0"}, nullptr},
        {{.minimumLineHeight = 12, .maximumLineHeight = 12}, {"sl-240", "slmult0"}, nullptr},
        {{.maximumLineHeight = 9}, {"slmaximum180"}, nullptr},
        {{.tabStops = {36, 18}}, {"tx720", "tx360"}, nullptr},
        {{.tabStops = {}}, {"sumwisenotabs"}, "{\\*\\sumwisenotabs}"},
        {{.lineBreakMode = LBM::TruncatingTail}, {"sumwiselinebreak4"}, "{\\*\\sumwiselinebreak4}"},
        {{.allowsDefaultTighteningForTruncation = true},
         {"sumwisetightening"},
         "{\\*\\sumwisetightening}"},
    };
    for (const auto &c : cases) {
        const QByteArray rtf = rtfOf(styled({{"x", inParagraph(c.style)}}));
        const QStringList words = controlWords(rtf);
        EXPECT_EQ(words.mid(words.indexOf(QStringLiteral("pard"))),
                  QStringList({"pard", "sb0", "sa0"}) + c.words)
            << rtf.constData();
        EXPECT_TRUE(!c.own || rtf.contains(c.own)) << rtf.constData();
    }
}

TEST(RtfWriterTest, ParagraphValuesOutsideWhatRtfHolds) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double infinity = std::numeric_limits<double>::infinity();
    struct {
        ParagraphStyle given, readBack;
    } cases[] = {
        {{.minimumLineHeight = -3, .maximumLineHeight = nan}, {}},
        {{.minimumLineHeight = 10.01, .tabStops = {1.26}},
         {.minimumLineHeight = 10, .tabStops = {1.25}}},
        {{.tabStops = {72, 36, 72}}, {.tabStops = {36, 72}}},
        {{.tabStops = {-1, infinity, nan}}, {.tabStops = {}}},
        {{.lineBreakMode = LineBreakMode(42)}, {}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(roundTrip(styled({{"x", inParagraph(c.given)}})),
                  styled({{"x", inParagraph(c.readBack)}}));
}

TEST(RtfWriterTest, RangesAreWrittenAlone) {
    const AttributedString s = styled({{"aa", attrs().bolded()}, {"bb", attrs().italics()}});
    struct {
        qsizetype location, length;
    } ranges[] = {{1, 2}, {0, 4}, {2, 0}, {3, 100}, {-2, 3}, {10, 2}};
    for (const auto &r : ranges) {
        const std::optional<AttributedString> back =
            AttributedString::fromRTF(s.RTFFromRange(r.location, r.length));
        EXPECT_EQ(back, s.attributedSubstringFromRange(r.location, r.length))
            << r.location << "," << r.length;
    }
}

TEST(RtfWriterTest, DocumentAttributesRoundTrip) {
    const QVariantMap document{
        {DocumentAttribute::PaperSize, QSizeF(595.3, 841.9)},
        {DocumentAttribute::LeftMargin, 72.0},
        {DocumentAttribute::RightMargin, 28.35},
        {DocumentAttribute::TopMargin, 0.0},
        {DocumentAttribute::BottomMargin, 36.5},
        {DocumentAttribute::DefaultTabInterval, 35.45},
        {DocumentAttribute::Title, u16(u"Caf\u00E9 {x}")},
        {DocumentAttribute::Author, QStringLiteral("A\\B")},
        {DocumentAttribute::Subject, QStringLiteral("s")},
        {DocumentAttribute::Keywords, QStringLiteral("k")},
        {DocumentAttribute::Comment, QStringLiteral("c")},
    };
    const AttributedString s(QStringLiteral("x"));
    QVariantMap read;
    ASSERT_EQ(AttributedString::fromRTF(s.RTFFromRange(0, 1, document), &read), s);
    EXPECT_EQ(read.keys(), document.keys());
    for (auto it = document.begin(); it != document.end(); ++it)
        EXPECT_EQ(read.value(it.key()), it.value()) << it.key().toStdString();
    // Unknown keys and values of the wrong kind do no harm.
    const QVariantMap odd{{QStringLiteral("Unknown"), 1},
                          {DocumentAttribute::LeftMargin, QStringLiteral("x")}};
    ASSERT_EQ(AttributedString::fromRTF(s.RTFFromRange(0, 1, odd), &read), s);
}

// --- Attachments ---

TEST(RtfWriterTest, PlainRtfLeavesAttachmentsOut) {
    const TextAttachment picture{"dot.png", "image/png", pngOf(2, 2, 0xff0000)};
    AttributedString s = styled({{"a", attrs().bolded()}});
    s.append(AttributedString::withAttachment(picture, attrs().bolded()));
    s.append(styled({{"b", attrs().bolded()}}));
    const QByteArray rtf = rtfOf(s);
    EXPECT_FALSE(rtf.contains("\\pict")) << rtf.constData();
    EXPECT_EQ(AttributedString::fromRTF(rtf), styled({{"ab", attrs().bolded()}}));
}

TEST(RtfWriterTest, RtfdEmbedsPictures) {
    struct {
        const char *name;
        TextAttachment attachment;
        const char *word;
    } cases[] = {
        {"png", {"dot.png", "image/png", pngOf(3, 2, 0x00ff00)}, "\\pngblip"},
        {"jpeg",
         {"a.jpg", "image/jpeg", QByteArray::fromHex("ffd8ffe000104a464946")},
         "\\jpegblip"},
        {"emf", {"a.emf", "image/emf", QByteArray::fromHex("01000000")}, "\\emfblip"},
        {"wmf", {"a.wmf", "image/wmf", QByteArray::fromHex("d7cdc69a")}, "\\wmetafile8"},
        {"pict", {"a.pict", "image/x-pict", QByteArray::fromHex("0011")}, "\\macpict"},
        {"dib", {"a.dib", "image/x-dib", QByteArray::fromHex("28000000")}, "\\dibitmap0"},
        {"name with escapes", {u16(u"b{}\\ö.png"), "image/png", QByteArray("x")}, "\\pngblip"},
    };
    for (const auto &c : cases) {
        AttributedString s(QStringLiteral("before "));
        s.append(AttributedString::withAttachment(c.attachment, attrs().italics()));
        s.appendString(QStringLiteral(" after"));
        const QByteArray rtfd = s.RTFDFromRange(0, s.length());
        EXPECT_TRUE(rtfd.contains(c.word)) << c.name;
        const std::optional<AttributedString> back = AttributedString::fromRTFD(rtfd);
        EXPECT_EQ(back, s) << c.name << "\n" << rtfd.constData();
        EXPECT_TRUE(back && back->containsAttachments()) << c.name;
    }
}

TEST(RtfWriterTest, PictureSizeIsWrittenForKnownFormats) {
    QImage image(5, 7, QImage::Format_RGB32);
    image.fill(0xff808080);
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(image.save(&buffer, "JPEG"));
    QByteArray brokenPng = pngOf(4, 3, 0);
    brokenPng[13] = 'X'; // no IHDR chunk
    struct {
        const char *name;
        TextAttachment attachment;
        QStringList expected;
    } cases[] = {
        {"png",
         {"p.png", "image/png", pngOf(4, 3, 0x0000ff)},
         {"picw4", "pich3", "picwgoal60", "pichgoal45"}},
        {"jpeg", {"p.jpg", "image/jpeg", jpeg}, {"picw5", "pich7", "picwgoal75", "pichgoal105"}},
        {"broken png", {"p.png", "image/png", brokenPng}, {}},
        {"truncated jpeg", {"p.jpg", "image/jpeg", jpeg.first(20)}, {}},
        {"metafile", {"p.wmf", "image/wmf", "\xd7\xcd\xc6\x9a"}, {}},
    };
    for (const auto &c : cases) {
        const QStringList words =
            controlWords(AttributedString::withAttachment(c.attachment).RTFDFromRange(0, 1));
        QStringList sizes;
        for (const QString &word : words) {
            if (word.startsWith(QLatin1StringView("picw"))
                || word.startsWith(QLatin1StringView("pich")))
                sizes << word;
        }
        EXPECT_EQ(sizes, c.expected) << c.name;
    }
}

TEST(RtfWriterTest, OtherImagesBecomePngAndOtherFilesAreLeftOut) {
    QImage image(2, 1, QImage::Format_RGB32);
    image.setPixel(0, 0, 0xff112233);
    image.setPixel(1, 0, 0xff445566);
    QByteArray bmp;
    QBuffer buffer(&bmp);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(image.save(&buffer, "BMP"));

    AttributedString s = AttributedString::withAttachment({"p.bmp", "image/bmp", bmp});
    s.appendString(QStringLiteral("|"));
    s.append(AttributedString::withAttachment({"doc.pdf", "application/pdf", "%PDF-1.4"}));
    s.append(AttributedString::withAttachment({"broken.gif", "image/gif", "not a gif"}));
    s.append(AttributedString::withAttachment({"empty.png", "image/png", QByteArray()}));
    const std::optional<AttributedString> back =
        AttributedString::fromRTFD(s.RTFDFromRange(0, s.length()));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->string(), u16(u"\uFFFC|"));
    const TextAttachment converted = *back->attributesAtIndex(0).attachment;
    EXPECT_EQ(converted.mimeType, QStringLiteral("image/png"));
    QImage decoded;
    ASSERT_TRUE(decoded.loadFromData(converted.contents, "PNG"));
    EXPECT_EQ(decoded.pixel(0, 0), 0xff112233);
    EXPECT_EQ(decoded.pixel(1, 0), 0xff445566);
}

// Random styled texts from a palette of every attribute and awkward characters.
TEST(RtfWriterTest, RandomTextsRoundTrip) {
    std::mt19937 random(77);
    auto pick = [&](auto &list) { return list[random() % list.size()]; };
    const std::vector<std::optional<QString>> fonts = {std::nullopt, QStringLiteral("Helvetica"),
                                                       u16(u"Möbius;x"), QStringLiteral("{B}")};
    const std::vector<std::optional<double>> sizes = {std::nullopt, 9.0, 12.0, 10.5};
    const std::vector<std::optional<QColor>> colours = {std::nullopt, QColor(255, 0, 0),
                                                        QColor(1, 2, 3), QColor(255, 255, 255)};
    const std::vector<std::optional<QUrl>> links = {std::nullopt,
                                                    QUrl(QStringLiteral("https://a.example/x")),
                                                    QUrl(QStringLiteral("mailto:b@c.org"))};
    const std::vector<std::optional<double>> spacings = {std::nullopt, 0.0, 6.0, 12.5};
    const std::vector<double> heights = {0, 0, 9.5, 12, 40};
    const std::vector<QList<double>> tabStops = {
        ParagraphStyle::defaultTabStops(), ParagraphStyle::defaultTabStops(), {}, {0.5, 72}, {28}};
    // Single characters, and one pair of surrogates.
    std::vector<QString> characters = {u16(u"\U0001F60A")};
    for (const QChar c : u16(u"aZ7 \\{}\n\t?;-\u2028\u000C\u00A0\u00AD\u2011é€日\u0001\uFFFC"))
        characters.emplace_back(c);
    const TextAttachment picture{"p.png", "image/png", pngOf(1, 1, 0)};
    for (int round = 0; round < 300; ++round) {
        AttributedString s;
        const int runs = int(random() % 8);
        for (int r = 0; r < runs; ++r) {
            TextAttributes a;
            a.fontFamily = pick(fonts);
            a.fontSize = pick(sizes);
            a.bold = random() % 2;
            a.italic = random() % 2;
            a.underline = random() % 2;
            a.foregroundColor = pick(colours);
            a.backgroundColor = pick(colours);
            a.underlineColor = pick(colours);
            a.link = pick(links);
            if (const auto before = pick(spacings), after = pick(spacings); before || after)
                a.paragraphStyle =
                    ParagraphStyle{.paragraphSpacingBefore = before.value_or(0),
                                   .paragraphSpacing = after.value_or(0),
                                   .minimumLineHeight = pick(heights),
                                   .maximumLineHeight = pick(heights),
                                   .lineBreakMode = LineBreakMode(random() % 6),
                                   .allowsDefaultTighteningForTruncation = random() % 2 == 0,
                                   .tabStops = pick(tabStops)};
            if (random() % 6 == 0) {
                s.append(AttributedString::withAttachment(picture, a));
                continue;
            }
            QString text;
            for (int n = 1 + int(random() % 4); n > 0; --n)
                text += pick(characters);
            s.append(AttributedString(text, a));
        }
        ASSERT_EQ(AttributedString::fromRTFD(s.RTFDFromRange(0, s.length())), s)
            << "round " << round << "\n"
            << s.RTFDFromRange(0, s.length()).constData();
    }
}

} // namespace
