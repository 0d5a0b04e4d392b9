// What the shortcut routine needs from a desktop session: the focused window, the keyboard,
// and the two selections. X11 and Wayland compositors with data-control each provide one.
#pragma once

#include "clipboardholder.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QString>
#include <QStringList>

#include <memory>
#include <utility>

class Desktop {
public:
    virtual ~Desktop() = default;

    /// The session's own route: Wayland when WAYLAND_DISPLAY names a compositor with
    /// data-control (it reaches native and XWayland windows alike), else X11. Null with
    /// *missing saying what the session lacks.
    static std::unique_ptr<Desktop> open(QString *missing = nullptr);

    /// Waits until no modifier key is held down; false when one still is at the deadline.
    virtual bool waitForModifiersReleased(QDeadlineTimer deadline) = 0;
    /// Presses and releases a chord such as "ctrl+v", "ctrl+shift+c" or "shift+Insert"; false
    /// when the session cannot type or a key is not on the keyboard map.
    virtual bool sendChord(const QString &chord) = 0;
    /// Names of the focused window's application (X11 WM_CLASS, Wayland app id); empty when
    /// unknown.
    virtual QStringList activeWindowClass() = 0;
    /// Whether the selection is known to come from the focused window; only then is PRIMARY
    /// what the user has selected there.
    virtual bool ownedByActiveClient(ClipboardSelection selection) = 0;

    /// The type names the selection's owner offers.
    virtual QStringList targets(ClipboardSelection selection) = 0;
    /// One type's bytes; null when refused or on time-out.
    virtual QByteArray convert(ClipboardSelection selection, const QByteArray &target) = 0;

    /// Starts listening for new owners of the selection; waitForNewOwner then returns once a
    /// client takes it, even the owner it already had.
    virtual bool watch(ClipboardSelection selection) = 0;
    virtual bool waitForNewOwner(QDeadlineTimer deadline) = 0;
    /// Leaves the selection without owner, as it was before something took it.
    virtual void clearSelection(ClipboardSelection selection) = 0;
    /// Hands the flavours to a background holder on this session (see holdClipboard).
    virtual bool hold(const HoldRequest &request) = 0;

    /// The selection in the first of the wanted canonical types its owner offers: that type
    /// and its bytes, or an empty type.
    std::pair<QString, QByteArray> readFirstOf(ClipboardSelection selection,
                                               const QStringList &wanted);
    /// Every content flavour the owner offers, to give the selection back later.
    Flavours saveFlavours(ClipboardSelection selection);

    /// On a Wayland session served through XWayland: why Wayland-native windows are out of
    /// reach. Empty elsewhere.
    QString nativeWindowsMissing() const { return m_nativeWindowsMissing; }

protected:
    Desktop() = default;

private:
    QString m_nativeWindowsMissing;
};
