// Reading numbers from text and stored objects independently of the user's locale.
#pragma once

#include <QStringView>
#include <QVariant>

namespace platform {

/// The number that text begins with, after leading white space: an optional sign, digits
/// with an optional "." and exponent, or "inf"/"nan"; 0 when it begins with none. "." is
/// always the decimal point and a number too large for a double gives infinity.
double doubleValue(QStringView text);

/// The number an object stands for: numbers give their value, text as above. Objects with
/// no numeric reading (lists, maps, dates) give 0 and set *ok to false.
double doubleValue(const QVariant &object, bool *ok = nullptr);

} // namespace platform
