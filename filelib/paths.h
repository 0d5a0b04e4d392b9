// Path tests, containment, relative paths, clean-up and safe file names.
#pragma once

#include <QString>

namespace filelib {} // namespace filelib
