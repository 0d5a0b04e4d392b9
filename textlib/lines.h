// Cutting text into lines and reading its line breaks.
#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

namespace textlib {

/// Line-break units: U+0003, LF, FF, CR, U+2028, U+2029, U+FEFF and U+FFFC. A fixed set rather
/// than a Unicode class: VT and NEL are not breaks here.
constexpr bool isFeed(char16_t c) noexcept {
    if (c < 0x0E)
        return (0x3408u >> c) & 1u; // bits 3, 10, 12, 13
    return c == 0x2028 || c == 0x2029 || c == 0xFEFF || c == 0xFFFC;
}

/// s cut after every line break; each line keeps its terminator and CR LF stays together. Text
/// after the last break is a line of its own, but no empty line follows a final break, so the
/// lines joined give s back. Empty for an empty or null s.
QStringList lines(QStringView s);
/// The number of elements lines(s) has, without building them.
qsizetype numberOfLines(QStringView s);

/// The text before the first line break: s itself (shared) when it has none, empty when s starts
/// with a break.
QString firstLine(const QString &s);
/// The run of line breaks at the end of s (such as CR LF): empty when s does not end with one,
/// s itself when it consists of breaks only.
QString feedOfLine(const QString &s);
/// Whether the last unit of s is a line break.
bool hasFeedOfLine(QStringView s);

} // namespace textlib
