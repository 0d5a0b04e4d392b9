// Property lists: XML and binary read, XML written.
#pragma once

#include <QString>

namespace filelib {} // namespace filelib
