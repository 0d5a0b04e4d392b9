// Pasteboards: named collections of typed flavours (MIME type to bytes), as the service
// request carries them and as the desktop clipboard offers them.
#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

#include <memory>

/// The flavour names used throughout the program.
namespace PasteboardType {
/// Plain text, UTF-8. Reading also accepts "text/plain" and "UTF8_STRING".
inline const QString String = QStringLiteral("text/plain;charset=utf-8");
/// RTF. Reading also accepts "application/rtf".
inline const QString RTF = QStringLiteral("text/rtf");
/// RTF whose attachments travel inside it as embedded pictures. Private to Sumwise; written
/// to the desktop clipboard as RTF, which is what other programs read.
inline const QString RTFD = QStringLiteral("application/x-sumwise-rtfd");
/// Lists of files and addresses.
inline const QString URIList = QStringLiteral("text/uri-list");
inline const QString HTML = QStringLiteral("text/html");

/// The canonical name of a MIME type or one of its aliases; other types unchanged. MIME
/// names compare without regard to case or to blanks around parameters.
QString canonical(const QString &mimeType);
/// The names a canonical type goes by, best first: the canonical name, then its aliases.
/// A type without aliases yields itself alone.
QStringList aliases(const QString &type);
} // namespace PasteboardType

/// The name of the desktop clipboard's pasteboard.
inline const QString GeneralPboard = QStringLiteral("NSGeneralPboard");
/// The name of the pasteboard of what the user has highlighted (the PRIMARY selection).
inline const QString SelectionPboard = QStringLiteral("NSSelectionPboard");

/// Types passed to or returned by a pasteboard are canonical (see PasteboardType::canonical);
/// any alias is accepted as an argument.
class Pasteboard {
public:
    virtual ~Pasteboard() = default;

    virtual QString name() const = 0;
    /// The canonical types on offer, in the order they were declared or offered.
    virtual QStringList types() const = 0;
    /// The bytes of one type; null when the type is not on offer (or declared but never set),
    /// empty but not null when it holds no bytes.
    virtual QByteArray dataForType(const QString &type) const = 0;
    /// The text of one type read as UTF-8; null when the type is not on offer.
    QString stringForType(const QString &type) const;
    /// Clears the pasteboard and announces the given types.
    virtual void declareTypes(const QStringList &types) = 0;
    /// Stores the bytes of a declared type; false for a type that was not declared.
    virtual bool setData(const QByteArray &data, const QString &type) = 0;
    /// setData with the text as UTF-8.
    bool setString(const QString &text, const QString &type);

    /// The desktop clipboard (CLIPBOARD), created on first use.
    static Pasteboard &generalPasteboard();
    /// What the user has highlighted (PRIMARY); read-only in practice.
    static Pasteboard &selectionPasteboard();
};

/// The pasteboard of one service request, held in memory.
class MemoryPasteboard : public Pasteboard {
public:
    explicit MemoryPasteboard(const QString &name = QStringLiteral("NSServicesPboard"));
    /// Takes the flavours of a request; aliases become canonical types. When several names of
    /// one type are present, the canonical name wins, else the first in the map's order.
    static MemoryPasteboard fromMimeData(const QMap<QString, QByteArray> &flavours);
    /// The flavours that hold data, under their canonical types.
    QMap<QString, QByteArray> toMimeData() const;

    QString name() const override { return m_name; }
    QStringList types() const override { return m_types; }
    QByteArray dataForType(const QString &type) const override;
    void declareTypes(const QStringList &types) override;
    bool setData(const QByteArray &data, const QString &type) override;

private:
    QString m_name;
    QStringList m_types;
    QMap<QString, QByteArray> m_data;
};
