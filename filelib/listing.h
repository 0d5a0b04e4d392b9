// Folder listings filtered by extension or wildcard.
#pragma once

#include <QString>

namespace filelib {} // namespace filelib
