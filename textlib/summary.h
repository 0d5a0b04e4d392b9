// Extractive summaries: the most important sentences or paragraphs of a text.
#pragma once

#include <QString>
#include <QStringView>

namespace textlib {} // namespace textlib
