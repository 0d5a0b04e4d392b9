// Code-unit dumps of a string to the system log, for debugging.
#pragma once

#include <QString>
#include <QStringView>

namespace textlib {} // namespace textlib
