// File comments in the freedesktop extended attribute, written in batches.
#pragma once

#include <QString>

namespace filelib {} // namespace filelib
