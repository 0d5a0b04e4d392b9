// Typed getters and setters on QVariantMap dictionaries.
#pragma once

#include <QString>

namespace filelib {} // namespace filelib
