// Finding substrings relative to a selection; lookups in string lists.
#pragma once

#include <QString>
#include <QStringView>

namespace textlib {} // namespace textlib
