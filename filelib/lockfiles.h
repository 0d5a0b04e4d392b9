// Lock files naming their owner.
#pragma once

#include <QString>

namespace filelib {} // namespace filelib
