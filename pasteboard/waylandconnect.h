// The one way into the session's Wayland compositor.
#pragma once

#include <QString>

struct wl_display;

/// Connects to the compositor WAYLAND_DISPLAY names; null with *missing (when given) saying
/// why: no Wayland session, or a compositor that cannot be reached.
wl_display *connectToCompositor(QString *missing);
