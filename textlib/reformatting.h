// Turning hard-wrapped text back into paragraphs.
#pragma once

#include <QString>
#include <QStringView>

namespace textlib {} // namespace textlib
