#include "styledtext/attributedstring.h"

#include <algorithm>

namespace {

// Narrows a range to its overlap with [0, size], without overflow for any values; an empty
// overlap keeps the clipped location, where an insertion would go.
void clipRange(qsizetype size, qsizetype &location, qsizetype &length) {
    const qsizetype start = std::clamp<qsizetype>(location, 0, size);
    qsizetype end = start;
    if (length > 0)
        end = location > size - length ? size : std::max(location + length, start);
    location = start;
    length = end - start;
}

// The attributes that plain characters inherit from a neighbour: all but an attachment, which
// belongs to its one U+FFFC.
TextAttributes inherited(TextAttributes attributes) {
    attributes.attachment.reset();
    return attributes;
}

} // namespace

AttributedString::AttributedString(const QString &string, const TextAttributes &attributes) {
    appendRun(string, attributes);
}

AttributedString AttributedString::withAttachment(const TextAttachment &attachment,
                                                  const TextAttributes &attributes) {
    TextAttributes withIt = attributes;
    withIt.attachment = attachment;
    return AttributedString(QString(QChar(AttachmentCharacter)), withIt);
}

TextAttributes AttributedString::attributesAtIndex(qsizetype index, qsizetype *runStart,
                                                   qsizetype *runLength) const {
    if (runStart)
        *runStart = 0;
    if (runLength)
        *runLength = 0;
    if (m_runs.isEmpty())
        return {};
    index = std::clamp<qsizetype>(index, 0, m_string.size() - 1);
    qsizetype start = 0;
    for (const Run &run : m_runs) {
        if (index < start + run.length) {
            if (runStart)
                *runStart = start;
            if (runLength)
                *runLength = run.length;
            return run.attributes;
        }
        start += run.length;
    }
    return m_runs.last().attributes;
}

bool AttributedString::containsAttachments() const {
    qsizetype start = 0;
    for (const Run &run : m_runs) {
        if (run.attributes.attachment
            && QStringView(m_string).mid(start, run.length).contains(QChar(AttachmentCharacter)))
            return true;
        start += run.length;
    }
    return false;
}

void AttributedString::appendRun(QStringView string, const TextAttributes &attributes) {
    if (string.isEmpty())
        return;
    m_string.append(string);
    if (!m_runs.isEmpty() && m_runs.last().attributes == attributes)
        m_runs.last().length += string.size();
    else
        m_runs.append(Run{string.size(), attributes});
}

void AttributedString::appendRuns(QList<Run> &runs, const QList<Run> &more) {
    for (const Run &run : more) {
        if (run.length <= 0)
            continue;
        if (!runs.isEmpty() && runs.last().attributes == run.attributes)
            runs.last().length += run.length;
        else
            runs.append(run);
    }
}

QList<AttributedString::Run> AttributedString::runsInRange(qsizetype from, qsizetype to) const {
    QList<Run> result;
    qsizetype start = 0;
    for (const Run &run : m_runs) {
        const qsizetype end = start + run.length;
        const qsizetype cutStart = std::max(start, from);
        const qsizetype cutEnd = std::min(end, to);
        if (cutStart < cutEnd)
            result.append(Run{cutEnd - cutStart, run.attributes});
        if (end >= to)
            break;
        start = end;
    }
    return result;
}

void AttributedString::appendString(const QString &string) {
    appendRun(string,
              m_runs.isEmpty() ? TextAttributes() : inherited(m_runs.constLast().attributes));
}

void AttributedString::append(const AttributedString &other) {
    m_string.append(other.m_string);
    appendRuns(m_runs, other.m_runs);
}

void AttributedString::insert(qsizetype index, const AttributedString &other) {
    replaceCharacters(index, 0, other);
}

void AttributedString::replaceCharacters(qsizetype location, qsizetype length,
                                         const QString &string) {
    clipRange(m_string.size(), location, length);
    TextAttributes attributes;
    if (length > 0)
        attributes = attributesAtIndex(location);
    else if (location > 0)
        attributes = attributesAtIndex(location - 1);
    else
        attributes = attributesAtIndex(0); // the defaults when the text is empty
    replaceCharacters(location, length, AttributedString(string, inherited(attributes)));
}

void AttributedString::replaceCharacters(qsizetype location, qsizetype length,
                                         const AttributedString &replacement) {
    clipRange(m_string.size(), location, length);
    QList<Run> runs = runsInRange(0, location);
    appendRuns(runs, replacement.m_runs);
    appendRuns(runs, runsInRange(location + length, m_string.size()));
    m_string.replace(location, length, replacement.m_string);
    m_runs = std::move(runs);
}

void AttributedString::setAttributes(const TextAttributes &attributes, qsizetype location,
                                     qsizetype length) {
    clipRange(m_string.size(), location, length);
    if (length == 0)
        return;
    QList<Run> runs = runsInRange(0, location);
    appendRuns(runs, {Run{length, attributes}});
    appendRuns(runs, runsInRange(location + length, m_string.size()));
    m_runs = std::move(runs);
}

AttributedString AttributedString::attributedSubstringFromRange(qsizetype location,
                                                                qsizetype length) const {
    clipRange(m_string.size(), location, length);
    AttributedString result;
    result.m_string = m_string.mid(location, length);
    appendRuns(result.m_runs, runsInRange(location, location + length));
    return result;
}

std::optional<AttributedString> AttributedString::fromRTFD(const QByteArray &rtfd,
                                                           QVariantMap *documentAttributes) {
    return fromRTF(rtfd, documentAttributes);
}

QByteArray AttributedString::RTFFromRange(qsizetype location, qsizetype length,
                                          const QVariantMap &documentAttributes) const {
    return writeRTF(location, length, documentAttributes, false);
}

QByteArray AttributedString::RTFDFromRange(qsizetype location, qsizetype length,
                                           const QVariantMap &documentAttributes) const {
    return writeRTF(location, length, documentAttributes, true);
}

QList<double> ParagraphStyle::defaultTabStops() {
    // Built once: every paragraph style starts with these, and its copies share them.
    static const QList<double> stops = [] {
        QList<double> list;
        for (int i = 1; i <= 12; ++i)
            list.append(28.0 * i);
        return list;
    }();
    return stops;
}

QVariant TextAttributes::value(Attribute name) const {
    const auto colour = [](const std::optional<QColor> &c) {
        return c ? QVariant::fromValue(*c) : QVariant();
    };
    switch (name) {
    case Attribute::Font: {
        if (!fontFamily && !fontSize && !bold && !italic)
            return {};
        QFont font;
        if (fontFamily)
            font.setFamily(*fontFamily);
        if (fontSize)
            font.setPointSizeF(*fontSize);
        font.setBold(bold);
        font.setItalic(italic);
        return QVariant::fromValue(font);
    }
    case Attribute::ForegroundColor:
        return colour(foregroundColor);
    case Attribute::BackgroundColor:
        return colour(backgroundColor);
    case Attribute::UnderlineStyle:
        return underline ? QVariant(1) : QVariant();
    case Attribute::UnderlineColor:
        return colour(underlineColor);
    case Attribute::Link:
        return link ? QVariant::fromValue(*link) : QVariant();
    case Attribute::Attachment:
        return attachment ? QVariant::fromValue(*attachment) : QVariant();
    case Attribute::ParagraphStyle:
        return paragraphStyle ? QVariant::fromValue(*paragraphStyle) : QVariant();
    case Attribute::Cursor:
        break;
    }
    return {};
}

void TextAttributes::setValue(Attribute name, const QVariant &value) {
    const auto optional = [&value]<typename T>(std::optional<T> &field) {
        if (value.metaType() == QMetaType::fromType<T>())
            field = value.value<T>();
        else
            field.reset();
    };
    switch (name) {
    case Attribute::Font:
        if (value.metaType() == QMetaType::fromType<QFont>()) {
            const QFont font = value.value<QFont>();
            fontFamily = font.family().isEmpty() ? std::nullopt : std::optional(font.family());
            fontSize = font.pointSizeF() > 0 ? std::optional(font.pointSizeF()) : std::nullopt;
            bold = font.bold();
            italic = font.italic();
        } else {
            fontFamily.reset();
            fontSize.reset();
            bold = italic = false;
        }
        break;
    case Attribute::ForegroundColor:
        optional(foregroundColor);
        break;
    case Attribute::BackgroundColor:
        optional(backgroundColor);
        break;
    case Attribute::UnderlineStyle:
        underline = value.isValid() && value.toInt() != 0;
        break;
    case Attribute::UnderlineColor:
        optional(underlineColor);
        break;
    case Attribute::Link:
        optional(link);
        break;
    case Attribute::Attachment:
        optional(attachment);
        break;
    case Attribute::ParagraphStyle:
        optional(paragraphStyle);
        break;
    case Attribute::Cursor:
        break;
    }
}

void TextAttributes::override(const AttributeDictionary &attributes) {
    for (auto it = attributes.begin(); it != attributes.end(); ++it)
        setValue(it.key(), it.value());
}

AttributeDictionary TextAttributes::dictionary() const {
    AttributeDictionary d;
    for (Attribute name : {Attribute::Font, Attribute::ForegroundColor, Attribute::BackgroundColor,
                           Attribute::UnderlineStyle, Attribute::UnderlineColor, Attribute::Link,
                           Attribute::Attachment, Attribute::ParagraphStyle}) {
        if (QVariant v = value(name); v.isValid())
            d.insert(name, v);
    }
    return d;
}
