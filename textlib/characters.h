// Counting, finding and replacing single code units.
#pragma once

#include "charactersets.h"
#include "conversiontables.h"

#include <QString>
#include <QStringView>

namespace textlib {

// Indexes are code-unit positions; a start at or past the end, or a negative one, finds nothing.
// Qt::CaseInsensitive compares units by their upperCharsTable forms (see conversiontables.h).

/// Number of positions from start to the end that hold c.
qsizetype countCharacter(QStringView s, char16_t c, qsizetype start = 0,
                         Qt::CaseSensitivity cs = Qt::CaseSensitive);
/// Lowest index at or after start that holds c, or NotFound.
qsizetype findCharacter(QStringView s, char16_t c, qsizetype start = 0,
                        Qt::CaseSensitivity cs = Qt::CaseSensitive);
/// Highest index at or after start that holds c, or NotFound.
qsizetype findLastCharacter(QStringView s, char16_t c, qsizetype start = 0,
                            Qt::CaseSensitivity cs = Qt::CaseSensitive);
/// Lowest index at or after start whose unit occurs in group, or NotFound.
qsizetype findOneOf(QStringView s, QStringView group, qsizetype start = 0,
                    Qt::CaseSensitivity cs = Qt::CaseSensitive);

/// s with every occurrence of from replaced by to; s itself (shared) when nothing changes.
QString stringByReplacingCharacter(const QString &s, char16_t from, char16_t to,
                                   Qt::CaseSensitivity cs = Qt::CaseSensitive);
/// s with every non-overlapping occurrence of target replaced; s itself when target is absent
/// from s or either argument is null.
QString stringByReplacingString(const QString &s, const QString &target, const QString &replacement,
                                Qt::CaseSensitivity cs = Qt::CaseSensitive);

} // namespace textlib
