// Code-unit dumps of a string to the system log, for debugging.
#pragma once

#include <QString>
#include <QStringView>

namespace textlib {

/// Logs the units of s in rows of 12, each "units: hex hex ... \n" with the units (as they are,
/// padded with blanks to 12) and their four-digit lower-case hex values. More than 12 units are
/// logged with a line break before and after. Returns the logged text; null (nothing logged)
/// for an empty or null s.
QString dump(QStringView s);

/// Logs s, a colon and a C initialiser "unichar string[] = {...};" of its units, eight a line.
/// Returns the logged text; null (nothing logged) for an empty or null s.
QString dumpAsArray(QStringView s);

} // namespace textlib
