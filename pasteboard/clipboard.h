// The desktop clipboard (CLIPBOARD) and the highlighted text (PRIMARY) as pasteboards.
//
// What works where:
// - X11 (DISPLAY names a reachable server): a write hands its flavours to a background
//   holder process ("<this executable> --hold-clipboard", see clipboardholder.h) that
//   owns the selection until another program takes it, so the contents outlive the writer.
//   Reading asks the selection's owner over an X connection of its own, so plain
//   QCoreApplication processes can read too; only when this process itself owns the selection
//   (a QGuiApplication on xcb that set QClipboard) does it read through QClipboard.
// - Wayland without a reachable X server: writes run "wl-copy --type TYPE", reads run
//   "wl-paste" (wl-clipboard must be installed). Under XWayland the X11 path is used; the
//   compositor keeps the two clipboards in step. A Qt application on the native Wayland
//   platform without wl-paste can still read QClipboard, which the compositor fills only
//   while one of its windows has focus.
// - Neither: writes fail (return false) and reads yield nothing.
//
// Each write offers one type in all the forms programs ask for: plain text under every text
// name (see textFlavours), RTF beside the plain forms of its characters, other types under
// their names. RTF with embedded pictures (PasteboardType::RTFD) is written as "text/rtf", the
// name under which other programs read RTF; reading it back therefore yields
// PasteboardType::RTF.
#pragma once

#include "clipboardholder.h"
#include "pasteboard.h"

/// How a clipboard pasteboard reaches the desktop.
enum class ClipboardBackend {
    Automatic, ///< X11 when reachable, else Wayland tools when installed, else none
    X11,
    Wayland,
    None,
};

class ClipboardPasteboard : public Pasteboard {
public:
    explicit ClipboardPasteboard(ClipboardSelection selection,
                                 ClipboardBackend backend = ClipboardBackend::Automatic);

    /// GeneralPboard for CLIPBOARD, SelectionPboard for PRIMARY.
    QString name() const override;
    /// The canonical types the selection's owner offers now.
    QStringList types() const override;
    QByteArray dataForType(const QString &type) const override;
    /// Records the types a following setData may write; the desktop is left alone until then.
    void declareTypes(const QStringList &types) override;
    /// Replaces the whole selection with this one flavour; false when the type was not
    /// declared or the desktop could not be written.
    bool setData(const QByteArray &data, const QString &type) override;

    /// The MIME type under which a canonical type is written to the desktop.
    static QString desktopType(const QString &type);

private:
    ClipboardSelection m_selection;
    ClipboardBackend m_backend;
    QStringList m_declared;
};

/// The target names under which an owner offering these targets holds a canonical type, best
/// first; Latin-1 "STRING" comes last for plain text.
QStringList desktopNamesFor(const QString &type, const QStringList &offered);
