#include "styledtext/codepages_p.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>
#include <unicode/ucnv_err.h>

#include <iterator>
#include <string>

namespace styledtext {

namespace {

// ICU's own substitute is U+001A for many single-byte pages; readers expect U+FFFD.
void substituteReplacementCharacter(const void *, UConverterToUnicodeArgs *args, const char *,
                                    int32_t, UConverterCallbackReason reason, UErrorCode *error) {
    if (reason > UCNV_IRREGULAR)
        return; // reset, close and clone need nothing
    static const UChar replacement = 0xFFFD;
    *error = U_ZERO_ERROR;
    ucnv_cbToUWriteUChars(args, &replacement, 1, 0, error);
}

// Whether the converter reads ASCII as ASCII, as the text of an RTF file is whatever its code
// page. Some East Asian pages put a yen or won sign at the backslash and an overline at the
// tilde; those still count.
bool keepsAscii(UConverter *cnv) {
    char ascii[0x7F - 0x20];
    for (int i = 0; i < int(sizeof ascii); ++i)
        ascii[i] = char(0x20 + i);
    UChar decoded[2 * sizeof ascii];
    UErrorCode error = U_ZERO_ERROR;
    const int32_t written =
        ucnv_toUChars(cnv, decoded, int32_t(std::size(decoded)), ascii, sizeof ascii, &error);
    if (U_FAILURE(error) || written != int32_t(sizeof ascii))
        return false;
    for (int i = 0; i < written; ++i) {
        if (decoded[i] != UChar(ascii[i]) && ascii[i] != '\\' && ascii[i] != '~')
            return false;
    }
    ucnv_reset(cnv);
    return true;
}

} // namespace

int codePageForCharset(int charset) {
    switch (charset) {
    case 77:
        return 10000; // Mac Roman
    case 78:
        return 10001; // Mac Japanese
    case 79:
        return 10003; // Mac Korean
    case 80:
        return 10008; // Mac Simplified Chinese
    case 81:
        return 10002; // Mac Traditional Chinese
    case 83:
        return 10005; // Mac Hebrew
    case 84:
        return 10004; // Mac Arabic
    case 85:
        return 10006; // Mac Greek
    case 86:
        return 10081; // Mac Turkish
    case 87:
        return 10021; // Mac Thai
    case 88:
        return 10029; // Mac Central European
    case 89:
        return 10007; // Mac Cyrillic
    case 128:
        return 932; // Shift-JIS
    case 129:
        return 949; // Hangul
    case 130:
        return 1361; // Johab
    case 134:
        return 936; // GB2312 / GBK
    case 136:
        return 950; // Big5
    case 161:
        return 1253; // Greek
    case 162:
        return 1254; // Turkish
    case 163:
        return 1258; // Vietnamese
    case 177:
        return 1255; // Hebrew
    case 178:
        return 1256; // Arabic
    case 186:
        return 1257; // Baltic
    case 204:
        return 1251; // Cyrillic
    case 222:
        return 874; // Thai
    case 238:
        return 1250; // Central European
    case 254:
        return 437; // PC 437
    case 255:
        return 850; // OEM
    default:
        return 0; // ANSI, default, symbol: the document's code page
    }
}

CodePageDecoder::CodePageDecoder() = default;
CodePageDecoder::~CodePageDecoder() = default;

UConverter *CodePageDecoder::converter(int codePage) {
    auto found = m_converters.find(codePage);
    if (found != m_converters.end())
        return found->second.get();
    // ICU knows Windows and Mac pages as "windows-N", the DOS ones as "ibm-N".
    std::string names[3] = {"windows-" + std::to_string(codePage),
                            "ibm-" + std::to_string(codePage), "cp" + std::to_string(codePage)};
    if (codePage == 65001)
        names[0] = "UTF-8";
    // ICU lacks the Mac CJK pages; their Windows counterparts cover the same characters.
    const int windowsCJK = codePage == 10001   ? 932
                           : codePage == 10002 ? 950
                           : codePage == 10003 ? 949
                           : codePage == 10008 ? 936
                                               : 0;
    if (windowsCJK)
        names[1] = "windows-" + std::to_string(windowsCJK);
    textlib::detail::IcuConverter opened;
    for (const std::string &name : names) {
        opened = textlib::detail::openConverter(name.c_str());
        if (opened)
            break;
    }
    if (opened && !keepsAscii(opened.get()))
        opened = {};
    if (opened) {
        UErrorCode error = U_ZERO_ERROR;
        ucnv_setToUCallBack(opened.get(), substituteReplacementCharacter, nullptr, nullptr, nullptr,
                            &error);
    }
    return m_converters.emplace(codePage, std::move(opened)).first->second.get();
}

QStringView CodePageDecoder::decode(QByteArrayView bytes, int codePage) {
    if (bytes.isEmpty())
        return QStringView();
    if (bytes.size() > 0x3FFFFFFF) {
        m_decoded = QString::fromLatin1(bytes);
        return m_decoded;
    }
    UConverter *cnv = converter(codePage);
    if (!cnv && codePage != 1252)
        cnv = converter(1252);
    // Every byte gives at most two UTF-16 units; the buffer is kept for the next bytes.
    if (m_decoded.size() < bytes.size() * 2)
        m_decoded.resize(bytes.size() * 2);
    UErrorCode error = U_ZERO_ERROR;
    if (cnv) {
        ucnv_reset(cnv);
        const int32_t written =
            ucnv_toUChars(cnv, reinterpret_cast<UChar *>(m_decoded.data()),
                          int32_t(m_decoded.size()), bytes.data(), int32_t(bytes.size()), &error);
        if (U_SUCCESS(error))
            return QStringView(m_decoded).first(written);
    }
    m_decoded = QString::fromLatin1(bytes);
    return m_decoded;
}

} // namespace styledtext
