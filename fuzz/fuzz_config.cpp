// Configuration lines come out trimmed, whole and readable as key and value.
#include "fuzzinput.h"

#include "textlib/charactersets.h"
#include "textlib/configtext.h"
#include "textlib/lines.h"

#include <QStringList>

#include <algorithm>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const QString text = fuzzText(data, size);
    const textlib::CharacterSetRep white = textlib::whiteCharacterSetRep();
    const auto isWhite = [white](QChar c) { return textlib::isMember(white, c.unicode()); };
    const QStringList lines = textlib::configLines(text);
    if (lines.size() > textlib::numberOfLines(text))
        std::abort();
    for (const QString &line : lines) {
        if (line.size() < 2 || line.front() == u'#' || isWhite(line.front()) || isWhite(line.back())
            || std::any_of(line.begin(), line.end(),
                           [](QChar c) { return textlib::isFeed(c.unicode()); }))
            std::abort();
        // The first word is a key the line starts with: a value exactly when white space follows.
        const qsizetype keyLength = std::find_if(line.begin(), line.end(), isWhite) - line.begin();
        const QString value = textlib::configValueForKey(line, line.first(keyLength));
        if (value.isNull() != (keyLength == line.size()))
            std::abort();
        if (!value.isNull()
            && (value.isEmpty() || isWhite(value.front()) || isWhite(value.back())
                || !line.endsWith(value)))
            std::abort();
    }
    return 0;
}
