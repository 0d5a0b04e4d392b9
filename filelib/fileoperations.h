// Creating, copying, moving, removing and writing files and folders, with logging.
#pragma once

#include <QString>

namespace filelib {} // namespace filelib
