// The line cutter must give back exactly its input, one terminator per line.
#include "fuzzinput.h"

#include "textlib/lines.h"

#include <QStringList>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const QString text = fuzzText(data, size);
    const QStringList cut = textlib::lines(text);
    if (cut.join(QString()) != text || textlib::numberOfLines(text) != cut.size())
        std::abort();
    for (qsizetype i = 0; i < cut.size(); ++i) {
        // Only the last line may lack a terminator, and no line is empty.
        if (cut[i].isEmpty() || (i + 1 < cut.size() && !textlib::hasFeedOfLine(cut[i])))
            std::abort();
    }
    const QString first = textlib::firstLine(text);
    const QString feed = textlib::feedOfLine(text);
    if (!text.startsWith(first) || !text.endsWith(feed))
        std::abort();
    return 0;
}
