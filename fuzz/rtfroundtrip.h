// The check both RTF fuzzers make: styled text survives the RTF writer and the reader again.
#pragma once

#include "styledtext/attributedstring.h"

#include <QVariantMap>

#include <cstdlib>
#include <optional>

// Without attachments, which plain RTF leaves out.
inline AttributedString withoutAttachments(const AttributedString &s) {
    AttributedString result;
    qsizetype start = 0;
    for (const AttributedString::Run &run : s.runs()) {
        QString characters = s.string().mid(start, run.length);
        TextAttributes attributes = run.attributes;
        if (attributes.attachment) {
            characters.remove(QChar(0xFFFC));
            attributes.attachment.reset();
        }
        result.append(characters, attributes);
        start += run.length;
    }
    return result;
}

inline void checkRoundTrip(const AttributedString &s, const QVariantMap &document) {
    QVariantMap readBack;
    const QByteArray withPictures = s.RTFDFromRange(0, s.length(), document);
    const std::optional<AttributedString> rtfd =
        AttributedString::fromRTFD(withPictures, &readBack);
    if (!rtfd || *rtfd != s || readBack != document)
        std::abort();
    // Without pictures to leave out the writer gives the same bytes, which read the same again.
    const QByteArray plain = s.RTFFromRange(0, s.length(), document);
    const std::optional<AttributedString> rtf =
        plain == withPictures ? rtfd : AttributedString::fromRTF(plain);
    if (!rtf || *rtf != withoutAttachments(s))
        std::abort();
}
