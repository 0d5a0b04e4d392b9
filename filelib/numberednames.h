// Free numbered file names and dated archive rotation.
#pragma once

#include <QString>

namespace filelib {} // namespace filelib
