#include "encodings.h"

#include "characters.h"
#include "icuconverter_p.h"
#include "shiftjis_p.h"

#include <QHash>
#include <QSysInfo>

#include <unicode/ucnv.h>
#include <unicode/ucsdet.h>
#include <unicode/utf16.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>

namespace textlib {

namespace {

template<typename T> bool validInput(const T *data, qsizetype count) {
    return count >= 0 && (data || count == 0);
}

template<typename T> bool validOutput(const T *data, qsizetype capacity) {
    return capacity >= 0 && (data || capacity == 0);
}

// Neither table is in ICU's data; both come from the vendors' published mapping tables. 0 marks
// an unassigned byte.
constexpr char16_t nextStepHigh[128] = {
    0x00A0, 0x00C0, 0x00C1, 0x00C2, 0x00C3, 0x00C4, 0x00C5, 0x00C7, 0x00C8, 0x00C9, 0x00CA, 0x00CB,
    0x00CC, 0x00CD, 0x00CE, 0x00CF, 0x00D0, 0x00D1, 0x00D2, 0x00D3, 0x00D4, 0x00D5, 0x00D6, 0x00D9,
    0x00DA, 0x00DB, 0x00DC, 0x00DD, 0x00DE, 0x00B5, 0x00D7, 0x00F7, 0x00A9, 0x00A1, 0x00A2, 0x00A3,
    0x2044, 0x00A5, 0x0192, 0x00A7, 0x00A4, 0x2019, 0x201C, 0x00AB, 0x2039, 0x203A, 0xFB01, 0xFB02,
    0x00AE, 0x2013, 0x2020, 0x2021, 0x00B7, 0x00A6, 0x00B6, 0x2022, 0x201A, 0x201E, 0x201D, 0x00BB,
    0x2026, 0x2030, 0x00AC, 0x00BF, 0x00B9, 0x02CB, 0x00B4, 0x02C6, 0x02DC, 0x00AF, 0x02D8, 0x02D9,
    0x00A8, 0x00B2, 0x02DA, 0x00B8, 0x00B3, 0x02DD, 0x02DB, 0x02C7, 0x2014, 0x00B1, 0x00BC, 0x00BD,
    0x00BE, 0x00E0, 0x00E1, 0x00E2, 0x00E3, 0x00E4, 0x00E5, 0x00E7, 0x00E8, 0x00E9, 0x00EA, 0x00EB,
    0x00EC, 0x00C6, 0x00ED, 0x00AA, 0x00EE, 0x00EF, 0x00F0, 0x00F1, 0x0141, 0x00D8, 0x0152, 0x00BA,
    0x00F2, 0x00F3, 0x00F4, 0x00F5, 0x00F6, 0x00E6, 0x00F9, 0x00FA, 0x00FB, 0x0131, 0x00FC, 0x00FD,
    0x0142, 0x00F8, 0x0153, 0x00DF, 0x00FE, 0x00FF, 0x0000, 0x0000,
};

// Bytes 0x20-0xFF. 0xE2-0xE4 are the sans-serif forms of 0xD2-0xD4; they read as the same
// characters, which are written back as 0xD2-0xD4.
constexpr char16_t symbolFrom20[224] = {
    0x0020, 0x0021, 0x2200, 0x0023, 0x2203, 0x0025, 0x0026, 0x220D, 0x0028, 0x0029, 0x2217, 0x002B,
    0x002C, 0x2212, 0x002E, 0x002F, 0x0030, 0x0031, 0x0032, 0x0033, 0x0034, 0x0035, 0x0036, 0x0037,
    0x0038, 0x0039, 0x003A, 0x003B, 0x003C, 0x003D, 0x003E, 0x003F, 0x2245, 0x0391, 0x0392, 0x03A7,
    0x0394, 0x0395, 0x03A6, 0x0393, 0x0397, 0x0399, 0x03D1, 0x039A, 0x039B, 0x039C, 0x039D, 0x039F,
    0x03A0, 0x0398, 0x03A1, 0x03A3, 0x03A4, 0x03A5, 0x03C2, 0x03A9, 0x039E, 0x03A8, 0x0396, 0x005B,
    0x2234, 0x005D, 0x22A5, 0x005F, 0xF8E5, 0x03B1, 0x03B2, 0x03C7, 0x03B4, 0x03B5, 0x03C6, 0x03B3,
    0x03B7, 0x03B9, 0x03D5, 0x03BA, 0x03BB, 0x03BC, 0x03BD, 0x03BF, 0x03C0, 0x03B8, 0x03C1, 0x03C3,
    0x03C4, 0x03C5, 0x03D6, 0x03C9, 0x03BE, 0x03C8, 0x03B6, 0x007B, 0x007C, 0x007D, 0x223C, 0x0000,
    0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000,
    0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000,
    0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x20AC, 0x03D2, 0x2032, 0x2264,
    0x2044, 0x221E, 0x0192, 0x2663, 0x2666, 0x2665, 0x2660, 0x2194, 0x2190, 0x2191, 0x2192, 0x2193,
    0x00B0, 0x00B1, 0x2033, 0x2265, 0x00D7, 0x221D, 0x2202, 0x2022, 0x00F7, 0x2260, 0x2261, 0x2248,
    0x2026, 0xF8E6, 0x23AF, 0x21B5, 0x2135, 0x2111, 0x211C, 0x2118, 0x2297, 0x2295, 0x2205, 0x2229,
    0x222A, 0x2283, 0x2287, 0x2284, 0x2282, 0x2286, 0x2208, 0x2209, 0x2220, 0x2207, 0x00AE, 0x00A9,
    0x2122, 0x220F, 0x221A, 0x22C5, 0x00AC, 0x2227, 0x2228, 0x21D4, 0x21D0, 0x21D1, 0x21D2, 0x21D3,
    0x22C4, 0x3008, 0x00AE, 0x00A9, 0x2122, 0x2211, 0x239B, 0x239C, 0x239D, 0x23A1, 0x23A2, 0x23A3,
    0x23A7, 0x23A8, 0x23A9, 0x23AA, 0xF8FF, 0x3009, 0x222B, 0x2320, 0x23AE, 0x2321, 0x239E, 0x239F,
    0x23A0, 0x23A4, 0x23A5, 0x23A6, 0x23AB, 0x23AC, 0x23AD, 0x0000,
};

// A byte table: bytes below `first` stand for themselves.
struct ByteTable {
    const char16_t *units;
    int first;

    char16_t decode(uchar b) const { return b < first ? char16_t(b) : units[b - first]; }
};

constexpr ByteTable nextStepTable{nextStepHigh, 0x80};
constexpr ByteTable symbolTable{symbolFrom20, 0x20};

// A null array means failure, so the empty text must come back as an empty one.
QByteArray nonNull(const QByteArray &bytes) {
    return bytes.isNull() ? QByteArray("") : bytes;
}

QString decodeByTable(QByteArrayView bytes, const ByteTable &table) {
    QString out(bytes.size(), Qt::Uninitialized);
    QChar *d = out.data();
    for (const char b : bytes) {
        const char16_t u = table.decode(uchar(b));
        if (u == 0 && b != 0)
            return {};
        *d++ = QChar(u);
    }
    return out;
}

QHash<ushort, char> reverseTable(const ByteTable &table) {
    QHash<ushort, char> map;
    for (int b = 255; b >= 0; --b) // the lower byte wins for a character with two
        if (const char16_t u = table.decode(uchar(b)); u || b == 0)
            map.insert(u, char(b));
    return map;
}

QByteArray encodeByTable(QStringView s, const ByteTable &table) {
    static const QHash<ushort, char> nextStep = reverseTable(nextStepTable);
    static const QHash<ushort, char> symbol = reverseTable(symbolTable);
    const QHash<ushort, char> &map = &table == &nextStepTable ? nextStep : symbol;
    QByteArray out(s.size(), Qt::Uninitialized);
    char *d = out.data();
    for (const QChar c : s) {
        const auto it = map.constFind(c.unicode());
        if (it == map.cend())
            return {};
        *d++ = *it;
    }
    return nonNull(out);
}

// A backslash that starts none of the escapes stands for itself, as older writers left them.
QString decodeNonLossy(QByteArrayView bytes) {
    QString out;
    out.reserve(bytes.size());
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n; ++i) {
        const uchar b = uchar(bytes[i]);
        if (b >= 0x80)
            return {};
        if (b != '\\') {
            out.append(QChar(b));
            continue;
        }
        if (i + 1 < n && bytes[i + 1] == '\\') {
            out.append(u'\\');
            ++i;
            continue;
        }
        if (i + 3 < n && bytes[i + 1] >= '0' && bytes[i + 1] <= '3' && bytes[i + 2] >= '0'
            && bytes[i + 2] <= '7' && bytes[i + 3] >= '0' && bytes[i + 3] <= '7') {
            out.append(QChar(((bytes[i + 1] - '0') << 6) | ((bytes[i + 2] - '0') << 3)
                             | (bytes[i + 3] - '0')));
            i += 3;
            continue;
        }
        if (i + 5 < n && bytes[i + 1] == 'u') {
            int value = 0;
            for (qsizetype k = i + 2; k < i + 6 && value >= 0; ++k)
                value = hexDigitValue(bytes[k]) < 0 ? -1 : value * 16 + hexDigitValue(bytes[k]);
            if (value >= 0) {
                out.append(QChar(char16_t(value)));
                i += 5;
                continue;
            }
        }
        out.append(u'\\');
    }
    return out;
}

QByteArray encodeNonLossy(QStringView s) {
    static constexpr char hex[] = "0123456789abcdef";
    QByteArray out;
    out.reserve(s.size());
    for (const QChar qc : s) {
        const char16_t c = qc.unicode();
        if (c == u'\\') {
            out.append("\\\\");
        } else if (c < 0x80) {
            out.append(char(c));
        } else if (c < 0x100) {
            const char escape[] = {'\\', char('0' + (c >> 6)), char('0' + ((c >> 3) & 7)),
                                   char('0' + (c & 7))};
            out.append(escape, 4);
        } else {
            const char escape[] = {
                '\\', 'u', hex[c >> 12], hex[(c >> 8) & 15], hex[(c >> 4) & 15], hex[c & 15]};
            out.append(escape, 6);
        }
    }
    return nonNull(out);
}

// ICU's own stop callback lets unmappable default-ignorable characters (soft hyphen, zero-width
// and bidi controls, variation selectors, U+FEFF...) vanish; leaving the error in place stops at
// them like at any other character the encoding cannot hold.
void stopAtAnyUnmappable(const void *, UConverterFromUnicodeArgs *, const UChar *, int32_t, UChar32,
                         UConverterCallbackReason, UErrorCode *) {
}

// A converter that stops at the first byte or character it cannot map.
detail::IcuConverter openStrict(const char *name) {
    detail::IcuConverter converter = detail::openConverter(name);
    if (!converter)
        return nullptr;
    UErrorCode error = U_ZERO_ERROR;
    ucnv_setToUCallBack(converter.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr,
                        &error);
    ucnv_setFromUCallBack(converter.get(), stopAtAnyUnmappable, nullptr, nullptr, nullptr, &error);
    return U_SUCCESS(error) ? std::move(converter) : nullptr;
}

// Pointers rather than ucnv_toUChars(), whose int32_t lengths would cap the size of a file.
QString icuDecode(QByteArrayView bytes, const char *name) {
    const detail::IcuConverter converter = openStrict(name);
    if (!converter)
        return {};
    QString out(bytes.size() + 16, Qt::Uninitialized);
    const char *source = bytes.data();
    const char *const sourceEnd = source + bytes.size();
    qsizetype written = 0;
    for (;;) {
        UChar *const begin = reinterpret_cast<UChar *>(out.data());
        UChar *target = begin + written;
        UErrorCode error = U_ZERO_ERROR;
        ucnv_toUnicode(converter.get(), &target, begin + out.size(), &source, sourceEnd, nullptr,
                       true, &error);
        written = target - begin;
        if (error == U_BUFFER_OVERFLOW_ERROR) {
            out.resize(out.size() * 2);
            continue;
        }
        if (U_FAILURE(error))
            return {};
        break;
    }
    out.truncate(written);
    if (detail::rotatesShiftJISControls(converter.get())) {
        for (QChar &c : out)
            c = QChar(detail::shiftJISControlFromICU(c.unicode()));
    }
    return out;
}

QByteArray icuEncode(QStringView s, const char *name) {
    const detail::IcuConverter converter = openStrict(name);
    if (!converter)
        return {};
    QString rotated;
    if (detail::rotatesShiftJISControls(converter.get())) {
        rotated.reserve(s.size());
        for (const QChar c : s)
            rotated.append(QChar(detail::shiftJISControlToICU(c.unicode())));
        s = rotated;
    }
    QByteArray out(s.size() * 2 + 16, Qt::Uninitialized);
    const UChar *source = s.utf16();
    const UChar *const sourceEnd = source + s.size();
    qsizetype written = 0;
    for (;;) {
        char *target = out.data() + written;
        UErrorCode error = U_ZERO_ERROR;
        ucnv_fromUnicode(converter.get(), &target, out.data() + out.size(), &source, sourceEnd,
                         nullptr, true, &error);
        written = target - out.data();
        if (error == U_BUFFER_OVERFLOW_ERROR) {
            out.resize(out.size() * 2);
            continue;
        }
        if (U_FAILURE(error))
            return {};
        break;
    }
    out.truncate(written);
    return nonNull(out);
}

const char *icuName(quint64 encoding) {
    switch (encoding) {
    case ASCIIStringEncoding:
        return "US-ASCII";
    case JapaneseEUCStringEncoding:
        return "EUC-JP";
    case UTF8StringEncoding:
        return "UTF-8";
    case ISOLatin1StringEncoding:
        return "ISO-8859-1";
    case ShiftJISStringEncoding:
        return "Shift_JIS";
    case ISOLatin2StringEncoding:
        return "ISO-8859-2";
    case UnicodeStringEncoding:
        return "UTF-16";
    case WindowsCP1251StringEncoding:
        return "windows-1251";
    case WindowsCP1252StringEncoding:
        return "windows-1252";
    case WindowsCP1253StringEncoding:
        return "windows-1253";
    case WindowsCP1254StringEncoding:
        return "windows-1254";
    case WindowsCP1250StringEncoding:
        return "windows-1250";
    case ISO2022JPStringEncoding:
        return "ISO-2022-JP";
    case MacOSRomanStringEncoding:
        return "macintosh";
    case UTF16BigEndianStringEncoding:
        return "UTF-16BE";
    case UTF16LittleEndianStringEncoding:
        return "UTF-16LE";
    case UTF32StringEncoding:
        return "UTF-32";
    case UTF32BigEndianStringEncoding:
        return "UTF-32BE";
    case UTF32LittleEndianStringEncoding:
        return "UTF-32LE";
    }
    return nullptr;
}

// The numbered encodings that read 7-bit bytes exactly as ASCII does.
bool isAsciiSuperset(quint64 encoding) {
    switch (encoding) {
    case ISO2022JPStringEncoding:
    case UnicodeStringEncoding:
    case UTF16BigEndianStringEncoding:
    case UTF16LittleEndianStringEncoding:
    case UTF32StringEncoding:
    case UTF32BigEndianStringEncoding:
    case UTF32LittleEndianStringEncoding:
        return false;
    }
    return true;
}

// Maps a name from ICU's detector; UTF-16/32 with a mark go to the forms that read the mark.
quint64 detectedEncoding(const char *name, QByteArrayView bytes) {
    struct Entry {
        const char *name;
        quint64 encoding;
    };
    static constexpr Entry entries[] = {
        {"UTF-8", UTF8StringEncoding},
        {"UTF-16BE", UTF16BigEndianStringEncoding},
        {"UTF-16LE", UTF16LittleEndianStringEncoding},
        {"UTF-32BE", UTF32BigEndianStringEncoding},
        {"UTF-32LE", UTF32LittleEndianStringEncoding},
        {"ISO-8859-1", ISOLatin1StringEncoding},
        {"ISO-8859-2", ISOLatin2StringEncoding},
        {"windows-1250", WindowsCP1250StringEncoding},
        {"windows-1251", WindowsCP1251StringEncoding},
        {"windows-1252", WindowsCP1252StringEncoding},
        {"windows-1253", WindowsCP1253StringEncoding},
        {"windows-1254", WindowsCP1254StringEncoding},
        {"Shift_JIS", ShiftJISStringEncoding},
        {"EUC-JP", JapaneseEUCStringEncoding},
        {"ISO-2022-JP", ISO2022JPStringEncoding},
    };
    const auto it = std::find_if(std::begin(entries), std::end(entries),
                                 [name](const Entry &e) { return std::strcmp(e.name, name) == 0; });
    if (it == std::end(entries))
        return 0;
    const auto startsWith = [bytes](std::initializer_list<uchar> mark) {
        return bytes.size() >= qsizetype(mark.size())
               && std::equal(mark.begin(), mark.end(), bytes.begin(),
                             [](uchar m, char b) { return m == uchar(b); });
    };
    switch (it->encoding) {
    case UTF16BigEndianStringEncoding:
        return startsWith({0xFE, 0xFF}) ? UnicodeStringEncoding : it->encoding;
    case UTF16LittleEndianStringEncoding:
        return startsWith({0xFF, 0xFE}) ? UnicodeStringEncoding : it->encoding;
    case UTF32BigEndianStringEncoding:
        return startsWith({0, 0, 0xFE, 0xFF}) ? UTF32StringEncoding : it->encoding;
    case UTF32LittleEndianStringEncoding:
        return startsWith({0xFF, 0xFE, 0, 0}) ? UTF32StringEncoding : it->encoding;
    }
    return it->encoding;
}

struct DetectorCloser {
    void operator()(UCharsetDetector *detector) const { ucsdet_close(detector); }
};

// ICU rates its guesses from 0 to 100; below half it is guessing.
constexpr int32_t MinimumConfidence = 50;
// Enough text for the statistics; the whole file is still checked by decoding it.
constexpr qsizetype DetectionSample = 256 * 1024;

std::atomic<quint64> defaultEncodingValue{UTF8StringEncoding};

} // namespace

// Both directions go one code point at a time, so a full buffer ends on a whole character and
// everything before a malformed sequence has been written.

ConversionStatus convertUTF8ToUnicode(const char *utf8, qsizetype byteCount, char16_t *units,
                                      qsizetype unitCapacity) {
    if (!validInput(utf8, byteCount) || !validOutput(units, unitCapacity))
        return ConversionInvalidArgument;
    qsizetype in = 0;
    qsizetype out = 0;
    while (in < byteCount) {
        UChar32 c;
        U8_NEXT(utf8, in, byteCount, c);
        if (c < 0)
            return ConversionMalformedInput;
        if (qsizetype(U16_LENGTH(c)) > unitCapacity - out)
            return ConversionOutputFull;
        U16_APPEND_UNSAFE(units, out, c);
    }
    return ConversionSucceeded;
}

ConversionStatus convertUnicodeToUTF8(const char16_t *units, qsizetype unitCount, char *utf8,
                                      qsizetype byteCapacity) {
    if (!validInput(units, unitCount) || !validOutput(utf8, byteCapacity))
        return ConversionInvalidArgument;
    qsizetype in = 0;
    qsizetype out = 0;
    while (in < unitCount) {
        UChar32 c;
        U16_NEXT(units, in, unitCount, c);
        if (U_IS_SURROGATE(c))
            return ConversionMalformedInput;
        if (qsizetype(U8_LENGTH(c)) > byteCapacity - out)
            return ConversionOutputFull;
        U8_APPEND_UNSAFE(utf8, out, c);
    }
    return ConversionSucceeded;
}

bool convertEncodingToUnicode(const char *bytes, qsizetype byteCount, const char *encoding,
                              char16_t *units, qsizetype unitCapacity, qsizetype *unitCount) {
    if (unitCount)
        *unitCount = 0;
    // ucnv_open() takes a null or empty name for the process's default converter.
    if (!encoding || !*encoding || !validInput(bytes, byteCount)
        || !validOutput(units, unitCapacity))
        return false;
    const detail::IcuConverter converter = detail::openConverter(encoding);
    if (!converter)
        return false;
    UErrorCode error = U_ZERO_ERROR;
    ucnv_setToUCallBack(converter.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr,
                        &error);
    UChar *target = units;
    const char *source = bytes;
    ucnv_toUnicode(converter.get(), &target, units + unitCapacity, &source, bytes + byteCount,
                   nullptr, true, &error);
    if (detail::rotatesShiftJISControls(converter.get()))
        std::transform(units, target, units, detail::shiftJISControlFromICU);
    if (unitCount)
        *unitCount = target - units;
    return U_SUCCESS(error);
}

bool isKnownEncoding(quint64 encoding) {
    return icuName(encoding) || encoding == NEXTSTEPStringEncoding
           || encoding == SymbolStringEncoding || encoding == NonLossyASCIIStringEncoding;
}

QString stringWithData(const QByteArray &data, quint64 encoding) {
    if (data.isEmpty())
        return isKnownEncoding(encoding) ? QStringLiteral("") : QString();
    QString text;
    switch (encoding) {
    case NEXTSTEPStringEncoding:
        text = decodeByTable(data, nextStepTable);
        break;
    case SymbolStringEncoding:
        text = decodeByTable(data, symbolTable);
        break;
    case NonLossyASCIIStringEncoding:
        text = decodeNonLossy(data);
        break;
    default:
        if (const char *name = icuName(encoding))
            text = icuDecode(data, name);
        else
            return {};
        // ICU keeps a UTF-8 mark as text; it is a signature, as in UTF-16.
        if (encoding == UTF8StringEncoding && text.startsWith(QChar(0xFEFF)))
            text.remove(0, 1);
    }
    return text;
}

QString stringWithBytes(const char *bytes, qsizetype length, quint64 encoding) {
    if (length < 0 || (!bytes && length > 0))
        return {};
    return stringWithData(QByteArray::fromRawData(bytes ? bytes : "", length), encoding);
}

QString stringWithNullTerminatedCString(const char *cstring, quint64 encoding) {
    return cstring ? stringWithBytes(cstring, qsizetype(std::strlen(cstring)), encoding)
                   : QString();
}

QByteArray dataUsingEncoding(QStringView s, quint64 encoding) {
    switch (encoding) {
    case NEXTSTEPStringEncoding:
        return encodeByTable(s, nextStepTable);
    case SymbolStringEncoding:
        return encodeByTable(s, symbolTable);
    case NonLossyASCIIStringEncoding:
        return encodeNonLossy(s);
    case UnicodeStringEncoding:
    case UTF32StringEncoding: {
        // A mark and the host's order, as the platform writes them.
        const bool wide = encoding == UTF32StringEncoding;
        const char *name = QSysInfo::ByteOrder == QSysInfo::LittleEndian
                               ? (wide ? "UTF-32LE" : "UTF-16LE")
                               : (wide ? "UTF-32BE" : "UTF-16BE");
        const QByteArray body = icuEncode(s, name);
        return body.isNull() ? body : icuEncode(u"\uFEFF", name) + body;
    }
    }
    const char *name = icuName(encoding);
    return name ? icuEncode(s, name) : QByteArray();
}

// Atomic only so that a racing reader and writer are not undefined; no ordering is promised.
quint64 defaultEncoding() {
    return defaultEncodingValue.load(std::memory_order_relaxed);
}

void setDefaultEncoding(quint64 encoding) {
    defaultEncodingValue.store(encoding, std::memory_order_relaxed);
}

quint64 fastestEncoding(QStringView s) {
    char16_t highest = 0;
    for (const QChar c : s)
        highest = std::max(highest, c.unicode());
    return highest < 0x80    ? ASCIIStringEncoding
           : highest < 0x100 ? ISOLatin1StringEncoding
                             : UnicodeStringEncoding;
}

quint64 smallestEncoding(QStringView s) {
    qsizetype utf8 = 0;
    char16_t highest = 0;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const char16_t c = s[i].unicode();
        highest = std::max(highest, c);
        if (c < 0x80) {
            utf8 += 1;
        } else if (c < 0x800) {
            utf8 += 2;
        } else if (QChar::isHighSurrogate(c) && i + 1 < s.size() && s[i + 1].isLowSurrogate()) {
            utf8 += 4;
            ++i;
        } else if (QChar::isSurrogate(c)) {
            return UnicodeStringEncoding;
        } else {
            utf8 += 3;
        }
    }
    if (highest < 0x80)
        return ASCIIStringEncoding;
    if (highest < 0x100)
        return ISOLatin1StringEncoding;
    return utf8 <= 2 * s.size() + 2 ? UTF8StringEncoding : UnicodeStringEncoding;
}

QString stringWithDetectedEncoding(const QByteArray &bytes, quint64 *found) {
    UErrorCode error = U_ZERO_ERROR;
    const std::unique_ptr<UCharsetDetector, DetectorCloser> detector(ucsdet_open(&error));
    if (U_FAILURE(error))
        return {};
    ucsdet_setText(detector.get(), bytes.data(),
                   int32_t(std::min<qsizetype>(bytes.size(), DetectionSample)), &error);
    int32_t count = 0;
    const UCharsetMatch **matches = ucsdet_detectAll(detector.get(), &count, &error);
    if (U_FAILURE(error))
        return {};
    const bool sevenBit =
        std::all_of(bytes.begin(), bytes.end(), [](char b) { return uchar(b) < 0x80; });
    for (int32_t i = 0; i < count; ++i) {
        error = U_ZERO_ERROR;
        if (ucsdet_getConfidence(matches[i], &error) < MinimumConfidence)
            break; // best first
        const char *name = ucsdet_getName(matches[i], &error);
        if (U_FAILURE(error) || !name)
            continue;
        const quint64 encoding = detectedEncoding(name, bytes);
        if (encoding == 0 || (sevenBit && isAsciiSuperset(encoding)))
            continue;
        QString text = stringWithData(bytes, encoding);
        if (!text.isNull()) {
            if (found)
                *found = encoding;
            return text;
        }
    }
    return {};
}

} // namespace textlib
