// Strings from bytes, data and files in numbered encodings; writing files; small helpers.
#pragma once

#include <QString>
#include <QStringView>

namespace textlib {} // namespace textlib
