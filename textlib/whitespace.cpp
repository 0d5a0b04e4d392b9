#include "whitespace.h"

#include "charactersets.h"

#include <QStringView>

namespace textlib {

namespace {

// One pass: nothing is written until the first member, then the rest is compacted in place.
void removeMembers(QString &s, CharacterSetRep rep) {
    const qsizetype size = s.size();
    const char16_t *units = QStringView(s).utf16();
    qsizetype i = 0;
    while (i < size && !isMember(rep, units[i]))
        ++i;
    if (i == size)
        return;
    char16_t *d = reinterpret_cast<char16_t *>(s.data());
    qsizetype kept = i;
    for (++i; i < size; ++i) {
        if (!isMember(rep, d[i]))
            d[kept++] = d[i];
    }
    s.truncate(kept);
}

} // namespace

void removeWhiteSpaces(QString &s) {
    removeMembers(s, whiteCharacterSetRep());
}

} // namespace textlib
