// Running a system tool to its end.
#pragma once

#include <QString>

namespace filelib {} // namespace filelib
