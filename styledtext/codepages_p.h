// Windows and Mac code pages as RTF names them, decoded through ICU.
#pragma once

#include "textlib/icuconverter_p.h"

#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <map>

namespace styledtext {

/// The code page that an RTF \fcharsetN stands for; 0 when it means "the document's".
int codePageForCharset(int charset);

/// Decodes bytes in Windows code pages (1252, 932...), Mac code pages (10000...) and the
/// DOS ones (437, 850...). Unknown code pages decode as 1252, and so do those that do not read
/// ASCII as ASCII (EBCDIC, UTF-16, UTF-7). Converters are opened on first use and kept for the
/// life of the decoder.
class CodePageDecoder {
public:
    CodePageDecoder();
    ~CodePageDecoder();
    CodePageDecoder(const CodePageDecoder &) = delete;
    CodePageDecoder &operator=(const CodePageDecoder &) = delete;

    /// Bytes that form no character become U+FFFD. The text lives until the next call.
    QStringView decode(QByteArrayView bytes, int codePage);

private:
    UConverter *converter(int codePage);

    std::map<int, textlib::detail::IcuConverter> m_converters;
    QString m_decoded;
};

} // namespace styledtext
