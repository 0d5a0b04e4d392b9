// Feeds arbitrary selections to the evaluator: it must answer every one, promptly, with
// either a result or a message, and keep its state consistent.
#include "fuzzinput.h"

#include "evaluator/formulaengine.h"
#include "platform/userdefaults.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

namespace {

FormulaEngine &evaluator() {
    // Assignments write the store on every change; tmpfs keeps that cheap.
    static QTemporaryDir dir(QFileInfo::exists(QStringLiteral("/dev/shm"))
                                 ? QStringLiteral("/dev/shm/sumwise-fuzz-XXXXXX")
                                 : QDir::tempPath() + QStringLiteral("/sumwise-fuzz-XXXXXX"));
    static UserDefaults defaults(dir.filePath(QStringLiteral("Sumwise.conf")));
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
