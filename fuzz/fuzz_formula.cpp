// Feeds arbitrary selections to the evaluator: it must answer every one, promptly, with
// either a result or a message, and keep its state consistent.
#include "evaluator/sumwise.h"
#include "platform/userdefaults.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

namespace {

Sumwise &evaluator() {
    // Assignments write the store on every change; tmpfs keeps that cheap.
    static QTemporaryDir dir(QFileInfo::exists(QStringLiteral("/dev/shm"))
                                 ? QStringLiteral("/dev/shm/sumwise-fuzz-XXXXXX")
                                 : QDir::tempPath() + QStringLiteral("/sumwise-fuzz-XXXXXX"));
    static UserDefaults defaults(dir.filePath(QStringLiteral("Sumwise.conf")));
    static Sumwise sumwise(defaults);
    return sumwise;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    // The first byte picks the encoding, so UTF-16 units outside valid UTF-8 are reached too.
    QString formula;
    if (size > 0 && data[0] == 0xFE)
        formula = QString::fromUtf16(reinterpret_cast<const char16_t *>(data + 1), (size - 1) / 2);
    else
        formula = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    if (formula.isNull())
        formula = QString(QLatin1StringView(""));

    Sumwise &sumwise = evaluator();
    const QString result = sumwise.doSumwise(formula);
    if (result.isNull() || result.isEmpty())
        std::abort();
    if (sumwise.succeeded() != sumwise.errorMessage().isNull())
        std::abort();
    if (!sumwise.succeeded() && result != QStringLiteral("0"))
        std::abort();
    return 0;
}
