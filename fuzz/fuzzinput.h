// Turning fuzzer bytes into text: raw UTF-16 when the first byte is 0xFE, so lone surrogates
// and every other unit are reached, else UTF-8 as a selection would arrive.
#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>

inline QString fuzzText(const std::uint8_t *data, std::size_t size) {
    QString text;
    if (size > 0 && data[0] == 0xFE)
        // Unit by unit: fromUtf16() would take a leading U+FEFF as a byte-order mark.
        text = QString(reinterpret_cast<const QChar *>(data + 1), qsizetype((size - 1) / 2));
    else
        text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    return text.isNull() ? QString(QLatin1StringView("")) : text;
}
