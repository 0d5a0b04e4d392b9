// Zip archives through the system's zip and unzip tools.
#pragma once

#include <QString>

namespace filelib {} // namespace filelib
