// The user's special folders and the cloud and file-sync folders.
#pragma once

#include <QString>

namespace filelib {} // namespace filelib
