// Line-oriented configuration text: key, white space, value; # comments.
#pragma once

#include <QString>
#include <QStringView>

namespace textlib {} // namespace textlib
