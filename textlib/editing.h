// Small in-place edits of a mutable string.
#pragma once

#include <QString>

namespace textlib {

/// Replaces every occurrence of from by to; returns the number of replacements (occurrences that
/// already hold to count too, but leave s untouched and shared).
qsizetype replaceCharacter(QString &s, char16_t from, char16_t to,
                           Qt::CaseSensitivity cs = Qt::CaseSensitive);
/// Replaces every non-overlapping occurrence of target, left to right; a null replacement is
/// the empty string; nothing for a null or empty target. Case is ignored unit by unit through the
/// case tables. Returns the number of replacements.
qsizetype replaceString(QString &s, const QString &target, const QString &replacement,
                        Qt::CaseSensitivity cs = Qt::CaseSensitive);

} // namespace textlib
