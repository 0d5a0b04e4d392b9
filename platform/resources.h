// Locating the application's installed data (translations, help).
#pragma once

#include <QString>

namespace platform {

/// The absolute path of relativePath inside the data folder share/sumwise that sits beside
/// the executable's bin folder (so a build tree works like an install); empty when it does
/// not exist.
QString dataPath(const QString &relativePath);

} // namespace platform
