// The focused window on a wlroots compositor (Sway, Hyprland, labwc), from the list of toplevel
// windows that it gives task bars. The shortcut routine tells terminals apart by its app_id.
#pragma once

#include <QDeadlineTimer>
#include <QString>
#include <QStringList>

#include <optional>

struct WaylandWindow {
    QString appId;
    QString title;
};

/// The activated toplevel on the compositor named by WAYLAND_DISPLAY, asked over a connection
/// of its own; nullopt, with *missing saying why, when the session lacks the compositor or its
/// window list, when no window is activated, or when no answer came before the deadline.
std::optional<WaylandWindow> activeWaylandWindow(QString *missing = nullptr,
                                                 QDeadlineTimer deadline = QDeadlineTimer(1000));

/// The activated toplevel's {app_id}, shaped like X11Desktop::activeWindowClass(); empty when
/// unknown.
QStringList activeWaylandWindowClass(QString *missing = nullptr);
