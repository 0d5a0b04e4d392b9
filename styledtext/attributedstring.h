// Styled text: characters plus runs of attributes, possibly with attachments.
#pragma once

#include <QByteArray>
#include <QColor>
#include <QFont>
#include <QList>
#include <QString>
#include <QStringView>
#include <QUrl>
#include <QVariantMap>

#include <algorithm>
#include <optional>

namespace styledtext {
class RtfReader;
}

/// Keys of the document-level settings that the RTF reader fills and the writer emits. Lengths
/// are in points (1/72 inch); texts are plain strings.
namespace DocumentAttribute {
/// QSizeF: the paper's width and height (\paperw, \paperh).
inline const QString PaperSize = QStringLiteral("PaperSize");
/// double: the page margins (\margl, \margr, \margt, \margb).
inline const QString LeftMargin = QStringLiteral("LeftMargin");
inline const QString RightMargin = QStringLiteral("RightMargin");
inline const QString TopMargin = QStringLiteral("TopMargin");
inline const QString BottomMargin = QStringLiteral("BottomMargin");
/// double: the distance between default tab stops (\deftab).
inline const QString DefaultTabInterval = QStringLiteral("DefaultTabInterval");
/// QString: the document information (\title, \author, \subject, \keywords, \doccomm).
inline const QString Title = QStringLiteral("Title");
inline const QString Author = QStringLiteral("Author");
inline const QString Subject = QStringLiteral("Subject");
inline const QString Keywords = QStringLiteral("Keywords");
inline const QString Comment = QStringLiteral("Comment");
} // namespace DocumentAttribute

/// The character an attachment stands on in the text (OBJECT REPLACEMENT CHARACTER).
inline constexpr char16_t AttachmentCharacter = 0xFFFC;

/// An embedded file or picture, standing in the text as one AttachmentCharacter.
struct TextAttachment {
    QString preferredFilename;
    QString mimeType; // e.g. "image/png"
    QByteArray contents;
    bool operator==(const TextAttachment &) const = default;
};

/// How lines that do not fit are broken or cut, in the numbering styled-text documents use.
enum class LineBreakMode {
    WordWrapping = 0,
    CharWrapping = 1,
    Clipping = 2,
    TruncatingHead = 3,
    TruncatingTail = 4,
    TruncatingMiddle = 5,
};

/// The layout of a paragraph. Lengths are in points; a line height of 0 sets no limit.
struct ParagraphStyle {
    double paragraphSpacingBefore = 0;
    double paragraphSpacing = 0; ///< after the paragraph
    double minimumLineHeight = 0;
    double maximumLineHeight = 0;
    LineBreakMode lineBreakMode = LineBreakMode::WordWrapping;
    /// Whether truncated lines may first be squeezed a little.
    bool allowsDefaultTighteningForTruncation = false;
    /// Left-aligned tab stops, ascending.
    QList<double> tabStops = defaultTabStops();
    // Not defaulted: QList's own == passes a null pointer to memcmp for two empty lists.
    friend bool operator==(const ParagraphStyle &a, const ParagraphStyle &b) {
        return a.paragraphSpacingBefore == b.paragraphSpacingBefore
               && a.paragraphSpacing == b.paragraphSpacing
               && a.minimumLineHeight == b.minimumLineHeight
               && a.maximumLineHeight == b.maximumLineHeight && a.lineBreakMode == b.lineBreakMode
               && a.allowsDefaultTighteningForTruncation == b.allowsDefaultTighteningForTruncation
               && std::equal(a.tabStops.begin(), a.tabStops.end(), b.tabStops.begin(),
                             b.tabStops.end());
    }

    /// Twelve stops 28 points apart, as new documents have them.
    static QList<double> defaultTabStops();
};

/// The attributes by name, for code that handles them generically (dictionaries of changes,
/// temporary display attributes). Values travel as QVariant: Font a QFont (family, point size,
/// bold, italic), the colours a QColor, UnderlineStyle an int (0 none, 1 single), Link a QUrl,
/// Attachment a TextAttachment, ParagraphStyle a ParagraphStyle; Cursor a Qt::CursorShape,
/// meaningful only as a display attribute.
enum class Attribute {
    Font,
    ForegroundColor,
    BackgroundColor,
    UnderlineStyle,
    UnderlineColor,
    Link,
    Attachment,
    ParagraphStyle,
    Cursor,
};
/// Named attribute values; an entry present with an invalid QVariant stands for "remove".
using AttributeDictionary = QMap<Attribute, QVariant>;

/// The formatting of a run of characters. Absent values mean "the default".
struct TextAttributes {
    std::optional<QString> fontFamily;
    std::optional<double> fontSize; // points
    bool bold = false;
    bool italic = false;
    bool underline = false;
    std::optional<QColor> underlineColor;
    std::optional<QColor> foregroundColor;
    std::optional<QColor> backgroundColor;
    std::optional<QUrl> link;
    std::optional<ParagraphStyle> paragraphStyle;
    std::optional<TextAttachment> attachment;
    bool operator==(const TextAttributes &) const = default;

    /// The attribute as a QVariant; invalid when absent (a font with no family, size, bold or
    /// italic is absent; so is underline style 0). Cursor is never held.
    QVariant value(Attribute name) const;
    /// Sets the attribute from a QVariant of its type; an invalid value (or one of another
    /// type) removes it. Cursor is ignored.
    void setValue(Attribute name, const QVariant &value);
    /// Sets every entry of the dictionary; its entries win.
    void override(const AttributeDictionary &attributes);
    /// The attributes present, by name.
    AttributeDictionary dictionary() const;
};

Q_DECLARE_METATYPE(TextAttachment)
Q_DECLARE_METATYPE(ParagraphStyle)

class AttributedString {
public:
    struct Run {
        qsizetype length;
        TextAttributes attributes;
        bool operator==(const Run &) const = default;
    };

    AttributedString() = default;
    explicit AttributedString(const QString &string, const TextAttributes &attributes = {});

    /// The characters alone.
    const QString &string() const { return m_string; }
    qsizetype length() const { return m_string.size(); }
    const QList<Run> &runs() const { return m_runs; }
    /// The attributes at a character index (the last character's past the end, the first
    /// character's before the start, the defaults for empty text). runStart and runLength, when
    /// given, receive the run that holds the index (0 and 0 for empty text).
    TextAttributes attributesAtIndex(qsizetype index, qsizetype *runStart = nullptr,
                                     qsizetype *runLength = nullptr) const;
    /// Whether some U+FFFC carries a TextAttachment.
    bool containsAttachments() const;

    /// One U+FFFC carrying the attachment, with the other attributes given.
    static AttributedString withAttachment(const TextAttachment &attachment,
                                           const TextAttributes &attributes = {});

    // Plain characters never inherit an attachment: it stays with its one U+FFFC.

    /// Appends plain characters; they take the attributes of the last character.
    void appendString(const QString &string);
    /// Appends styled text with its own attributes.
    void append(const AttributedString &other);
    /// Appends characters with the attributes given, without a styled text made for them.
    void append(QStringView string, const TextAttributes &attributes) {
        appendRun(string, attributes);
    }
    /// Inserts styled text with its own attributes; the index is clipped to the text.
    void insert(qsizetype index, const AttributedString &other);
    /// Replaces a range of characters, keeping runs in step. The inserted characters take the
    /// attributes of the first replaced character; when nothing is replaced, those of the
    /// character before the range, or after it at the start. Ranges are clipped to the text.
    void replaceCharacters(qsizetype location, qsizetype length, const QString &string);
    /// Replaces a range by styled text that keeps its own attributes.
    void replaceCharacters(qsizetype location, qsizetype length,
                           const AttributedString &replacement);
    /// Gives a range exactly the attributes (earlier ones over the range are dropped).
    void setAttributes(const TextAttributes &attributes, qsizetype location, qsizetype length);
    /// The styled text of a range, clipped to the text.
    AttributedString attributedSubstringFromRange(qsizetype location, qsizetype length) const;

    /// The reader gives up on groups nested deeper than this.
    static constexpr int MaximumGroupDepth = 512;
    /// Pictures with more bytes than this are left out.
    static constexpr qsizetype MaximumPictureSize = 32 * 1024 * 1024;

    /// Styled text from RTF; nullopt when the data cannot be parsed. Only the document's group is
    /// read: whatever follows its closing brace is ignored. Embedded pictures become
    /// attachments. Document-level settings (paper size, margins...) go to documentAttributes.
    static std::optional<AttributedString> fromRTF(const QByteArray &rtf,
                                                   QVariantMap *documentAttributes = nullptr);
    /// The same reader: the attachment-carrying flavour is RTF with embedded pictures.
    static std::optional<AttributedString> fromRTFD(const QByteArray &rtfd,
                                                    QVariantMap *documentAttributes = nullptr);
    // What survives writing and reading back: every attribute, with font sizes in half points,
    // paragraph spacing in twips (1/20 point), colours as opaque RGB and font family names
    // without surrounding blanks. Attachments survive only as pictures anchored on U+FFFC: PNG,
    // JPEG, EMF, WMF, PICT and DIB data keep their bytes, other images readable by QImage become
    // PNG, anything else is left out. The file name travels as the picture's shape name; pictures
    // without one read back as "image.png", "image.jpg"... after their type.

    /// RTF of a range, attachments left out.
    QByteArray RTFFromRange(qsizetype location, qsizetype length,
                            const QVariantMap &documentAttributes = {}) const;
    /// RTF of a range with attachments embedded as pictures.
    QByteArray RTFDFromRange(qsizetype location, qsizetype length,
                             const QVariantMap &documentAttributes = {}) const;

    bool operator==(const AttributedString &) const = default;

private:
    // Appends characters with attributes, merging with the last run.
    void appendRun(QStringView string, const TextAttributes &attributes);
    // The runs that cover [from, to), cut at both ends.
    QList<Run> runsInRange(qsizetype from, qsizetype to) const;
    static void appendRuns(QList<Run> &runs, const QList<Run> &more);
    QByteArray writeRTF(qsizetype location, qsizetype length, const QVariantMap &documentAttributes,
                        bool withAttachments) const;
    friend class styledtext::RtfReader;

    QString m_string;
    QList<Run> m_runs; // lengths add up to m_string.size(); no empty runs
};
