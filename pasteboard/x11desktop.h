// The X11 side of the shortcut routine, over one connection of its own: the focused window,
// the keyboard, and the selections.
#pragma once

#include "desktop.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>

struct xcb_connection_t;

class X11Desktop final : public Desktop {
public:
    /// Null when DISPLAY names no reachable server.
    static std::unique_ptr<X11Desktop> open();
    ~X11Desktop() override;
    X11Desktop(const X11Desktop &) = delete;
    X11Desktop &operator=(const X11Desktop &) = delete;

    /// Waits until no modifier key (Shift, Ctrl, Alt, Super...) is held down; false when one
    /// still is at the deadline.
    bool waitForModifiersReleased(QDeadlineTimer deadline) override;
    /// Presses and releases a chord such as "ctrl+v", "ctrl+shift+c" or "shift+Insert" through
    /// XTest; false without the extension or when a key is not on the keyboard map.
    bool sendChord(const QString &chord) override;

    /// The focused window's WM_CLASS instance and class names; empty when unknown.
    QStringList activeWindowClass() override;
    /// Whether the selection's owner is the focused window's client (the same connection, or
    /// the same process by the X-Resource extension or _NET_WM_PID).
    bool ownedByActiveClient(ClipboardSelection selection) override;
    bool hasOwner(ClipboardSelection selection);

    /// The target names the selection's owner offers.
    QStringList targets(ClipboardSelection selection) override;
    /// One target's bytes (INCR transfers included); null when refused or on time-out.
    QByteArray convert(ClipboardSelection selection, const QByteArray &target) override;
    /// Starts listening for new owners of the selection (XFixes); waitForNewOwner then returns
    /// once a client takes it, even the owner it already had.
    bool watch(ClipboardSelection selection) override;
    bool waitForNewOwner(QDeadlineTimer deadline) override;
    /// Leaves the selection without owner, as it was before something took it.
    void clearSelection(ClipboardSelection selection) override;
    bool hold(const HoldRequest &request) override { return holdClipboard(request); }

private:
    X11Desktop() = default;
    struct Private;
    std::unique_ptr<Private> d;
};
