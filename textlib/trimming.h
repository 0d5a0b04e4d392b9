// Copying trimmers and their range forms.
#pragma once

#include <QString>
#include <QStringView>

namespace textlib {} // namespace textlib
