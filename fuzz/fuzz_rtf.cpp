// Feeds arbitrary bytes to the RTF reader: it must answer every input promptly with styled text
// or "cannot be parsed", and what it reads must survive the writer and the reader again. The
// same bytes as text, cut into styled runs, must survive the writer too.
#include "fuzzinput.h"

#include "styledtext/attributedstring.h"
#include "styledtext/rtfappend.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace {

// Without attachments, which plain RTF leaves out.
AttributedString withoutAttachments(const AttributedString &s) {
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

void checkRoundTrip(const AttributedString &s, const QVariantMap &document) {
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

// Runs of up to eight units whose attributes come from the units themselves.
AttributedString styledText(const QString &text) {
    AttributedString s;
    for (qsizetype i = 0; i < text.size();) {
        const char16_t key = text[i].unicode();
        const qsizetype length = std::min<qsizetype>(1 + key % 8, text.size() - i);
        TextAttributes a;
        a.bold = key & 1;
        a.italic = key & 2;
        a.underline = key & 4;
        if (key & 8)
            a.fontSize = 6 + (key >> 8) % 40 / 2.0;
        const QStringView characters = QStringView(text).sliced(i, length);
        // The reader trims family names, as no font is named with surrounding blanks.
        if (const QStringView family = characters.trimmed(); key & 16 && !family.isEmpty())
            a.fontFamily = family.toString();
        if (key & 32)
            a.foregroundColor = QColor::fromRgb(0x10000u * key + key);
        if (key & 64)
            a.link = QUrl(QStringLiteral("https://example.com/%1").arg(key));
        if (key & 128) {
            // Values a twip can hold: what the writer promises to keep.
            ParagraphStyle p{.paragraphSpacingBefore = (key >> 8) / 4.0};
            p.minimumLineHeight = (key >> 10) % 4 * 6.5;
            p.maximumLineHeight = (key >> 12) % 3 * 10.0;
            p.lineBreakMode = LineBreakMode((key >> 9) % 6);
            p.allowsDefaultTighteningForTruncation = key & 0x4000;
            if (key & 0x8000)
                p.tabStops = {(key >> 8) % 16 * 2.5, 100.05};
            else if (key & 0x2000)
                p.tabStops.clear();
            a.paragraphStyle = p;
        }
        if (key & 256)
            a.underlineColor = QColor::fromRgb(0x10101u * (key >> 8));
        s.append(characters, a);
        i += length;
    }
    return s;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    QVariantMap document;
    const std::optional<AttributedString> before = AttributedString::fromRTF(bytes, &document);
    if (before)
        checkRoundTrip(*before, document);
    // Appending in place: a document the reader takes stays one, with the text added.
    if (const std::optional<QByteArray> added = rtfByAppending(bytes, u" = 1")) {
        const std::optional<AttributedString> after = AttributedString::fromRTF(*added);
        if (before && !before->string().isEmpty() && (!after || !after->string().contains(u" = 1")))
            std::abort();
    }
    // A short prefix is enough for the writer and keeps the reader's share of the time high.
    checkRoundTrip(styledText(fuzzText(data, std::min<std::size_t>(size, 256))), {});
    return 0;
}
