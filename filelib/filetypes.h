// Deciding from names alone what kind of document a file is.
#pragma once

#include <QString>

namespace filelib {} // namespace filelib
