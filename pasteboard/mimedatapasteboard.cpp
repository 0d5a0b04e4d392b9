#include "mimedatapasteboard.h"

#include "clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include <algorithm>
#include <memory>

namespace {

QByteArray nonNull(const QByteArray &bytes) {
    return bytes.isNull() ? QByteArray("") : bytes;
}

QClipboard *guiClipboard() {
    return qobject_cast<QGuiApplication *>(QCoreApplication::instance())
               ? QGuiApplication::clipboard()
               : nullptr;
}

QClipboard::Mode clipboardMode(ClipboardSelection selection) {
    return selection == ClipboardSelection::Primary ? QClipboard::Selection : QClipboard::Clipboard;
}

} // namespace

MimeDataPasteboard::MimeDataPasteboard(ClipboardSelection selection)
    : m_selection(selection) {
}

QString MimeDataPasteboard::name() const {
    return m_selection == ClipboardSelection::Primary ? SelectionPboard : GeneralPboard;
}

QStringList MimeDataPasteboard::types() const {
    QStringList types;
    const QClipboard *clipboard = guiClipboard();
    const QMimeData *mime = clipboard ? clipboard->mimeData(clipboardMode(m_selection)) : nullptr;
    if (!mime)
        return types;
    for (const QString &format : mime->formats()) {
        const QString type = PasteboardType::canonical(format);
        if (!types.contains(type))
            types.append(type);
    }
    return types;
}

QByteArray MimeDataPasteboard::dataForType(const QString &type) const {
    const QClipboard *clipboard = guiClipboard();
    const QMimeData *mime = clipboard ? clipboard->mimeData(clipboardMode(m_selection)) : nullptr;
    if (!mime || type.isNull())
        return {};
    const QStringList candidates = desktopNamesFor(type, mime->formats());
    if (candidates.isEmpty())
        return {};
    // Qt decodes whichever text target another owner offers.
    if (candidates.first() == u"text/plain")
        return nonNull(mime->text().toUtf8());
    return nonNull(mime->data(candidates.first()));
}

void MimeDataPasteboard::declareTypes(const QStringList &types) {
    m_declared.clear();
    m_written.clear();
    for (const QString &type : types)
        m_declared.append(PasteboardType::canonical(type));
    if (QClipboard *clipboard = guiClipboard())
        clipboard->clear(clipboardMode(m_selection));
}

bool MimeDataPasteboard::setData(const QByteArray &data, const QString &type) {
    const QString canonical = PasteboardType::canonical(type);
    QClipboard *clipboard = guiClipboard();
    if (!clipboard || type.isNull() || !m_declared.contains(canonical))
        return false;
    const auto same = [&](const auto &flavour) { return flavour.first == canonical; };
    m_written.erase(std::remove_if(m_written.begin(), m_written.end(), same), m_written.end());
    m_written.append({canonical, nonNull(data)});
    // Other programs ask for text as "text/plain" (which Qt offers as UTF8_STRING too) and
    // read RTF with pictures under RTF's names.
    const auto written = [&](const QString &name) {
        return std::any_of(m_written.begin(), m_written.end(),
                           [&](const auto &flavour) { return flavour.first == name; });
    };
    auto mime = std::make_unique<QMimeData>();
    for (const auto &[name, bytes] : m_written) {
        const bool rtfd = name == PasteboardType::RTFD && !written(PasteboardType::RTF);
        mime->setData(name, bytes);
        for (const QString &alias : PasteboardType::aliases(rtfd ? PasteboardType::RTF : name)) {
            if (alias.contains(u'/') && !mime->hasFormat(alias))
                mime->setData(alias, bytes);
        }
    }
    clipboard->setMimeData(mime.release(), clipboardMode(m_selection));
    return true;
}

QMimeData *MimeDataPasteboard::mimeData(const Pasteboard &pboard) {
    auto *mime = new QMimeData;
    for (const QString &type : pboard.types()) {
        const QByteArray data = pboard.dataForType(type);
        if (!data.isNull())
            mime->setData(type, data);
    }
    return mime;
}
