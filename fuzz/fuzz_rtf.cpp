// Feeds arbitrary bytes to the RTF reader: it must answer every input promptly with styled text
// or "cannot be parsed", what it reads must survive the writer and the reader again, and text
// appended in place must be read back. fuzz_rtfwriter feeds the writer styled text of its own.
#include "rtfroundtrip.h"

#include "styledtext/rtfappend.h"

#include <cstdint>

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
    return 0;
}
