// Words, separator-delimited pieces and links around an index.
#pragma once

#include <QString>
#include <QStringView>

namespace textlib {} // namespace textlib
