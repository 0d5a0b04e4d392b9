// Finding substrings relative to a selection; lookups in string lists.
#pragma once

#include "charactersets.h"
#include "range.h"

#include <QString>
#include <QStringList>
#include <QStringView>

#include <initializer_list>
#include <span>

namespace textlib {

// Ignoring case compares units by their upperCharsTable forms, as everywhere in this library.
// A null or empty needle is never found.

enum class Direction {
    Forward,  ///< the next occurrence after the selection
    Backward, ///< the previous occurrence before it
};

enum class Wrap {
    Off,    ///< search only beyond the selection in the given direction
    Around, ///< then go on from the other end of the text
};

/// The next (Forward) or previous (Backward) occurrence of needle outside range, which is never
/// searched itself, so a match overlapping it is not found. Forward searches [range end, size),
/// then with Around [0, range location), unless the range ended at 0. Backward searches the last
/// occurrence in [0, location), then with Around in [range end, size), unless the range ended at
/// the text's end. Range{NotFound, 0} when nothing matches or range does not lie inside s.
Range findString(QStringView s, QStringView needle, Range range,
                 Qt::CaseSensitivity cs = Qt::CaseSensitive,
                 Direction direction = Direction::Forward, Wrap wrap = Wrap::Off);

/// Whether needle occurs in s.
bool containsSubstring(QStringView s, QStringView needle,
                       Qt::CaseSensitivity cs = Qt::CaseSensitive);
/// Number of non-overlapping occurrences, counted from the start: "aaaa" holds "aa" twice.
qsizetype countSubstring(QStringView s, QStringView needle,
                         Qt::CaseSensitivity cs = Qt::CaseSensitive);

/// Whether any entry of list occurs in s. A null entry ends the list early, so a null-terminated
/// array can be passed whole; an empty entry matches nothing.
bool containsSubstrings(QStringView s, std::span<const QString> list,
                        Qt::CaseSensitivity cs = Qt::CaseSensitive);
inline bool containsSubstrings(QStringView s, std::initializer_list<QString> list,
                               Qt::CaseSensitivity cs = Qt::CaseSensitive) {
    return containsSubstrings(s, std::span(list.begin(), list.size()), cs);
}

/// Whether any NUL-terminated byte string of list occurs in s (see fastContainsSubCStrings).
/// Ignoring case lowercases s through lowerCharsTable and not the byte strings, so only byte
/// strings written in lowercase match then.
bool containsSubCStrings(QStringView s, std::span<const char *const> list,
                         Qt::CaseSensitivity cs = Qt::CaseSensitive);
inline bool containsSubCStrings(QStringView s, std::initializer_list<const char *> list,
                                Qt::CaseSensitivity cs = Qt::CaseSensitive) {
    return containsSubCStrings(s, std::span(list.begin(), list.size()), cs);
}

/// Index of the first element of list with the length of string and equal to it, or NotFound;
/// NotFound for an empty string.
qsizetype indexOfStringInArray(const QStringList &list, QStringView string,
                               Qt::CaseSensitivity cs = Qt::CaseSensitive);

inline qsizetype indexOfStringEqualTo(const QStringList &list, QStringView string) {
    return indexOfStringInArray(list, string, Qt::CaseSensitive);
}
inline qsizetype indexOfStringEqualToNoCase(const QStringList &list, QStringView string) {
    return indexOfStringInArray(list, string, Qt::CaseInsensitive);
}
inline bool containsString(const QStringList &list, QStringView string) {
    return indexOfStringEqualTo(list, string) != NotFound;
}
inline bool containsStringNoCase(const QStringList &list, QStringView string) {
    return indexOfStringEqualToNoCase(list, string) != NotFound;
}

} // namespace textlib
