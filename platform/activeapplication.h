// The application the user is working in.
#pragma once

#include <QString>

namespace platform {

/// The name of the application whose window is active: on X11 the class part of the active
/// window's WM_CLASS (the window the window manager names in _NET_ACTIVE_WINDOW). Empty where
/// it cannot be known: no X server, no window manager that publishes the active window, no
/// active window, or (under XWayland) a native Wayland window in front. Never blocks on a
/// missing display.
QString activeApplicationName();

} // namespace platform
