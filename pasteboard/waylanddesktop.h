// The Wayland side of the shortcut routine, on compositors with the data-control protocol
// (Sway, Hyprland, labwc, KWin): both selections read and watched without focus, the paste
// typed through a virtual keyboard, and the holder that serves a selection afterwards.
#pragma once

#include "desktop.h"

#include <QByteArray>
#include <QString>

#include <memory>

class WaylandKeyboard;
struct WaylandConnection;

class WaylandDesktop final : public Desktop {
public:
    /// Null with *missing when WAYLAND_DISPLAY names no compositor or it lacks data-control.
    /// Without a virtual keyboard the desktop still reads and holds, but cannot type.
    static std::unique_ptr<WaylandDesktop> open(QString *missing = nullptr);
    ~WaylandDesktop() override;

    /// Nothing tells a Wayland client which keys are down: the keyboard makes sure instead
    /// that keys still held on the real keyboard do not join its chords.
    bool waitForModifiersReleased(QDeadlineTimer) override;
    /// Tells the holder of the last hold() that the chord went out.
    bool sendChord(const QString &chord) override;
    QStringList activeWindowClass() override;
    /// PRIMARY may be a window's that no longer has the focus, and nothing tells whose it is:
    /// it counts only where no copy can be asked for. Only the focused client can set the
    /// clipboard.
    bool ownedByActiveClient(ClipboardSelection selection) override;
    QStringList targets(ClipboardSelection selection) override;
    QByteArray convert(ClipboardSelection selection, const QByteArray &target) override;
    bool watch(ClipboardSelection selection) override;
    bool waitForNewOwner(QDeadlineTimer deadline) override;
    void clearSelection(ClipboardSelection selection) override;
    bool hold(const HoldRequest &request) override;

    /// What the keyboard lacks; empty when the desktop can type.
    QString keyboardMissing() const { return m_keyboardMissing; }

private:
    WaylandDesktop(std::unique_ptr<WaylandConnection> connection,
                   std::unique_ptr<WaylandKeyboard> keyboard);
    std::unique_ptr<WaylandConnection> d;
    std::unique_ptr<WaylandKeyboard> m_keyboard;
    QString m_keyboardMissing;
    qint64 m_holderPid = 0;
    ClipboardSelection m_watched = ClipboardSelection::Clipboard;
    int m_watchedFrom = -1;
};

/// Serves flavours as a selection's data-control source, the way X11SelectionOwner does on
/// X11; the clipboard holder's Wayland side. There is no clipboard manager to hand over to.
/// Clipboard managers fetch every new selection at once and nothing tells them apart here, so
/// only fetches after a SIGUSR1 (sent by WaylandDesktop once its paste chord went out) count
/// as served.
class WaylandSelectionOwner {
public:
    explicit WaylandSelectionOwner(ClipboardSelection selection);
    ~WaylandSelectionOwner();
    WaylandSelectionOwner(const WaylandSelectionOwner &) = delete;
    WaylandSelectionOwner &operator=(const WaylandSelectionOwner &) = delete;

    bool isConnected() const;
    /// Offers the flavours as a new source; false when the compositor cannot be reached.
    bool own(const Flavours &flavours);
    void disown();
    void requestSave() {}
    ManagerSave saveState() const { return ManagerSave::NoManager; }

    /// Handles requests and writes pending data for up to timeoutMs; false once the
    /// connection is broken.
    bool processEvents(int timeoutMs);
    bool owning() const;
    /// Transfers written to their end.
    int served() const;
    qint64 lastRequestMs() const;
    int transfersUnderWay() const;

private:
    std::unique_ptr<WaylandConnection> d;
};
