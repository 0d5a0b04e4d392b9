// Permissions, flags, dates and volume facts of files.
#pragma once

#include <QString>

namespace filelib {} // namespace filelib
