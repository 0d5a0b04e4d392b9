// Case-insensitive wildcard matching.
#pragma once

#include <QStringView>

namespace filelib {

/// Whether all of name matches pattern, where "*" stands for any run of units (also none) and
/// "?" for exactly one unit; every other unit matches itself ignoring case (upper table). There
/// is no escape character. An empty or null pattern matches only an empty name. The time is at
/// worst proportional to the product of the lengths, whatever the number of stars.
bool isCaseInsensitiveLikeWildcard(QStringView name, QStringView pattern);

} // namespace filelib
