#include "styledtesting.h"

#include <QBuffer>
#include <QImage>
#include <QRegularExpression>
#include <QSizeF>

#include <limits>

namespace {

QByteArray rtfOf(const AttributedString &s) {
    return s.RTFFromRange(0, s.length());
}

// The control words of RTF output, in order ("b", "b0", "f1"...), escaped backslashes left out.
QStringList controlWords(const QByteArray &rtf) {
    static const QRegularExpression word(QStringLiteral(R"(\\([a-z]+-?\d*))"));
    QStringList words;
    for (const auto &m : word.globalMatch(QString::fromLatin1(rtf).remove(QStringLiteral("\\\\"))))
        words << m.captured(1);
    return words;
}

QByteArray imageOf(int width, int height, QRgb color, const char *format = "PNG") {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

attrs inParagraph(const ParagraphStyle &p, attrs a = {}) {
    return a.style(p);
}

TEST(RtfWriterTest, WritesSevenBitRtfThatOtherReadersUnderstand) {
    const std::pair<AttributedString, QList<QByteArray>> cases[] = {
        {styled({{"a", attrs().font("Helvetica").fg(0xff0000)},
                 {"b", attrs().font("Times").bg(0x00ff00).fg(0xff0000)}}),
         {R"({\rtf1\ansi\ansicpg1252\deff0\uc1)", R"({\f0\fnil\fcharset0 Helvetica;})",
          R"({\f1\fnil\fcharset0 Times;})",
          R"({\colortbl;\red255\green0\blue0;\red0\green255\blue0;})"}}, // entry 0 is "auto"
        // Readers would show text without a font in font 0 or the \deff font: no default font.
        {styled({{"a", attrs().font("Helvetica")}, {"b", {}}}),
         {R"({\rtf1\ansi\ansicpg1252\uc1)", R"({\fonttbl{\f1\fnil\fcharset0 Helvetica;}})"}},
        {styled({{"see ", {}}, {"here", attrs().linkTo("https://example.com/a?b=1")}}),
         {R"({\field{\*\fldinst{HYPERLINK "https://example.com/a?b=1"}}{\fldrslt here}})"}},
        {styled({{u16(u"é日\U0001F60A\u8000\uFFFF"), attrs().font(u16(u"Möbius"))}}),
         {R"(\u26085\'3f\u-10179\'3f\u-8694\'3f\u-32768\'3f\u-1\'3f)"}},
        // \plain resets the size too: the next sized run names its size again.
        {styled({{"a", attrs().size(9)}, {"b", {}}, {"c", attrs().size(9)}}), {"fs18"}},
        {AttributedString(u16(u"{a}\\\nb\tc\u00A0d\u0001e")),
         {"\\{a\\}\\\\\\par\nb\\tab c\\~d\\u1\\'3fe"}},
        {AttributedString(u16(u"\t x\t-1")), {R"(\tab  x\tab -1)"}}, // delimiters before text
        // Paragraphs in standard words where there are some, else in ignorable groups of our own.
        {styled({{"x", inParagraph({.minimumLineHeight = 12, .maximumLineHeight = 12})}}),
         {R"(\pard\sb0\sa0\sl-240\slmult0 )"}},
        {styled({{"x", inParagraph({.tabStops = {18, 36}})}}), {R"(\sa0\tx360\tx720 )"}},
        {styled({{"x", inParagraph({.tabStops = {}})}}), {R"(\sa0{\*\sumwisenotabs})"}},
        {styled({{"x", inParagraph({.lineBreakMode = LineBreakMode::TruncatingTail})}}),
         {R"({\*\sumwiselinebreak4})"}},
    };
    for (const auto &[s, written] : cases) {
        const QByteArray rtf = rtfOf(s);
        for (const QByteArray &piece : written)
            EXPECT_TRUE(rtf.contains(piece)) << piece.constData() << " in " << rtf.constData();
        EXPECT_TRUE(std::all_of(rtf.begin(), rtf.end(), [](char b) { return uchar(b) < 0x80; }));
        EXPECT_EQ(AttributedString::fromRTF(rtf), s);
    }
}

TEST(RtfWriterTest, ParagraphValuesOutsideWhatRtfHoldsAreLeftOut) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const ParagraphStyle given{.minimumLineHeight = -3,
                               .maximumLineHeight = nan,
                               .lineBreakMode = LineBreakMode(42),
                               .tabStops = {-1, std::numeric_limits<double>::infinity(), nan}};
    EXPECT_EQ(AttributedString::fromRTF(rtfOf(styled({{"x", inParagraph(given)}}))),
              styled({{"x", inParagraph({.tabStops = {}})}}));
}

TEST(RtfWriterTest, RangesAreClippedAndDocumentAttributesKept) {
    const AttributedString s = styled({{"aa", attrs().bolded()}, {"bb", attrs().italics()}});
    EXPECT_EQ(AttributedString::fromRTF(s.RTFFromRange(-2, 3)), styled({{"a", attrs().bolded()}}));

    const QVariantMap document{
        {DocumentAttribute::PaperSize, QSizeF(595.3, 841.9)},
        {DocumentAttribute::LeftMargin, 72.0},
        {DocumentAttribute::DefaultTabInterval, 35.45},
        {DocumentAttribute::Title, u16(u"Caf\u00E9 {x}")},
        {DocumentAttribute::Author, QStringLiteral("A\\B")},
    };
    QVariantMap read;
    EXPECT_EQ(AttributedString::fromRTF(s.RTFFromRange(0, 4, document), &read), s);
    EXPECT_EQ(read, document);
    // Unknown keys and values of the wrong kind do no harm.
    const QVariantMap odd{{QStringLiteral("Unknown"), 1},
                          {DocumentAttribute::LeftMargin, QStringLiteral("x")}};
    EXPECT_EQ(AttributedString::fromRTF(s.RTFFromRange(0, 4, odd)), s);
}

TEST(RtfWriterTest, PicturesKeepTheirBytesWhenRtfKnowsTheirType) {
    const QByteArray jpeg = imageOf(5, 7, 0xff808080, "JPEG");
    QByteArray brokenPng = imageOf(4, 3, 0);
    brokenPng[13] = 'X'; // no IHDR chunk: no size
    // the picture's type and size
    const std::pair<TextAttachment, QStringList> cases[] = {
        {{"p.png", "image/png", imageOf(4, 3, 0x0000ff)},
         {"pngblip", "picw4", "pich3", "picwgoal60", "pichgoal45"}},
        {{"p.jpg", "image/jpeg", jpeg},
         {"jpegblip", "picw5", "pich7", "picwgoal75", "pichgoal105"}},
        {{"p.png", "image/png", brokenPng}, {"pngblip"}},
        {{"p.jpg", "image/jpeg", jpeg.first(20)}, {"jpegblip"}},
        {{"a.wmf", "image/wmf", QByteArray::fromHex("d7cdc69a")}, {"wmetafile8"}},
    };
    static const QRegularExpression pictureWords(QStringLiteral("^pic[wh]|blip$|^wmetafile"));
    for (const auto &[attachment, words] : cases) {
        AttributedString s = styled({{"before ", attrs().bolded()}});
        s.append(AttributedString::withAttachment(attachment, attrs().italics()));
        s.appendString(QStringLiteral(" after"));
        const QByteArray rtfd = s.RTFDFromRange(0, s.length());
        EXPECT_EQ(controlWords(rtfd).filter(pictureWords), words) << rtfd.constData();
        EXPECT_EQ(AttributedString::fromRTFD(rtfd), s);
        // Plain RTF leaves attachments out.
        EXPECT_EQ(AttributedString::fromRTF(rtfOf(s)),
                  styled({{"before ", attrs().bolded()}, {" after", attrs().italics()}}));
    }
}

TEST(RtfWriterTest, OtherImagesBecomePngAndOtherFilesAreLeftOut) {
    AttributedString s =
        AttributedString::withAttachment({"p.bmp", "image/bmp", imageOf(2, 1, 0xff112233, "BMP")});
    s.appendString(QStringLiteral("|"));
    for (const TextAttachment &dropped : {TextAttachment{"doc.pdf", "application/pdf", "%PDF-1.4"},
                                          TextAttachment{"broken.gif", "image/gif", "not a gif"}})
        s.append(AttributedString::withAttachment(dropped));
    const std::optional<AttributedString> back =
        AttributedString::fromRTFD(s.RTFDFromRange(0, s.length()));
    ASSERT_TRUE(back && back->string() == u16(u"\uFFFC|"));
    const TextAttachment converted = *back->attributesAtIndex(0).attachment;
    EXPECT_EQ(converted.mimeType, QStringLiteral("image/png"));
    EXPECT_EQ(QImage::fromData(converted.contents, "PNG").pixel(1, 0), 0xff112233);
}

} // namespace
