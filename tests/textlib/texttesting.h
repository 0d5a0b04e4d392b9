// Shared helpers for the text library tests: case tables spell texts as u16string_view so that
// embedded NULs survive, and a default-constructed view stands for the null string.
#pragma once

#include <QString>
#include <QStringView>

#include <gtest/gtest.h>

#include <cstdio>
#include <initializer_list>
#include <ostream>
#include <string>
#include <string_view>

// Every test file here spells texts and names the library's functions the same way.
namespace textlib {}
using namespace textlib;
using namespace std::literals;
using namespace Qt::StringLiterals;

// The null text in rows of pairs and tuples, where {} would be ambiguous.
inline constexpr std::u16string_view Null;

// Not QString::fromUtf16(): it would drop a leading U+FEFF as a byte-order mark.
inline QString makeText(QStringView text) {
    return text.isNull() ? QString() : text.toString();
}

// ASCII as is, everything else as \uXXXX, so failure messages show exactly which units differ.
// Exact overloads, so that std::quoted is never picked by argument-dependent lookup.
inline std::string quoted(std::u16string_view text) {
    if (!text.data())
        return "<null>";
    std::string out = "\"";
    for (char16_t c : text) {
        char unit[8];
        std::snprintf(unit, sizeof unit, c >= 0x20 && c < 0x7F ? "%c" : "\\u%x", unsigned(c));
        out += unit;
    }
    return out + '"';
}
inline std::string quoted(const QString &s) {
    return quoted(std::u16string_view(QStringView(s).utf16(), size_t(s.size())));
}

inline void PrintTo(const QString &s, std::ostream *os) {
    *os << quoted(s);
}

// result holds expected, null exactly when expected is null; a result equal to original must
// still share its data, so an edit that changes nothing neither detaches nor copies.
inline void expectText(const QString &result, std::u16string_view expected) {
    EXPECT_EQ(result, makeText(expected));
    EXPECT_EQ(result.isNull(), expected.data() == nullptr);
}
inline void expectText(const QString &original, const QString &result,
                       std::u16string_view expected) {
    expectText(result, expected);
    if (result == original) {
        EXPECT_EQ(result.constData(), original.constData());
    }
}

// A named edit of a text, in place and/or as a copy (either may be null), with an input and the
// output both forms must give.
struct TextOp {
    const char *name;
    void (*inPlace)(QString &);
    QString (*copy)(const QString &);
};
struct TextOpCase {
    TextOp op;
    std::u16string_view text, expected;
};

inline void expectTextOps(std::initializer_list<TextOpCase> cases) {
    for (const TextOpCase &k : cases) {
        SCOPED_TRACE(std::string(k.op.name) + " " + quoted(k.text));
        const QString original = makeText(k.text);
        if (k.op.inPlace) {
            QString s = original;
            k.op.inPlace(s);
            expectText(original, s, k.expected);
        }
        if (k.op.copy)
            expectText(original, k.op.copy(original), k.expected);
    }
}
