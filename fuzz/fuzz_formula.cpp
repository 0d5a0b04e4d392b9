// Feeds arbitrary selections to the evaluator: it must answer every one, promptly, with
// either a result or a message, and keep its state consistent.
#include "fuzzinput.h"

#include "evaluator/formulaengine.h"
#include "platform/userdefaults.h"

#include <cstdint>
#include <cstdlib>

namespace {

FormulaEngine &evaluator() {
    // A file would make every assignment a write, and the fuzzer a test of the disk.
    static UserDefaults defaults{UserDefaults::InMemory{}};
    static FormulaEngine sumwise(defaults);
    return sumwise;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const QString formula = fuzzText(data, size);

    FormulaEngine &sumwise = evaluator();
    const QString result = sumwise.doSumwise(formula);
    if (result.isNull() || result.isEmpty())
        std::abort();
    if (sumwise.succeeded() != sumwise.errorMessage().isNull())
        std::abort();
    if (!sumwise.succeeded() && result != QStringLiteral("0"))
        std::abort();
    return 0;
}
