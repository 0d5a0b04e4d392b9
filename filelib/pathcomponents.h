// Path string primitives: components, extensions, tildes.
#pragma once

#include <QString>

namespace filelib {} // namespace filelib
