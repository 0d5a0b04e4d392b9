// Base64 of any bytes decodes back to exactly those bytes; decoding any text keeps its promises.
#include "fuzzinput.h"

#include "textlib/base64.h"
#include "textlib/charactersets.h"

#include <QByteArray>
#include <QString>

#include <cstdlib>

namespace {

// The plain reading of the rule, kept apart from the table the library uses.
bool looksLikeBase64(const QString &text) {
    qsizetype end = text.size();
    while (end > 0 && textlib::isMember(textlib::whiteCharacterSetRep(), text[end - 1].unicode()))
        --end;
    for (qsizetype i = 0; i < end; ++i) {
        const char c = char(text[i].unicode() & 0xFF);
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+'
              || c == '/'))
            return false;
    }
    return end > 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString padded = textlib::encodedBase64Data(bytes);
    if (textlib::decodedBase64Data(padded) != bytes || padded.isNull() != bytes.isEmpty()
        || textlib::isBase64String(padded) != (size > 0 && size % 3 == 0))
        std::abort();

    const QString text = fuzzText(data, size);
    if (textlib::isBase64String(text) != looksLikeBase64(text))
        std::abort();
    const QString decoded = textlib::decodebase64(text);
    if (decoded.contains(QChar(u'\0')))
        std::abort();
    const QByteArray raw = textlib::decodedBase64Data(text);
    if (raw.size() > (text.size() + 3) / 4 * 3 || (raw.isNull() != (raw.size() == 0)))
        std::abort();

    // Text without NUL, lone surrogates or a leading BOM survives the unpadded round trip.
    const QString unpadded = textlib::encodebase64(text);
    if (!unpadded.isNull() && !text.contains(QChar(u'\0')) && !text.startsWith(QChar(0xFEFF))
        && textlib::decodebase64(unpadded) != text)
        std::abort();
    return 0;
}
