// A private X server for tests that need one.
#pragma once

#include <QString>

enum class X11Status { Ready, NotInstalled, Failed };

/// On first use starts Xvfb on a free display, points DISPLAY at it and creates the test's
/// QGuiApplication on it; later calls report the same outcome.
X11Status startX11(QString *why);
