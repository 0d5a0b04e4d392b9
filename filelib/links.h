// Resolving symbolic links in paths.
#pragma once

#include <QString>

namespace filelib {} // namespace filelib
