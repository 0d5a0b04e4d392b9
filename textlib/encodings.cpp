#include "encodings.h"

#include "icuconverter_p.h"
#include "shiftjis_p.h"

#include <unicode/ucnv.h>
#include <unicode/utf16.h>
#include <unicode/utf8.h>

#include <algorithm>

namespace textlib {

namespace {

template<typename T> bool validInput(const T *data, qsizetype count) {
    return count >= 0 && (data || count == 0);
}

template<typename T> bool validOutput(const T *data, qsizetype capacity) {
    return capacity >= 0 && (data || capacity == 0);
}

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

} // namespace textlib
