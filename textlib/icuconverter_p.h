// ICU converters owned by a unique_ptr, so that no error path leaks one. Private to the libraries
// that decode through ICU.
#pragma once

#include <unicode/ucnv.h>

#include <memory>

namespace textlib::detail {

struct ConverterCloser {
    void operator()(UConverter *converter) const { ucnv_close(converter); }
};

using IcuConverter = std::unique_ptr<UConverter, ConverterCloser>;

/// The converter ICU opens for the name, with ICU's default callbacks; null when it knows no
/// such converter or cannot open it. A null or empty name opens the process's default one.
inline IcuConverter openConverter(const char *name) {
    UErrorCode error = U_ZERO_ERROR;
    IcuConverter converter(ucnv_open(name, &error));
    if (U_FAILURE(error))
        return nullptr;
    return converter;
}

} // namespace textlib::detail
