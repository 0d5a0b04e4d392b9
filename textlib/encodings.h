// Converting between UTF-8, other byte encodings and UTF-16 into caller-provided buffers.
#pragma once

#include <QtGlobal>

namespace textlib {

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
