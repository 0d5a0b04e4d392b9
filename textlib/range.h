// A span of code units inside a text.
#pragma once

#include <QtGlobal>

namespace textlib {

/// location is the index of the first unit, length the number of units.
struct Range {
    qsizetype location = 0;
    qsizetype length = 0;

    constexpr qsizetype end() const { return location + length; }
    friend constexpr bool operator==(const Range &, const Range &) = default;
};

/// Whether range lies inside a text of size units: neither part negative and its end at most
/// size.
constexpr bool rangeLiesWithin(Range range, qsizetype size) {
    return range.location >= 0 && range.length >= 0 && range.location <= size
           && range.length <= size - range.location;
}

} // namespace textlib
