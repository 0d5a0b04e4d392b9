// Text encodings: the numbered ones, decoding and encoding in them, and converting between UTF-8,
// other byte encodings and UTF-16 into caller-provided buffers.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <QtGlobal>

namespace textlib {

/// Text encodings by their well-known platform numbers. UnicodeStringEncoding (UTF-16) and
/// UTF32StringEncoding read a byte-order mark and take big-endian without one; they write a mark
/// and the host's byte order. UTF-8 reading drops a leading mark. Symbol is the Mac Symbol
/// font encoding; non-lossy ASCII writes "\\" as "\\\\", U+0080-U+00FF as "\ooo" (octal) and
/// the rest above ASCII as "\uxxxx".
enum : quint64 {
    ASCIIStringEncoding = 1,
    NEXTSTEPStringEncoding = 2,
    JapaneseEUCStringEncoding = 3,
    UTF8StringEncoding = 4,
    ISOLatin1StringEncoding = 5,
    SymbolStringEncoding = 6,
    NonLossyASCIIStringEncoding = 7,
    ShiftJISStringEncoding = 8,
    ISOLatin2StringEncoding = 9,
    UnicodeStringEncoding = 10,
    UTF16StringEncoding = UnicodeStringEncoding,
    WindowsCP1251StringEncoding = 11,
    WindowsCP1252StringEncoding = 12,
    WindowsCP1253StringEncoding = 13,
    WindowsCP1254StringEncoding = 14,
    WindowsCP1250StringEncoding = 15,
    ISO2022JPStringEncoding = 21,
    MacOSRomanStringEncoding = 30,
    UTF16BigEndianStringEncoding = 0x90000100,
    UTF16LittleEndianStringEncoding = 0x94000100,
    UTF32StringEncoding = 0x8c000100,
    UTF32BigEndianStringEncoding = 0x98000100,
    UTF32LittleEndianStringEncoding = 0x9c000100,
    /// For reading files only: 0, or any number from 0xFFFFFFF0 on, detects the encoding.
    DetectStringEncoding = 0,
};

/// Whether encoding asks stringWithContentsOfFile() to detect the encoding itself.
constexpr bool isDetectEncoding(quint64 encoding) noexcept {
    return encoding == 0 || encoding >= 0xFFFFFFF0u;
}
/// Whether encoding is one of the numbered encodings above (detect markers are not).
bool isKnownEncoding(quint64 encoding);

/// bytes decoded in encoding; null for an unknown encoding or bytes that are not valid in it
/// (ASCII takes no byte from 0x80 on). Zero bytes give the empty string.
QString stringWithData(const QByteArray &data, quint64 encoding);
/// length bytes at bytes decoded as by stringWithData(); null for a negative length or a null
/// pointer with a non-zero length.
QString stringWithBytes(const char *bytes, qsizetype length, quint64 encoding);
inline QString stringWithCString(const char *bytes, qsizetype length, quint64 encoding) {
    return stringWithBytes(bytes, length, encoding);
}
/// The bytes before the first zero byte decoded in encoding (so no UTF-16 or UTF-32 text beyond
/// its first zero byte); null for a null pointer.
QString stringWithNullTerminatedCString(const char *cstring, quint64 encoding);
/// s encoded in encoding; null when the encoding is unknown or cannot represent s (an unpaired
/// surrogate fits only non-lossy ASCII). UTF-16 and UTF-32 start with a byte-order mark.
QByteArray dataUsingEncoding(QStringView s, quint64 encoding);

/// The process-wide default encoding, UTF-8 at start.
quint64 defaultEncoding();
void setDefaultEncoding(quint64 encoding);

/// The encoding that needs the least work from QString's UTF-16: ASCII when every unit is below
/// 0x80, ISO Latin-1 when every unit is below 0x100 (a byte per unit either way), else UTF-16.
quint64 fastestEncoding(QStringView s);
/// Of ASCII, ISO Latin-1, UTF-8 and UTF-16 (2 bytes a unit plus the mark), the one that holds s
/// in the fewest bytes, the first of them on a tie. UTF-16 for a text with an unpaired surrogate,
/// which none of them can write.
quint64 smallestEncoding(QStringView s);

/// bytes decoded in the numbered encoding that ICU's detection names with confidence (at least
/// 50 of 100) and in which they are all valid; bytes all below 0x80 count as classified only as
/// ISO-2022-JP, UTF-16 or UTF-32. Null when none fits; otherwise *found (when given) gets
/// the encoding.
QString stringWithDetectedEncoding(const QByteArray &bytes, quint64 *found);

/// Result of the UTF-8 conversions: 0 on success, non-zero otherwise.
enum ConversionStatus : int {
    ConversionSucceeded = 0,
    /// Invalid or truncated UTF-8, or an unpaired surrogate in the UTF-16 input.
    ConversionMalformedInput = -1,
    /// The output did not fit; the whole characters that fitted have been written.
    ConversionOutputFull = -2,
    /// A negative count or capacity, or a null buffer with a non-zero count or capacity.
    ConversionInvalidArgument = -3,
};

// The converted count is not reported: callers size their buffers from what they expect. Nothing
// is written past the converted text, and no terminating NUL is added.

/// Converts byteCount bytes of UTF-8 into at most unitCapacity UTF-16 units.
ConversionStatus convertUTF8ToUnicode(const char *utf8, qsizetype byteCount, char16_t *units,
                                      qsizetype unitCapacity);
/// Converts unitCount UTF-16 units into at most byteCapacity bytes of UTF-8.
ConversionStatus convertUnicodeToUTF8(const char16_t *units, qsizetype unitCount, char *utf8,
                                      qsizetype byteCapacity);

/// Converts byteCount bytes in the named encoding into at most unitCapacity UTF-16 units. The
/// encoding is an ICU converter name or one of its IANA/MIME aliases ("ISO-8859-15",
/// "windows-1252", "macintosh", "Shift_JIS", "UTF-8"; matching ignores case and punctuation).
/// Bytes that do not form a character of the encoding, and output that does not fit, make the
/// conversion fail. Returns whether it succeeded and stores in *unitCount (when not null) the
/// number of units written, 0 when the encoding is unknown, null or empty.
bool convertEncodingToUnicode(const char *bytes, qsizetype byteCount, const char *encoding,
                              char16_t *units, qsizetype unitCapacity, qsizetype *unitCount);

} // namespace textlib
