// Helpers for the styled-text tests: readable failure output, run invariants and a small
// builder for expected styled text.
#pragma once

#include "styledtext/attributedstring.h"
#include "tests/support/testing.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <initializer_list>
#include <ostream>
#include <string_view>
#include <utility>

// Failure output: each run's characters and its attributes by number (see Attribute).
inline void PrintTo(const TextAttributes &a, std::ostream *os) {
    for (auto [name, value] : a.dictionary().asKeyValueRange())
        *os << int(name) << '=' << value.toString().toStdString() << ' ';
}

inline void PrintTo(const AttributedString &s, std::ostream *os) {
    qsizetype start = 0;
    for (const AttributedString::Run &run : s.runs()) {
        *os << '"' << s.string().mid(start, run.length).toStdString() << "\" {";
        PrintTo(run.attributes, os);
        *os << "} ";
        start += run.length;
    }
}

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString &s, std::ostream *os) {
    *os << '"' << s.toStdString() << '"';
}
QT_END_NAMESPACE

/// Runs cover the characters exactly, none is empty and no two neighbours are equal.
inline bool runsAreSound(const AttributedString &s) {
    qsizetype total = 0;
    for (qsizetype i = 0; i < s.runs().size(); total += s.runs()[i++].length) {
        if (s.runs()[i].length <= 0
            || (i > 0 && s.runs()[i - 1].attributes == s.runs()[i].attributes))
            return false;
    }
    return total == s.length();
}

/// Styled text from pieces, each with its attributes.
inline AttributedString styled(std::initializer_list<std::pair<QString, TextAttributes>> pieces) {
    AttributedString result;
    for (const auto &[text, attributes] : pieces)
        result.append(AttributedString(text, attributes));
    return result;
}

/// Attribute sets built one property at a time: attrs().bolded().size(14).
struct attrs : TextAttributes {
    attrs &font(const QString &family) { return fontFamily = family, *this; }
    attrs &size(double points) { return fontSize = points, *this; }
    attrs &bolded() { return bold = true, *this; }
    attrs &italics() { return italic = true, *this; }
    attrs &underlined() { return underline = true, *this; }
    attrs &fg(QRgb rgb) { return foregroundColor = QColor::fromRgb(rgb), *this; }
    attrs &bg(QRgb rgb) { return backgroundColor = QColor::fromRgb(rgb), *this; }
    attrs &linkTo(const QString &url) { return link = QUrl(url), *this; }
    attrs &before(double points) { return paragraph().paragraphSpacingBefore = points, *this; }
    attrs &after(double points) { return paragraph().paragraphSpacing = points, *this; }
    attrs &style(const ParagraphStyle &p) { return paragraphStyle = p, *this; }
    ParagraphStyle &paragraph() {
        return paragraphStyle ? *paragraphStyle : paragraphStyle.emplace();
    }
    attrs &attached(const QString &name, const QString &mimeType, const QByteArray &contents) {
        return attachment = TextAttachment{name, mimeType, contents}, *this;
    }
};

/// The units of a view, NULs included (u"a\0b"sv); a default view gives a null string.
inline QString u16(std::u16string_view s) {
    return QString(reinterpret_cast<const QChar *>(s.data()), qsizetype(s.size()));
}
