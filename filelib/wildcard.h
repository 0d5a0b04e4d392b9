// Case-insensitive wildcard matching.
#pragma once

#include <QString>

namespace filelib {} // namespace filelib
