// Helpers for the styled-text tests: readable failure output, run invariants and a small
// builder for expected styled text.
#pragma once

#include "styledtext/attributedstring.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <initializer_list>
#include <ostream>
#include <utility>

inline QString describeAttributes(const TextAttributes &a) {
    QStringList parts;
    if (a.fontFamily)
        parts << QStringLiteral("font=%1").arg(*a.fontFamily);
    if (a.fontSize)
        parts << QStringLiteral("size=%1").arg(*a.fontSize);
    if (a.bold)
        parts << QStringLiteral("bold");
    if (a.italic)
        parts << QStringLiteral("italic");
    if (a.underline)
        parts << QStringLiteral("underline");
    if (a.foregroundColor)
        parts << QStringLiteral("fg=%1").arg(a.foregroundColor->name(QColor::HexArgb));
    if (a.backgroundColor)
        parts << QStringLiteral("bg=%1").arg(a.backgroundColor->name(QColor::HexArgb));
    if (a.link)
        parts << QStringLiteral("link=%1").arg(a.link->toString());
    if (a.paragraphStyle)
        parts << QStringLiteral("before=%1").arg(a.paragraphStyle->paragraphSpacingBefore)
              << QStringLiteral("after=%1").arg(a.paragraphStyle->paragraphSpacing);
    if (a.underlineColor)
        parts << QStringLiteral("ulc=%1").arg(a.underlineColor->name(QColor::HexArgb));
    if (a.attachment)
        parts << QStringLiteral("attachment=%1,%2,%3 bytes")
                     .arg(a.attachment->preferredFilename, a.attachment->mimeType)
                     .arg(a.attachment->contents.size());
    return parts.join(u' ');
}

inline void PrintTo(const TextAttributes &a, std::ostream *os) {
    *os << '{' << describeAttributes(a).toStdString() << '}';
}

inline void PrintTo(const AttributedString &s, std::ostream *os) {
    qsizetype start = 0;
    for (const AttributedString::Run &run : s.runs()) {
        QString chars = s.string().mid(start, run.length);
        chars.replace(u'\n', QLatin1StringView("\\n"));
        *os << '"' << chars.toStdString() << "\" {"
            << describeAttributes(run.attributes).toStdString() << "} ";
        start += run.length;
    }
    if (s.runs().isEmpty())
        *os << "(empty)";
}

inline void PrintTo(const std::optional<AttributedString> &s, std::ostream *os) {
    if (s)
        PrintTo(*s, os);
    else
        *os << "nullopt";
}

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString &s, std::ostream *os) {
    *os << '"' << s.toStdString() << '"';
}
QT_END_NAMESPACE

/// Runs cover the characters exactly, none is empty and no two neighbours are equal.
inline testing::AssertionResult runsAreSound(const AttributedString &s) {
    qsizetype total = 0;
    for (qsizetype i = 0; i < s.runs().size(); ++i) {
        const AttributedString::Run &run = s.runs()[i];
        if (run.length <= 0)
            return testing::AssertionFailure() << "run " << i << " has length " << run.length;
        if (i > 0 && s.runs()[i - 1].attributes == run.attributes)
            return testing::AssertionFailure() << "runs " << i - 1 << " and " << i << " are equal";
        total += run.length;
    }
    if (total != s.length())
        return testing::AssertionFailure() << "runs cover " << total << " units of " << s.length();
    return testing::AssertionSuccess();
}

/// Styled text from pieces, each with its attributes.
inline AttributedString styled(std::initializer_list<std::pair<QString, TextAttributes>> pieces) {
    AttributedString result;
    for (const auto &[text, attributes] : pieces)
        result.append(AttributedString(text, attributes));
    return result;
}

/// Attribute sets built one property at a time: attrs().bold().size(14).
struct attrs : TextAttributes {
    attrs &font(const QString &family) {
        fontFamily = family;
        return *this;
    }
    attrs &size(double points) {
        fontSize = points;
        return *this;
    }
    attrs &bolded() {
        bold = true;
        return *this;
    }
    attrs &italics() {
        italic = true;
        return *this;
    }
    attrs &underlined() {
        underline = true;
        return *this;
    }
    attrs &fg(QRgb rgb) {
        foregroundColor = QColor::fromRgb(rgb);
        return *this;
    }
    attrs &bg(QRgb rgb) {
        backgroundColor = QColor::fromRgb(rgb);
        return *this;
    }
    attrs &linkTo(const QString &url) {
        link = QUrl(url);
        return *this;
    }
    attrs &before(double points) {
        paragraph().paragraphSpacingBefore = points;
        return *this;
    }
    attrs &after(double points) {
        paragraph().paragraphSpacing = points;
        return *this;
    }
    ParagraphStyle &paragraph() {
        if (!paragraphStyle)
            paragraphStyle.emplace();
        return *paragraphStyle;
    }
    attrs &attached(const QString &name, const QString &mimeType, const QByteArray &contents) {
        attachment = TextAttachment{name, mimeType, contents};
        return *this;
    }
};

/// The bytes of a literal, NULs included.
template<std::size_t N> QByteArray bytesOf(const char (&literal)[N]) {
    return QByteArray(literal, qsizetype(N - 1));
}

inline QString u16(const char16_t *s) {
    return QString::fromUtf16(s);
}
