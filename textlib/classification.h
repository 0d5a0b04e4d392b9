// What a text is made of: membership, character kinds, numbers, mashed words.
#pragma once

#include <QString>
#include <QStringView>

namespace textlib {} // namespace textlib
