// Shared helpers for the text library tests: case tables spell texts as u16string_view so that
// embedded NULs survive, and a default-constructed view stands for the null string.
#pragma once

#include <QString>

#include <ostream>
#include <sstream>
#include <string>
#include <string_view>

inline QString makeText(std::u16string_view text) {
    return text.data() ? QString::fromUtf16(text.data(), qsizetype(text.size())) : QString();
}

// ASCII as is, everything else as \uXXXX, so failure messages show exactly which units differ.
inline std::string quoted(std::u16string_view text) {
    if (!text.data())
        return "<null>";
    std::ostringstream os;
    os << '"';
    for (char16_t c : text) {
        if (c >= 0x20 && c < 0x7F)
            os << char(c);
        else
            os << "\\u" << std::hex << unsigned(c) << std::dec;
    }
    os << '"';
    return os.str();
}

inline std::string quoted(const QString &s) {
    return s.isNull() ? std::string("<null>")
                      : quoted(std::u16string_view(reinterpret_cast<const char16_t *>(s.utf16()),
                                                   size_t(s.size())));
}

inline void PrintTo(const QString &s, std::ostream *os) {
    *os << quoted(s);
}
