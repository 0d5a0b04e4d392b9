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

TEST(RtfFilesTest, FormattedText) {
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
          {u" and ", lo},
          {u"italic", attrs(lo).italics()},
          {u"underlined", attrs(lo).underlined()},
          {u"Red text", attrs(lo).fg(0xff0000)},
          {u"yellow", attrs(lo).bg(0xffff00)},
          {u"the example",
           attrs(lo).underlined().fg(0x000080).linkTo("https://example.com/path?q=1")},
          {u" site.", lo},
          {u"Large serif", attrs(lo).size(18)}}},
        {"pandoc_formatted.rtf",
         u"Bold and italic text with a link and code.\n"
         u"Accents: café, Größe; Euro: 12 €; CJK: 日本語\nFormula: 2*(3+4)^2\n",
         {{u"Bold", attrs(pd).bolded()},
          {u"italic", attrs(pd).italics()},
          {u"link", attrs(pd).underlined().linkTo("https://pandoc.org/")},
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
            EXPECT_EQ(attributesOf(*s, u16(piece)), expected) << u16(piece).toStdString();
    }
    QVariantMap document;
    ASSERT_TRUE(AttributedString::fromRTF(dataFile("libreoffice_formatted.rtf"), &document));
    for (const auto &[key, value] : {std::pair(DocumentAttribute::Title, QVariant("Sample")),
                                     {DocumentAttribute::PaperSize, QSizeF(595.3, 841.9)},
                                     {DocumentAttribute::LeftMargin, 56.7},
                                     {DocumentAttribute::RightMargin, 28.35}})
        EXPECT_EQ(document.value(key), value) << key.toStdString();
}

// What the Add service does: read, append plain characters, write, read again. Pictures keep
// their PNG; LibreOffice's metafile fallback beside it is not read.
TEST(RtfFilesTest, AppendingAResultKeepsEverything) {
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
