// Turning hard-wrapped text back into paragraphs.
#pragma once

#include <QString>
#include <QStringView>

namespace textlib {

/// s with its line breaks rewritten in one pass: a run of two or more breaks (CR LF counts once)
/// becomes LF LF; a single break stays as LF before a line starting with a space, "-", "/", ">"
/// or "}" and after a line ending with ":" or ">", vanishes at the very start or end and after a
/// white unit, and otherwise becomes a space joining the lines. Every run of blanks becomes one
/// space. s itself (shared) when that changes nothing, so also for an empty or null s.
QString reformattedMailing(const QString &s);

/// The lines of s, each stripped of every unit in characters (nothing for null or empty) and
/// trimmed, joined by spaces into paragraphs; runs of empty lines make one paragraph break,
/// written as the terminator of the first of them twice (only once on the last line). Leading
/// empty lines vanish and blank runs collapse to one space. Empty for an empty s, null for null.
QString reformattedStringByRemovingCharactersOfString(const QString &s, QStringView characters);

} // namespace textlib
