// A path whose file or folder goes away with its owner.
#pragma once

#include <QString>

namespace filelib {} // namespace filelib
