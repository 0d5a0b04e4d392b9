#include "pasteboard.h"

namespace PasteboardType {

namespace {

// MIME names ignore case and the blanks around parameters: "Text/Plain; Charset=UTF-8".
QString normalized(const QString &mimeType) {
    QStringList parts = mimeType.split(u';');
    for (QString &part : parts)
        part = part.trimmed().toLower();
    return parts.join(u';');
}

} // namespace

QString canonical(const QString &mimeType) {
    const QString name = normalized(mimeType);
    // X11 target names are not MIME types and keep their case.
    if (name == u"text/plain;charset=utf-8" || name == u"text/plain;charset=utf8"
        || name == u"text/plain" || mimeType.trimmed() == u"UTF8_STRING")
        return String;
    if (name == u"text/rtf" || name == u"application/rtf")
        return RTF;
    for (const QString *type : {&RTFD, &URIList, &HTML}) {
        if (name == *type)
            return *type;
    }
    return mimeType;
}

QStringList aliases(const QString &type) {
    const QString name = canonical(type);
    if (name == String)
        return {String, QStringLiteral("UTF8_STRING"), QStringLiteral("text/plain")};
    if (name == RTF)
        return {RTF, QStringLiteral("application/rtf")};
    return {name};
}

} // namespace PasteboardType

QString Pasteboard::stringForType(const QString &type) const {
    const QByteArray data = dataForType(type);
    if (data.isNull())
        return {};
    QString text = QString::fromUtf8(data);
    // Empty text on offer is not the same as no text.
    if (text.isNull())
        text = QStringLiteral("");
    return text;
}

bool Pasteboard::setString(const QString &text, const QString &type) {
    return setData(text.toUtf8(), type);
}

MemoryPasteboard::MemoryPasteboard(const QString &name)
    : m_name(name) {
}

MemoryPasteboard MemoryPasteboard::fromMimeData(const QMap<QString, QByteArray> &flavours) {
    MemoryPasteboard pboard;
    for (auto it = flavours.begin(); it != flavours.end(); ++it) {
        const QString type = PasteboardType::canonical(it.key());
        if (!pboard.m_types.contains(type)) {
            pboard.m_types.append(type);
            pboard.m_data.insert(type, it.value().isNull() ? QByteArray("") : it.value());
        } else if (it.key() == type) {
            pboard.m_data.insert(type, it.value().isNull() ? QByteArray("") : it.value());
        }
    }
    return pboard;
}

QMap<QString, QByteArray> MemoryPasteboard::toMimeData() const {
    return m_data;
}

QByteArray MemoryPasteboard::dataForType(const QString &type) const {
    return m_data.value(PasteboardType::canonical(type));
}

void MemoryPasteboard::declareTypes(const QStringList &types) {
    m_types.clear();
    m_data.clear();
    for (const QString &type : types) {
        const QString name = PasteboardType::canonical(type);
        if (!m_types.contains(name))
            m_types.append(name);
    }
}

bool MemoryPasteboard::setData(const QByteArray &data, const QString &type) {
    const QString name = PasteboardType::canonical(type);
    if (!m_types.contains(name))
        return false;
    // Stored bytes are never null, so that "no bytes" stays distinct from "not on offer".
    m_data.insert(name, data.isNull() ? QByteArray("") : data);
    return true;
}
