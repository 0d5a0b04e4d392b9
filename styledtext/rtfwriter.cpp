// Writing styled text as RTF: tables first, then the runs with the fewest control words that
// take the reader from one run's attributes to the next.
#include "styledtext/attributedstring.h"

#include <QBuffer>
#include <QHash>
#include <QImage>
#include <QSizeF>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace {

qint64 roundedClamped(double value) {
    if (!std::isfinite(value))
        return 0;
    return qint64(std::llround(std::clamp<double>(value, std::numeric_limits<int>::min(),
                                                  std::numeric_limits<int>::max())));
}

struct Picture {
    const char *word;
    QByteArray data;
};

// The blip word and bytes for an attachment, or no word when it cannot be a picture.
Picture pictureFor(const TextAttachment &attachment) {
    const QString type = attachment.mimeType.toLower();
    if (attachment.contents.isEmpty())
        return {nullptr, {}};
    static const struct {
        const char *mimeType;
        const char *word;
    } kept[] = {
        {"image/png", "pngblip"},      {"image/jpeg", "jpegblip"},  {"image/jpg", "jpegblip"},
        {"image/emf", "emfblip"},      {"image/x-emf", "emfblip"},  {"image/wmf", "wmetafile8"},
        {"image/x-wmf", "wmetafile8"}, {"image/x-pict", "macpict"}, {"image/pict", "macpict"},
        {"image/x-dib", "dibitmap0"},
    };
    for (const auto &entry : kept) {
        if (type == QLatin1StringView(entry.mimeType))
            return {entry.word, attachment.contents};
    }
    // Other images travel as PNG, the one lossless format every reader takes.
    if (type.startsWith(QLatin1StringView("image/"))) {
        QImage image;
        if (image.loadFromData(attachment.contents)) {
            QByteArray png;
            QBuffer buffer(&png);
            buffer.open(QIODevice::WriteOnly);
            if (image.save(&buffer, "PNG"))
                return {"pngblip", png};
        }
    }
    return {nullptr, {}};
}

// Width and height from a PNG or JPEG header, read by hand: a decoder would complain on
// standard error about every broken picture it is shown.
QSize pixelSize(const QByteArray &data) {
    const auto byte = [&](qsizetype i) { return uint(uchar(data[i])); };
    const auto big16 = [&](qsizetype i) { return byte(i) << 8 | byte(i + 1); };
    const auto big32 = [&](qsizetype i) { return big16(i) << 16 | big16(i + 2); };
    if (data.startsWith("\x89PNG\r\n\x1a\n") && data.size() >= 24 && data.mid(12, 4) == "IHDR") {
        const uint width = big32(16), height = big32(20);
        if (width > 0 && height > 0 && width <= 0x7FFFFFFF && height <= 0x7FFFFFFF)
            return QSize(int(width), int(height));
        return QSize();
    }
    if (!data.startsWith("\xff\xd8"))
        return QSize();
    // JPEG: walk the marker segments up to a start-of-frame.
    for (qsizetype i = 2; i + 9 <= data.size();) {
        if (byte(i) != 0xFF)
            return QSize();
        const uint marker = byte(i + 1);
        if (marker == 0xFF) {
            ++i; // fill byte
            continue;
        }
        const bool startOfFrame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (startOfFrame) {
            const uint height = big16(i + 5), width = big16(i + 7);
            return width > 0 && height > 0 ? QSize(int(width), int(height)) : QSize();
        }
        i += 2 + big16(i + 2);
    }
    return QSize();
}

// The address as the instruction quotes it. Fully encoded is safest, but it does not always
// parse back into the same address (a "#" inside the fragment becomes "%23"); then the
// decoded form is tried. Quotes would end the instruction's argument.
QString addressText(const QUrl &url) {
    for (const QUrl::ComponentFormattingOption form : {QUrl::FullyEncoded, QUrl::PrettyDecoded}) {
        const QString text = url.toString(form);
        if (!text.contains(u'"') && QUrl(text) == url)
            return text;
    }
    return url.toString(QUrl::FullyEncoded);
}

class RtfWriter {
public:
    QByteArray out;

    void word(const char *name) {
        out += '\\';
        out += name;
        m_needDelimiter = true;
    }
    void word(const char *name, qint64 parameter) {
        word(name);
        char digits[24];
        const auto end = std::to_chars(std::begin(digits), std::end(digits), parameter).ptr;
        out.append(digits, end - digits);
    }
    void raw(const char *bytes) {
        out += bytes;
        m_needDelimiter = false;
    }
    void character(char16_t c) {
        switch (c) {
        case u'\\':
            return raw("\\\\");
        case u'{':
            return raw("\\{");
        case u'}':
            return raw("\\}");
        case u'\n':
            word("par");
            return raw("\n");
        case u'\t':
            return word("tab");
        case 0x000C:
            return word("page");
        case 0x2028:
            return word("line");
        case 0x00A0:
            return raw("\\~");
        case 0x00AD:
            return raw("\\-");
        case 0x2011:
            return raw("\\_");
        default:
            break;
        }
        if (c >= 0x20 && c < 0x7F) {
            if (m_needDelimiter)
                out += ' ';
            out += char(c);
            m_needDelimiter = false;
            return;
        }
        unicode(c);
    }
    void unicode(char16_t c) {
        // \u takes a signed 16-bit number; "?" stands in for readers without Unicode.
        word("u", c > 0x7FFF ? qint64(c) - 0x10000 : qint64(c));
        raw("\\'3f");
    }
    void text(QStringView s) {
        for (const QChar c : s)
            character(c.unicode());
    }

private:
    bool m_needDelimiter = false;
};

qint64 twips(double points) {
    return roundedClamped(points * 20);
}

// After \pard. Standard words where there are some: \sl with \slmult0 is "at least" when
// positive and "exactly" when negative, which other readers understand too.
void writeParagraphStyle(RtfWriter &w, const ParagraphStyle &p) {
    w.word("sb", twips(p.paragraphSpacingBefore));
    w.word("sa", twips(p.paragraphSpacing));
    const qint64 minimum = p.minimumLineHeight > 0 ? twips(p.minimumLineHeight) : 0;
    const qint64 maximum = p.maximumLineHeight > 0 ? twips(p.maximumLineHeight) : 0;
    if (minimum > 0 && minimum == maximum) {
        w.word("sl", -minimum);
        w.word("slmult", 0);
    } else {
        if (minimum > 0) {
            w.word("sl", minimum);
            w.word("slmult", 0);
        }
        if (maximum > 0)
            w.word("slmaximum", maximum);
    }
    // The reader starts from the default stops and replaces them at the first \tx.
    if (p.tabStops != ParagraphStyle::defaultTabStops()) {
        bool any = false;
        for (const double stop : p.tabStops) {
            if (std::isfinite(stop) && stop >= 0) {
                w.word("tx", twips(stop));
                any = true;
            }
        }
        if (!any)
            w.raw("{\\*\\sumwisenotabs}");
    }
    // What no standard word says goes into ignorable groups that apply to the paragraph.
    if (p.lineBreakMode != LineBreakMode::WordWrapping) {
        w.raw("{\\*");
        w.word("sumwiselinebreak", qint64(p.lineBreakMode));
        w.raw("}");
    }
    if (p.allowsDefaultTighteningForTruncation)
        w.raw("{\\*\\sumwisetightening}");
}

// The fonts and colours of the runs, in order of first use, and their numbers in the tables.
struct RtfTables {
    QStringList fonts;
    QHash<QString, int> fontIndex;
    QList<QRgb> colors;
    QHash<QRgb, int> colorIndex;
    // Text without a font must read back without one and show in the reader's own default
    // font: then there is no \deff, and no font 0 that readers might take as the default.
    int firstFont = 0;
    std::optional<QString> defaultFamily;

    int fontNumber(const QString &family) const { return firstFont + fontIndex.value(family); }
    int colorNumber(const std::optional<QColor> &color) const {
        return color ? colorIndex.value(color->rgb()) + 1 : 0;
    }
};

RtfTables tablesFor(const QList<AttributedString::Run> &runs) {
    RtfTables t;
    bool someWithoutFont = false;
    for (const AttributedString::Run &run : runs) {
        const TextAttributes &a = run.attributes;
        if (!a.fontFamily) {
            someWithoutFont = true;
        } else if (!t.fontIndex.contains(*a.fontFamily)) {
            t.fontIndex.insert(*a.fontFamily, int(t.fonts.size()));
            t.fonts.append(*a.fontFamily);
        }
        for (const std::optional<QColor> &color :
             {a.foregroundColor, a.backgroundColor, a.underlineColor}) {
            if (color && !t.colorIndex.contains(color->rgb())) {
                t.colorIndex.insert(color->rgb(), int(t.colors.size()));
                t.colors.append(color->rgb());
            }
        }
    }
    t.firstFont = someWithoutFont ? 1 : 0;
    if (t.firstFont == 0 && !t.fonts.isEmpty())
        t.defaultFamily = t.fonts.first();
    return t;
}

// The opening brace, the character set and the font and colour tables.
void writeHeader(RtfWriter &w, const RtfTables &t) {
    w.raw("{");
    w.word("rtf", 1);
    w.word("ansi");
    w.word("ansicpg", 1252);
    if (t.firstFont == 0)
        w.word("deff", 0);
    w.word("uc", 1);
    w.raw("\n{");
    w.word("fonttbl");
    for (qsizetype i = 0; i < t.fonts.size(); ++i) {
        w.raw("{");
        w.word("f", t.firstFont + i);
        w.word("fnil");
        w.word("fcharset", 0);
        // A ";" would end the name early and the font table knows no \par or \tab; \u keeps
        // every such character inside the name.
        for (const QChar c : t.fonts[i]) {
            if (c == u';' || c.unicode() < 0x20 || c.unicode() >= 0x7F)
                w.unicode(c.unicode());
            else
                w.character(c.unicode());
        }
        w.raw(";}");
    }
    w.raw("}\n");
    if (!t.colors.isEmpty()) {
        w.raw("{");
        w.word("colortbl");
        w.raw(";");
        for (const QRgb rgb : t.colors) {
            w.word("red", qRed(rgb));
            w.word("green", qGreen(rgb));
            w.word("blue", qBlue(rgb));
            w.raw(";");
        }
        w.raw("}\n");
    }
}

void writeDocumentSettings(RtfWriter &w, const QVariantMap &documentAttributes) {
    static const struct {
        const QString *key;
        const char *word;
    } infoFields[] = {
        {&DocumentAttribute::Title, "title"},     {&DocumentAttribute::Author, "author"},
        {&DocumentAttribute::Subject, "subject"}, {&DocumentAttribute::Keywords, "keywords"},
        {&DocumentAttribute::Comment, "doccomm"},
    };
    bool anyInfo = false;
    for (const auto &field : infoFields) {
        if (documentAttributes.contains(*field.key)) {
            if (!anyInfo) {
                w.raw("{");
                w.word("info");
                anyInfo = true;
            }
            w.raw("{");
            w.word(field.word);
            w.text(documentAttributes.value(*field.key).toString());
            w.raw("}");
        }
    }
    if (anyInfo)
        w.raw("}\n");
    if (documentAttributes.contains(DocumentAttribute::PaperSize)) {
        const QSizeF paper = documentAttributes.value(DocumentAttribute::PaperSize).toSizeF();
        w.word("paperw", twips(paper.width()));
        w.word("paperh", twips(paper.height()));
    }
    static const struct {
        const QString *key;
        const char *word;
    } lengths[] = {
        {&DocumentAttribute::LeftMargin, "margl"},
        {&DocumentAttribute::RightMargin, "margr"},
        {&DocumentAttribute::TopMargin, "margt"},
        {&DocumentAttribute::BottomMargin, "margb"},
        {&DocumentAttribute::DefaultTabInterval, "deftab"},
    };
    for (const auto &entry : lengths) {
        if (documentAttributes.contains(*entry.key))
            w.word(entry.word, twips(documentAttributes.value(*entry.key).toDouble()));
    }
    w.raw("\n");
}

// The reader's state along the runs: what it holds at this point of the output, and what it
// held outside the hyperlink field that is open, if any.
struct RunState {
    TextAttributes current;
    TextAttributes outsideLink;
    bool inLink = false;
};

// Closes the open hyperlink field and opens the run's own, when they differ.
void writeLinkChange(RtfWriter &w, const TextAttributes &a, RunState &state) {
    if (a.link == state.current.link)
        return;
    if (state.inLink) {
        w.raw("}}");
        state.current = state.outsideLink;
        state.inLink = false;
    }
    if (a.link) {
        state.outsideLink = state.current;
        w.raw("{");
        w.word("field");
        w.raw("{\\*");
        w.word("fldinst");
        w.raw("{HYPERLINK \"");
        w.text(addressText(*a.link));
        w.raw("\"}}{");
        w.word("fldrslt");
        state.current.link = a.link;
        state.inLink = true;
    }
}

// The fewest words that take the reader from current to the run's character and paragraph
// formatting; current becomes the run's attributes, its link and no attachment.
void writeFormattingChange(RtfWriter &w, const RtfTables &t, const TextAttributes &a,
                           TextAttributes &current) {
    if ((current.fontFamily && !a.fontFamily) || (current.fontSize && !a.fontSize)) {
        w.word("plain");
        current.fontFamily = t.defaultFamily;
        current.fontSize.reset();
        current.bold = current.italic = current.underline = false;
        current.underlineColor.reset();
        current.foregroundColor.reset();
        current.backgroundColor.reset();
    }
    if (a.fontFamily != current.fontFamily)
        w.word("f", t.fontNumber(*a.fontFamily));
    if (a.fontSize != current.fontSize)
        w.word("fs", std::max<qint64>(1, roundedClamped(*a.fontSize * 2)));
    if (a.bold != current.bold)
        a.bold ? w.word("b") : w.word("b", 0);
    if (a.italic != current.italic)
        a.italic ? w.word("i") : w.word("i", 0);
    if (a.underline != current.underline)
        w.word(a.underline ? "ul" : "ulnone");
    if (a.underlineColor != current.underlineColor)
        w.word("ulc", t.colorNumber(a.underlineColor));
    if (a.foregroundColor != current.foregroundColor)
        w.word("cf", t.colorNumber(a.foregroundColor));
    if (a.backgroundColor != current.backgroundColor) {
        // Word reads \chcbpat, older readers \cb.
        w.word("cb", t.colorNumber(a.backgroundColor));
        w.word("chcbpat", t.colorNumber(a.backgroundColor));
    }
    if (a.paragraphStyle != current.paragraphStyle) {
        // \pard returns to no style; a style, even the default one, always names its
        // spacing so that it reads back as present.
        w.word("pard");
        if (a.paragraphStyle)
            writeParagraphStyle(w, *a.paragraphStyle);
    }
    const std::optional<QUrl> link = current.link;
    current = a;
    current.link = link;
    current.attachment.reset();
}

// A \pict group, with the file name as its shape name.
void writePicture(RtfWriter &w, const Picture &picture, const QString &preferredFilename) {
    w.raw("{");
    w.word("pict");
    if (!preferredFilename.isEmpty()) {
        w.raw("{\\*");
        w.word("picprop");
        w.raw("{");
        w.word("sp");
        w.raw("{");
        w.word("sn");
        w.text(u"wzName");
        w.raw("}{");
        w.word("sv");
        w.text(preferredFilename);
        w.raw("}}}");
    }
    w.word(picture.word);
    const QSize pixels = pixelSize(picture.data);
    if (pixels.isValid()) {
        // Goal sizes in twips at 96 pixels per inch.
        w.word("picw", pixels.width());
        w.word("pich", pixels.height());
        w.word("picwgoal", qint64(pixels.width()) * 15);
        w.word("pichgoal", qint64(pixels.height()) * 15);
    }
    const QByteArray hex = picture.data.toHex();
    for (qsizetype i = 0; i < hex.size(); i += 128) {
        w.out += '\n';
        w.out += hex.mid(i, 128);
    }
    w.raw("}");
}

} // namespace

QByteArray AttributedString::writeRTF(qsizetype location, qsizetype length,
                                      const QVariantMap &documentAttributes,
                                      bool withAttachments) const {
    // The whole text, the usual case, is written without a copy.
    const bool whole = location == 0 && length >= m_string.size();
    const AttributedString cut =
        whole ? AttributedString() : attributedSubstringFromRange(location, length);
    const AttributedString &part = whole ? *this : cut;

    const RtfTables tables = tablesFor(part.m_runs);
    RtfWriter w;
    writeHeader(w, tables);
    writeDocumentSettings(w, documentAttributes);

    RunState state;
    state.current.fontFamily = tables.defaultFamily;
    qsizetype start = 0;
    for (const Run &run : part.m_runs) {
        const TextAttributes &a = run.attributes;
        const QStringView characters = QStringView(part.m_string).mid(start, run.length);
        start += run.length;
        const bool hasAttachment = a.attachment.has_value();
        const Picture picture =
            hasAttachment && withAttachments ? pictureFor(*a.attachment) : Picture{nullptr, {}};
        // Attachments that cannot be written leave their U+FFFC out.
        if (hasAttachment && !picture.word
            && std::all_of(characters.begin(), characters.end(),
                           [](QChar c) { return c == AttachmentCharacter; }))
            continue;

        writeLinkChange(w, a, state);
        writeFormattingChange(w, tables, a, state.current);
        for (const QChar c : characters) {
            if (c != AttachmentCharacter || !hasAttachment)
                w.character(c.unicode());
            else if (picture.word)
                writePicture(w, picture, a.attachment->preferredFilename);
        }
    }
    if (state.inLink)
        w.raw("}}");
    w.raw("}");
    return w.out;
}
