#include "normalization.h"

namespace textlib {

void normalizeString(QString &s) {
    if (s.isEmpty())
        return;
    QString composed = s.normalized(QString::NormalizationForm_C);
    // Keep the original (and its sharing) when composing changed nothing.
    if (composed.constData() != s.constData() && composed != s)
        s = std::move(composed);
}

} // namespace textlib
