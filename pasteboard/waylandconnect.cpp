#include "waylandconnect.h"

#include <wayland-client.h>

wl_display *connectToCompositor(QString *missing) {
    // An unset WAYLAND_DISPLAY would still reach a compositor on "wayland-0".
    const QString name = qEnvironmentVariable("WAYLAND_DISPLAY");
    wl_display *display = name.isEmpty() ? nullptr : wl_display_connect(nullptr);
    if (!display && missing)
        *missing = name.isEmpty()
                       ? QStringLiteral("no Wayland session (WAYLAND_DISPLAY is not set)")
                       : QStringLiteral("the Wayland compositor %1 cannot be reached").arg(name);
    return display;
}
