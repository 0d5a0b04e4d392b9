// Base64 coding with the standard alphabet, no line breaks.
#pragma once

#include <QString>
#include <QStringView>

namespace textlib {} // namespace textlib
