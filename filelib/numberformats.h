// Shared number formatters and human-readable sizes.
#pragma once

#include <QString>

namespace filelib {} // namespace filelib
