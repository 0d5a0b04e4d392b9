// Typed access to the user defaults.
#pragma once

#include <QString>

namespace filelib {} // namespace filelib
