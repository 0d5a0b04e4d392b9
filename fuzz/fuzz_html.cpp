#include "fuzzinput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    (void)fuzzText(data, size);
    return 0;
}
