// The windows of a KWin session (KDE Plasma on Wayland), through Plasma's window management
// protocol. KWin offers it only to programs whose desktop file, naming the executable by its
// absolute path, lists org_kde_plasma_window_management in X-KDE-Wayland-Interfaces.
#pragma once

#include <QString>

/// The application id (e.g. "org.kde.konsole") of KWin's active window; empty with *missing
/// saying why when there is no such window or the session does not tell.
QString activeAppIdOnKWin(QString *missing = nullptr);
