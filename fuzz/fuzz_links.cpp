// Word and link ranges stay inside the text; a word range also holds the index asked for.
#include "fuzzinput.h"

#include "textlib/charactersets.h"
#include "textlib/words.h"

#include <algorithm>
#include <cstdlib>

namespace {

bool notFound(textlib::Range range) {
    return range == textlib::Range{textlib::NotFound, 0};
}

// Whether range is not found or lies inside a text of size units and holds index.
bool holdsIndex(textlib::Range range, qsizetype size, qsizetype index) {
    return notFound(range)
           || (textlib::rangeLiesWithin(range, size) && range.location <= index
               && index < range.end());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const QString text = fuzzText(data, size);
    const textlib::CharacterSetRep alphaNum = textlib::alphaNumCharacterSetRep();
    const textlib::CharacterSetRep white = textlib::whiteCharacterSetRep();
    const auto isWordUnit = [&](qsizetype i) {
        return i >= 0 && i < text.size() && textlib::isMember(alphaNum, text[i].unicode());
    };
    // Each index costs a scan of its run, so long inputs are probed at their start only.
    const qsizetype probes = std::min<qsizetype>(text.size(), 512);
    for (qsizetype i = -1; i <= probes; ++i) {
        const textlib::Range word = textlib::getWordRangeAtIndex(text, i);
        const textlib::Range link = textlib::getLinkRangeAtIndex(text, i);
        if (!holdsIndex(word, text.size(), i)
            || !(notFound(link)
                 || (link.length > 0 && textlib::rangeLiesWithin(link, text.size()))))
            std::abort();
        // A word is found exactly on a letter or digit and is the whole run around it.
        if ((word.location != textlib::NotFound) != isWordUnit(i))
            std::abort();
        if (word.location != textlib::NotFound
            && (isWordUnit(word.location - 1) || isWordUnit(word.end())))
            std::abort();
        if (link.location != textlib::NotFound
            && std::any_of(text.begin() + link.location, text.begin() + link.end(),
                           [white](QChar c) { return textlib::isMember(white, c.unicode()); }))
            std::abort();
    }
    if (textlib::getWordRangeAtIndex(text, textlib::NotFound)
        != textlib::getWordRangeAtIndex(text, text.size() - 1))
        std::abort();
    return 0;
}
