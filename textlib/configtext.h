// Line-oriented configuration text: key, white space, value; # comments.
#pragma once

#include "charactersets.h"

#include <QString>
#include <QStringList>
#include <QStringView>

#include <initializer_list>
#include <span>

namespace textlib {

// Lines end at every line break (isFeed in lines.h); white units are the members of
// whiteCharacterSetRep(). Keys compare ignoring case, unit by unit (equalIgnoringCase).

/// The configuration lines of s in order, each trimmed of white units at both ends. Comment
/// lines (first non-white unit "#"), blank lines and lines of a single unit are left out.
QStringList configLines(QStringView s);
/// The rest of one configuration line after key and at least one white unit, trimmed, when the
/// line starts with key; null when it does not, when the value is empty, or for an empty or null
/// key.
QString configValueForKey(QStringView line, QStringView key);
/// The index of the first of keys that equals s ignoring case (isEqualToStringNoCase), or
/// NotFound. A null entry ends the list, so a null-terminated array can be passed whole; a null s
/// equals no key.
qsizetype typedValueForKeys(const QString &s, std::span<const QString> keys);
inline qsizetype typedValueForKeys(const QString &s, std::initializer_list<QString> keys) {
    return typedValueForKeys(s, std::span(keys.begin(), keys.size()));
}

} // namespace textlib
