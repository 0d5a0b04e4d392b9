// ICU's Shift-JIS table, the one every Shift-JIS name opens (Shift_JIS, cp932, windows-31j...),
// follows an IBM convention that rotates the control bytes 0x1A, 0x1C and 0x7F among U+001C,
// U+007F and U+001A. Every other Shift-JIS table keeps control bytes as themselves, so text is
// put right on its way out of and into that converter. Private to textlib.
#pragma once

#include <unicode/ucnv.h>

#include <cstring>

namespace textlib::detail {

inline bool rotatesShiftJISControls(const UConverter *converter) {
    UErrorCode error = U_ZERO_ERROR;
    const char *name = ucnv_getName(converter, &error);
    return U_SUCCESS(error) && name && std::strcmp(name, "ibm-943_P15A-2003") == 0;
}

// A unit ICU decoded, as the byte it came from reads everywhere else. No multi-byte character
// decodes to these units, so the fix never touches one.
constexpr char16_t shiftJISControlFromICU(char16_t c) {
    switch (c) {
    case 0x1C:
        return 0x1A;
    case 0x7F:
        return 0x1C;
    case 0x1A:
        return 0x7F;
    }
    return c;
}

// The unit ICU encodes to the byte that c stands for everywhere else.
constexpr char16_t shiftJISControlToICU(char16_t c) {
    switch (c) {
    case 0x1A:
        return 0x1C;
    case 0x1C:
        return 0x7F;
    case 0x7F:
        return 0x1A;
    }
    return c;
}

} // namespace textlib::detail
