// Collapsing, removing and trimming never lengthen a text, and their results hold what they
// promise; tab expansion and compression never crash for any width.
#include "fuzzinput.h"

#include "textlib/charactersets.h"
#include "textlib/whitespace.h"

#include <cstdlib>

namespace {

void check(bool ok) {
    if (!ok)
        std::abort();
}

bool hasMember(const QString &s, textlib::CharacterSetRep rep) {
    for (QChar c : s) {
        if (textlib::isMember(rep, c.unicode()))
            return true;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const QString text = fuzzText(data, size);
    const qsizetype n = text.size();
    const textlib::CharacterSetRep white = textlib::whiteCharacterSetRep();

    const QString collapsed = textlib::stringByRemovingMultipleWhiteSpaces(text);
    check(collapsed.size() <= n);
    check(textlib::stringByRemovingMultipleWhiteSpaces(collapsed) == collapsed);
    QString inPlace = text;
    textlib::removeMultipleWhiteSpaces(inPlace);
    check(inPlace == collapsed);
    check(textlib::stringByRemovingMultipleSpaces(text).size() <= n);
    check(textlib::stringByRemovingMultipleFeeds(text).size() <= n);

    const QString removed = textlib::stringByRemovingWhiteSpaces(text);
    check(removed.size() <= n && !hasMember(removed, white));
    for (auto copy : {textlib::stringByRemovingSpaces, textlib::stringByRemovingTabs,
                      textlib::stringByRemovingFeeds, textlib::stringByRemovingDigits})
        check(copy(text).size() <= n);

    QString trimmed = text;
    textlib::trimWhiteSpaces(trimmed);
    check(trimmed.size() <= n);
    check(trimmed.isEmpty()
          || (!textlib::isMember(white, trimmed.front().unicode())
              && !textlib::isMember(white, trimmed.back().unicode())));
    QString feeds = text;
    textlib::trimFeeds(feeds);
    check(feeds.size() <= n && text.startsWith(feeds));
    if (n > 0) {
        QString edges = text;
        textlib::trimCharacter(edges, text.front().unicode());
        check(edges.size() < n);
    }

    // Widths from the data itself, including the unsupported ones below 1.
    const qsizetype width = size > 1 ? qsizetype(std::int8_t(data[size - 1])) : 4;
    QString tabs = text;
    textlib::decodeTabs(tabs, width);
    textlib::encodeTabs(tabs, width);
    return 0;
}
