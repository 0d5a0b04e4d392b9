// Reading HTML into styled text: QTextDocument parses, its blocks and fragments become runs.
#include "styledtext/html.h"

#include "styledtext/editing.h"

#include "textlib/characters.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHash>
#include <QMimeDatabase>
#include <QSet>
#include <QStringDecoder>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>
#include <QTextTable>

#include <algorithm>
#include <array>
#include <cmath>

namespace {

// QTextDocument lengths are CSS pixels, 96 to the inch.
constexpr double PointsPerPixel = 0.75;

class OfflineDocument : public QTextDocument {
protected:
    // Qt reads nothing itself: pictures are read once the page is parsed, style sheets never.
    QVariant loadResource(int, const QUrl &) override { return {}; }
};

QString decode(const QByteArray &html) {
    QStringDecoder declared = QStringDecoder::decoderForHtml(html);
    if (declared.isValid()) {
        const QString text = declared.decode(html);
        // UTF-8 is also what an undeclared page gets: when the bytes are no UTF-8, the page is
        // older than that and most likely Windows-1252.
        if (!declared.hasError() || qstrcmp(declared.name(), "UTF-8") != 0)
            return text;
    }
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(html);
    if (!utf8.hasError())
        return text;
    QStringDecoder windows("windows-1252");
    return windows.isValid() ? QString(windows.decode(html)) : QString::fromLatin1(html);
}

bool isAsciiAlnum(char16_t c) {
    return textlib::isAsciiLetter(c) || textlib::isAsciiDigit(c);
}

// Elements that never hold others, or that the parser closes at their next sibling.
bool nests(const QString &name) {
    static const QSet<QString> flat = {
        QStringLiteral("area"),  QStringLiteral("base"),   QStringLiteral("basefont"),
        QStringLiteral("br"),    QStringLiteral("col"),    QStringLiteral("embed"),
        QStringLiteral("frame"), QStringLiteral("hr"),     QStringLiteral("img"),
        QStringLiteral("input"), QStringLiteral("keygen"), QStringLiteral("link"),
        QStringLiteral("meta"),  QStringLiteral("param"),  QStringLiteral("source"),
        QStringLiteral("track"), QStringLiteral("wbr"),    QStringLiteral("p"),
        QStringLiteral("li"),    QStringLiteral("dt"),     QStringLiteral("dd"),
        QStringLiteral("tr"),    QStringLiteral("td"),     QStringLiteral("th"),
    };
    return !flat.contains(name);
}

// Whether the tags stay within MaximumHTMLTags and their nesting, counted from above, within
// MaximumHTMLDepth; hasLinks tells whether any tag is an "a" element. One pass: every search
// starts where the last one ended.
bool withinLimits(const QString &html, bool &hasLinks) {
    const qsizetype size = html.size();
    qsizetype tags = 0, depth = 0;
    hasLinks = false;
    for (qsizetype i = html.indexOf(u'<'); i >= 0 && i + 1 < size; i = html.indexOf(u'<', i)) {
        if (QStringView(html).sliced(i).startsWith(u"<!--")) {
            const qsizetype end = html.indexOf(QLatin1StringView("-->"), i + 4);
            if (end < 0)
                break;
            i = end + 3;
            continue;
        }
        // The parser takes "< b >" and "< /b>" for tags too.
        qsizetype j = i + 1;
        const auto skipSpaces = [&] {
            while (j < size && html[j].isSpace())
                ++j;
        };
        skipSpaces();
        const bool closing = j < size && html[j] == u'/';
        if (closing) {
            ++j;
            skipSpaces();
        }
        QString name;
        while (j < size && isAsciiAlnum(html[j].unicode()) && name.size() < 16)
            name += html[j++].toLower();
        if (name.isEmpty()) {
            ++i;
            continue;
        }
        if (++tags > MaximumHTMLTags)
            return false;
        hasLinks = hasLinks || (!closing && name == u"a");
        const qsizetype end = html.indexOf(u'>', j);
        if (end < 0)
            break; // no tag can end after this one
        const bool selfClosing = html[end - 1] == u'/';
        if (closing && nests(name))
            depth = std::max<qsizetype>(0, depth - 1);
        else if (!closing && !selfClosing && nests(name) && ++depth > MaximumHTMLDepth)
            return false;
        i = end + 1;
    }
    return true;
}

std::optional<double> positive(double value) {
    return std::isfinite(value) && value > 0 ? std::optional<double>(value) : std::nullopt;
}

std::optional<double> fontSize(const QTextCharFormat &f) {
    if (f.hasProperty(QTextFormat::FontPointSize))
        return positive(f.fontPointSize());
    if (f.hasProperty(QTextFormat::FontPixelSize))
        return positive(f.intProperty(QTextFormat::FontPixelSize) * PointsPerPixel);
    if (f.hasProperty(QTextFormat::FontSizeAdjustment)) {
        // HTML's font sizes 1 to 7, which headings use too; 3 is the normal size.
        // 12 points times 0.7, 0.8, 1, 1.2, 1.5, 2 and 2.4.
        static constexpr std::array<double, 7> sizes = {8.4, 9.6, 12, 14.4, 18, 24, 28.8};
        const int index = std::clamp(f.intProperty(QTextFormat::FontSizeAdjustment) + 2, 0, 6);
        return sizes[size_t(index)];
    }
    return std::nullopt;
}

std::optional<QColor> brushColor(const QTextFormat &f, int property) {
    if (!f.hasProperty(property))
        return std::nullopt;
    const QBrush brush = f.brushProperty(property);
    if (brush.style() == Qt::NoBrush || !brush.color().isValid())
        return std::nullopt;
    return brush.color();
}

TextAttributes characterAttributes(const QTextCharFormat &f, const std::optional<QUrl> &base) {
    TextAttributes a;
    QStringList families = f.fontFamilies().toStringList();
    if (f.hasProperty(QTextFormat::FontFamily))
        families << f.stringProperty(QTextFormat::FontFamily);
    for (const QString &family : std::as_const(families)) {
        if (const QString trimmed = family.trimmed(); !trimmed.isEmpty()) {
            a.fontFamily = trimmed;
            break;
        }
    }
    a.fontSize = fontSize(f);
    a.bold = f.hasProperty(QTextFormat::FontWeight) && f.fontWeight() >= QFont::DemiBold;
    a.italic = f.fontItalic();
    a.underline = f.fontUnderline();
    if (f.hasProperty(QTextFormat::TextUnderlineColor) && f.underlineColor().isValid())
        a.underlineColor = f.underlineColor();
    a.foregroundColor = brushColor(f, QTextFormat::ForegroundBrush);
    a.backgroundColor = brushColor(f, QTextFormat::BackgroundBrush);
    if (f.isAnchor() && !f.anchorHref().isEmpty()) {
        const QUrl href(f.anchorHref());
        const QUrl link = base ? base->resolved(href) : href;
        if (link.isValid() && !link.isEmpty())
            a.link = link;
    }
    return a;
}

std::optional<ParagraphStyle> paragraphStyle(const QTextBlockFormat &f) {
    const int lineHeightType = f.lineHeightType();
    const bool hasHeight = f.hasProperty(QTextFormat::LineHeight)
                           && (lineHeightType == QTextBlockFormat::MinimumHeight
                               || lineHeightType == QTextBlockFormat::FixedHeight);
    if (!f.hasProperty(QTextFormat::BlockTopMargin)
        && !f.hasProperty(QTextFormat::BlockBottomMargin) && !hasHeight)
        return std::nullopt;
    ParagraphStyle p;
    p.paragraphSpacingBefore = positive(f.topMargin() * PointsPerPixel).value_or(0);
    p.paragraphSpacing = positive(f.bottomMargin() * PointsPerPixel).value_or(0);
    if (hasHeight) {
        p.minimumLineHeight = positive(f.lineHeight() * PointsPerPixel).value_or(0);
        if (lineHeightType == QTextBlockFormat::FixedHeight)
            p.maximumLineHeight = p.minimumLineHeight;
    }
    return p;
}

// The picture of a data: address with an image type, or nothing.
std::optional<TextAttachment> embeddedImage(const QString &source) {
    if (!source.startsWith(QLatin1StringView("data:"), Qt::CaseInsensitive))
        return std::nullopt;
    const qsizetype comma = source.indexOf(u',');
    if (comma < 0)
        return std::nullopt;
    const QStringList header = source.mid(5, comma - 5).split(u';');
    const QString mimeType = header.first().trimmed().toLower();
    if (!mimeType.startsWith(QLatin1StringView("image/")))
        return std::nullopt;
    const bool base64 =
        header.size() > 1
        && header.last().trimmed().compare(QLatin1StringView("base64"), Qt::CaseInsensitive) == 0;
    QByteArray contents = QByteArray::fromPercentEncoding(source.sliced(comma + 1).toLatin1());
    if (base64)
        contents = QByteArray::fromBase64(contents);
    if (contents.isEmpty() || contents.size() > AttributedString::MaximumPictureSize)
        return std::nullopt;
    static const QHash<QString, QString> suffixes = {
        {QStringLiteral("image/png"), QStringLiteral("png")},
        {QStringLiteral("image/jpeg"), QStringLiteral("jpg")},
        {QStringLiteral("image/gif"), QStringLiteral("gif")},
        {QStringLiteral("image/bmp"), QStringLiteral("bmp")},
        {QStringLiteral("image/webp"), QStringLiteral("webp")},
        {QStringLiteral("image/svg+xml"), QStringLiteral("svg")},
        {QStringLiteral("image/tiff"), QStringLiteral("tiff")},
    };
    const QString suffix = suffixes.value(mimeType);
    return TextAttachment{suffix.isEmpty() ? QStringLiteral("image")
                                           : QStringLiteral("image.") + suffix,
                          mimeType, contents};
}

// The pictures a page names by address, each read once.
class Pictures {
public:
    Pictures(const std::optional<QUrl> &base, const HTMLResourceLoader &loader)
        : m_base(base)
        , m_loader(loader) {}

    std::optional<TextAttachment> picture(const QString &source) {
        if (source.startsWith(QLatin1StringView("data:"), Qt::CaseInsensitive))
            return embeddedImage(source);
        const QUrl address = m_base ? m_base->resolved(QUrl(source)) : QUrl(source);
        if (!address.isValid() || address.isRelative())
            return std::nullopt;
        const auto known = m_loaded.constFind(address);
        if (known != m_loaded.cend())
            return *known;
        std::optional<QByteArray> bytes = m_loader ? m_loader(address) : readFile(address);
        std::optional<TextAttachment> picture;
        if (bytes && !bytes->isEmpty() && bytes->size() <= AttributedString::MaximumPictureSize) {
            QString name = QFileInfo(address.path()).fileName();
            if (name.isEmpty())
                name = QStringLiteral("image");
            const QString type = QMimeDatabase().mimeTypeForFileNameAndData(name, *bytes).name();
            if (type.startsWith(QLatin1StringView("image/")))
                picture = TextAttachment{name, type, *bytes};
        }
        m_loaded.insert(address, picture);
        return picture;
    }

private:
    std::optional<QByteArray> readFile(const QUrl &address) {
        if (!address.isLocalFile())
            return std::nullopt;
        const QFileInfo info(address.toLocalFile());
        // Regular files only: a pipe or a device could block or never end.
        if (!info.isFile() || info.size() > AttributedString::MaximumPictureSize
            || info.size() > MaximumHTMLPictureBytes - m_read)
            return std::nullopt;
        QFile file(info.filePath());
        if (!file.open(QIODevice::ReadOnly))
            return std::nullopt;
        // No more than the file holds: a read of the most allowed would take that much memory
        // first, for every small picture.
        QByteArray bytes = file.read(std::min(
            {info.size(), AttributedString::MaximumPictureSize, MaximumHTMLPictureBytes - m_read}));
        m_read += bytes.size();
        return bytes;
    }

    std::optional<QUrl> m_base;
    const HTMLResourceLoader &m_loader;
    QHash<QUrl, std::optional<TextAttachment>> m_loaded;
    qsizetype m_read = 0;
};

QString listMarker(const QTextBlock &block) {
    const QTextList *list = block.textList();
    if (!list)
        return QString();
    const QTextListFormat format = list->format();
    QString marker(std::max(0, format.indent() - 1), u'\t');
    switch (format.style()) {
    case QTextListFormat::ListDisc:
        return marker + QChar(0x2022) + u' ';
    case QTextListFormat::ListCircle:
        return marker + QChar(0x25E6) + u' ';
    case QTextListFormat::ListSquare:
        return marker + QChar(0x25AA) + u' ';
    default:
        return marker + list->itemText(block) + u' ';
    }
}

// "\t" after a cell that has another to its right, "\n" after anything else.
char16_t separatorAfter(const QTextBlock &block) {
    QTextCursor cursor(block);
    const QTextTable *table = cursor.currentTable();
    if (!table)
        return u'\n';
    const QTextTableCell cell = table->cellAt(block.position());
    if (!cell.isValid() || cell.lastCursorPosition().block() != block)
        return u'\n';
    return cell.column() + cell.columnSpan() < table->columns() ? u'\t' : u'\n';
}

// The styled characters of a block; returns the attributes that the separator after it takes.
TextAttributes appendBlock(AttributedString &result, const QTextBlock &block,
                           const std::optional<QUrl> &base, Pictures &pictures) {
    const std::optional<ParagraphStyle> paragraph = paragraphStyle(block.blockFormat());
    TextAttributes last = characterAttributes(block.charFormat(), base);
    last.paragraphStyle = paragraph;
    bool first = true;
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        if (!fragment.isValid())
            continue;
        const QTextCharFormat format = fragment.charFormat();
        TextAttributes attributes = characterAttributes(format, base);
        attributes.paragraphStyle = paragraph;
        if (first) {
            TextAttributes markerAttributes = attributes;
            markerAttributes.link.reset();
            result.append(listMarker(block), markerAttributes);
            first = false;
        }
        const QString characters = fragment.text();
        if (format.isImageFormat()) {
            const std::optional<TextAttachment> image =
                pictures.picture(format.toImageFormat().name());
            const QString alt = format.stringProperty(QTextFormat::ImageAltText);
            for (const QChar c : characters) {
                if (c != AttachmentCharacter)
                    result.append(QStringView(&c, 1), attributes);
                else if (image)
                    result.append(AttributedString::withAttachment(*image, attributes));
                else if (!alt.isEmpty())
                    result.append(alt, attributes);
            }
        } else {
            result.append(characters, attributes);
        }
        last = attributes;
    }
    return last;
}

QTextFrame *frameOf(const QTextBlock &block) {
    return QTextCursor(block).currentFrame();
}

// Whether inner lies inside outer, not being outer.
bool isInside(const QTextFrame *inner, const QTextFrame *outer) {
    for (const QTextFrame *f = inner ? inner->parentFrame() : nullptr; f; f = f->parentFrame()) {
        if (f == outer)
            return true;
    }
    return false;
}

// QTextDocument keeps an empty block before and after every table; they are no paragraphs.
bool tableEdgeBefore(const QTextBlock &block) {
    return block.next().isValid() && isInside(frameOf(block.next()), frameOf(block));
}
bool tableEdgeAfter(const QTextBlock &block) {
    return block.previous().isValid() && isInside(frameOf(block.previous()), frameOf(block));
}

} // namespace

std::optional<QUrl> baseURLForWebKit(const QUrl &url) {
    if (!url.isValid() || url.isEmpty())
        return std::nullopt;
    return url;
}

std::optional<AttributedString> attributedStringWithHTML(const QByteArray &html,
                                                         const QUrl &baseUrl,
                                                         QVariantMap *documentAttributes,
                                                         const HTMLResourceLoader &loader) {
    if (documentAttributes)
        documentAttributes->clear();
    if (html.isEmpty() || html.size() > MaximumHTMLSize
        || !qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return std::nullopt;
    QString text = decode(html);
    // Browsers drop NULs from the text too.
    text.remove(QChar(0));
    bool hasLinks = false;
    if (!withinLimits(text, hasLinks))
        return std::nullopt;

    OfflineDocument document;
    const std::optional<QUrl> base = baseURLForWebKit(baseUrl);
    if (base)
        document.setBaseUrl(*base);
    // Without this, links would take the link colour of the desktop's palette. Only where
    // there are links: any style sheet makes the parser match rules at every element, which
    // costs more than the rest of the parse on deeply nested pages.
    if (hasLinks)
        document.setDefaultStyleSheet(QStringLiteral("a { color: %1; }").arg(linkColor().name()));
    document.setHtml(text);

    Pictures pictures(base, loader);
    AttributedString result;
    // The separator after the last block written, waiting for a block to follow.
    std::optional<AttributedString> separator;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const bool empty = block.length() <= 1;
        if (empty && tableEdgeAfter(block)) {
            // It stands for the end of the table; in a cell, the cell may end with it.
            if (separator)
                separator = AttributedString(QString(separatorAfter(block)),
                                             separator->attributesAtIndex(0));
            continue;
        }
        if (empty && tableEdgeBefore(block))
            continue;
        if (separator)
            result.append(*separator);
        TextAttributes last = appendBlock(result, block, base, pictures);
        last.link.reset();
        separator = AttributedString(QString(separatorAfter(block)), last);
    }

    if (documentAttributes) {
        const QString title = document.metaInformation(QTextDocument::DocumentTitle);
        if (!title.isEmpty())
            documentAttributes->insert(DocumentAttribute::Title, title);
    }
    return result;
}
