// RTF written by real programs: LibreOffice Writer 7.4 and pandoc 2.17 (see data/README.md).
#include "styledtesting.h"

#include <QFile>
#include <QSizeF>

namespace {

QByteArray dataFile(const char *name) {
    QFile file(QStringLiteral(STYLEDTEXT_TEST_DATA "/") + QLatin1StringView(name));
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

// The attributes of the first occurrence of a piece of text, which must lie in one run.
TextAttributes attributesOf(const AttributedString &s, const QString &piece) {
    const qsizetype at = s.string().indexOf(piece);
    EXPECT_GE(at, 0) << piece.toStdString();
    qsizetype start = 0, length = 0;
    const TextAttributes a = s.attributesAtIndex(std::max<qsizetype>(at, 0), &start, &length);
    EXPECT_LE(at + piece.size(), start + length) << piece.toStdString() << " spans runs";
    return a;
}

TEST(RtfFilesTest, LibreOfficeFormattedText) {
    const QByteArray rtf = dataFile("libreoffice_formatted.rtf");
    ASSERT_FALSE(rtf.isEmpty());
    QVariantMap document;
    const std::optional<AttributedString> s = AttributedString::fromRTF(rtf, &document);
    ASSERT_TRUE(s);
    EXPECT_TRUE(runsAreSound(*s));
    EXPECT_EQ(s->string(), u16(u"Bold and italic and underlined text.\n"
                               u"Red text on yellow.\n"
                               u"Visit the example site.\n"
                               u"Accents: café, naïve, Größe; Euro: 12 €; CJK: 日本語の文字\n"
                               u"Large serif 2*(3+4)^2\n"));
    EXPECT_TRUE(attributesOf(*s, u16(u"Bold")).bold);
    EXPECT_FALSE(attributesOf(*s, u16(u" and ")).bold);
    EXPECT_TRUE(attributesOf(*s, u16(u"italic")).italic);
    EXPECT_TRUE(attributesOf(*s, u16(u"underlined")).underline);
    EXPECT_EQ(attributesOf(*s, u16(u"Red text")).foregroundColor, QColor(255, 0, 0));
    EXPECT_EQ(attributesOf(*s, u16(u"yellow")).backgroundColor, QColor(255, 255, 0));
    const TextAttributes link = attributesOf(*s, u16(u"the example"));
    EXPECT_EQ(link.link, QUrl(QStringLiteral("https://example.com/path?q=1")));
    EXPECT_TRUE(link.underline);
    EXPECT_EQ(attributesOf(*s, u16(u" site.")).link, std::nullopt);
    const TextAttributes large = attributesOf(*s, u16(u"Large serif"));
    EXPECT_EQ(std::pair(large.fontFamily, large.fontSize),
              std::pair(std::optional<QString>("DejaVu Serif"), std::optional(18.0)));
    // Paragraph style "Text Body": no space before, 7 points after.
    const ParagraphStyle body =
        attributesOf(*s, u16(u"Visit")).paragraphStyle.value_or(ParagraphStyle());
    EXPECT_EQ(std::pair(body.paragraphSpacingBefore, body.paragraphSpacing), std::pair(0.0, 7.0));

    EXPECT_EQ(document.value(DocumentAttribute::Title), QStringLiteral("Sample"));
    EXPECT_EQ(document.value(DocumentAttribute::PaperSize), QVariant(QSizeF(595.3, 841.9)));
    EXPECT_EQ(document.value(DocumentAttribute::LeftMargin), QVariant(56.7));
    EXPECT_EQ(document.value(DocumentAttribute::RightMargin), QVariant(28.35));
}

TEST(RtfFilesTest, PandocFormattedText) {
    const std::optional<AttributedString> s =
        AttributedString::fromRTF(dataFile("pandoc_formatted.rtf"));
    ASSERT_TRUE(s);
    EXPECT_TRUE(runsAreSound(*s));
    EXPECT_EQ(s->string(), u16(u"Bold and italic text with a link and code.\n"
                               u"Accents: café, Größe; Euro: 12 €; CJK: 日本語\n"
                               u"Formula: 2*(3+4)^2\n"));
    EXPECT_TRUE(attributesOf(*s, u16(u"Bold")).bold);
    EXPECT_TRUE(attributesOf(*s, u16(u"italic")).italic);
    const TextAttributes link = attributesOf(*s, u16(u"link"));
    EXPECT_EQ(link.link, QUrl(QStringLiteral("https://pandoc.org/")));
    EXPECT_TRUE(link.underline);
    EXPECT_EQ(attributesOf(*s, u16(u"code")).fontFamily, QStringLiteral("Courier"));
    EXPECT_EQ(attributesOf(*s, u16(u"Formula")).fontFamily, QStringLiteral("Helvetica"));
    EXPECT_EQ(attributesOf(*s, u16(u"Formula"))
                  .paragraphStyle.value_or(ParagraphStyle())
                  .paragraphSpacing,
              9.0);
}

// The PNG of the picture; LibreOffice's metafile fallback beside it is not read.
TEST(RtfFilesTest, Pictures) {
    for (const char *name : {"libreoffice_picture.rtf", "pandoc_picture.rtf"}) {
        const std::optional<AttributedString> s = AttributedString::fromRTFD(dataFile(name));
        ASSERT_TRUE(s && s->string() == u16(u"Before \uFFFC after\n")) << name;
        const std::optional<TextAttachment> picture = s->attributesAtIndex(7).attachment;
        ASSERT_TRUE(picture) << name;
        EXPECT_EQ(picture->mimeType, QStringLiteral("image/png"));
        EXPECT_EQ(picture->contents, dataFile("dot.png"));
    }
}

// What the Add service does: read, append plain characters, write, read again.
TEST(RtfFilesTest, AppendingAResultKeepsEverything) {
    for (const char *name : {"libreoffice_formatted.rtf", "libreoffice_picture.rtf",
                             "pandoc_formatted.rtf", "pandoc_picture.rtf"}) {
        std::optional<AttributedString> s = AttributedString::fromRTFD(dataFile(name));
        ASSERT_TRUE(s) << name;
        const TextAttributes last = s->attributesAtIndex(s->length() - 1);
        s->appendString(QStringLiteral(" = 98"));
        EXPECT_EQ(s->attributesAtIndex(s->length() - 1), last) << name;
        const QByteArray written = s->containsAttachments() ? s->RTFDFromRange(0, s->length())
                                                            : s->RTFFromRange(0, s->length());
        EXPECT_EQ(AttributedString::fromRTFD(written), s) << name;
    }
}

// Every prefix of a real file is cut off, so none can be parsed, and none may crash.
TEST(RtfFilesTest, TruncatedFilesCannotBeParsed) {
    for (const char *name : {"libreoffice_formatted.rtf", "pandoc_picture.rtf"}) {
        QByteArray rtf = dataFile(name);
        while (!rtf.isEmpty() && (rtf.endsWith('\n') || rtf.endsWith('\r')))
            rtf.chop(1);
        ASSERT_TRUE(rtf.endsWith('}')) << name;
        for (qsizetype cut = 0; cut < rtf.size(); ++cut)
            ASSERT_EQ(AttributedString::fromRTF(rtf.first(cut)), std::nullopt)
                << name << " " << cut;
    }
}

} // namespace
