// The desktop clipboard through Qt's QMimeData, with every flavour written offered at once.
#pragma once

#include "clipboardholder.h"
#include "pasteboard.h"

#include <QList>

class QMimeData;

/// A pasteboard over the desktop clipboard's QMimeData. A ClipboardPasteboard offers one
/// flavour per write; this one offers every flavour written since the last declareTypes at
/// once, for as long as this process owns the selection. Text also goes out as "text/plain"
/// (Qt adds UTF8_STRING), and RTFD without RTF also as "text/rtf", for other programs. Type
/// names without a slash travel as they are. Needs a QGuiApplication: without one it offers
/// nothing and setData fails. declareTypes empties the selection.
class MimeDataPasteboard : public Pasteboard {
public:
    explicit MimeDataPasteboard(ClipboardSelection selection = ClipboardSelection::Clipboard);
    QString name() const override;
    /// The formats on offer as canonical types, in the owner's order.
    QStringList types() const override;
    QByteArray dataForType(const QString &type) const override;
    void declareTypes(const QStringList &types) override;
    /// Stores the flavour and hands all flavours written so far to the clipboard.
    bool setData(const QByteArray &data, const QString &type) override;

    /// A new QMimeData holding the flavours of any pasteboard, for drags and the like.
    static QMimeData *mimeData(const Pasteboard &pboard);

private:
    ClipboardSelection m_selection;
    QStringList m_declared;
    QList<std::pair<QString, QByteArray>> m_written;
};
