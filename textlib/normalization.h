// Unicode normal forms.
#pragma once

#include <QString>

namespace textlib {

/// Brings s into Normalization Form C in place.
void normalizeString(QString &s);

} // namespace textlib
