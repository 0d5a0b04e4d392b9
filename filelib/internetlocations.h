// Internet location files: property-list and shortcut forms.
#pragma once

#include <QString>

namespace filelib {} // namespace filelib
