// Feeds the RTF writer styled text made from arbitrary bytes (characters, fonts, colours, links,
// paragraph styles): what it writes must read back as the same styled text.
#include "fuzzinput.h"
#include "rtfroundtrip.h"

#include <algorithm>
#include <cstdint>

namespace {

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
    // A short prefix holds runs enough of every kind and keeps each input quick.
    checkRoundTrip(styledText(fuzzText(data, std::min<std::size_t>(size, 256))), {});
    return 0;
}
