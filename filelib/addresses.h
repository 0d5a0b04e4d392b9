// Recognising and making addresses (URLs) from text and paths.
#pragma once

#include <QString>

namespace filelib {} // namespace filelib
