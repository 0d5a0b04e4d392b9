#include "conversiontables.h"

#include "charactersets.h"

#include <QString>

#include <array>

namespace textlib {

namespace {

using Table = std::array<char16_t, 0x10000>;

// Every unit of the class takes its full (locale-free) case mapping, but only when that is a
// single unit: a table maps one unit to one unit, so expanding forms keep the unit itself.
template<typename Map> Table caseTable(CharacterSetRep cased, Map mapped) {
    Table table;
    for (char32_t c = 0; c <= 0xFFFF; ++c) {
        const char16_t unit = char16_t(c);
        table[c] = unit;
        if (!isMember(cased, unit))
            continue;
        const QString form = mapped(QString(QChar(unit)));
        if (form.size() == 1)
            table[c] = form.front().unicode();
    }
    return table;
}

} // namespace

ConversionTable initLowerCharsTable() {
    static const Table table =
        caseTable(upperCharacterSetRep(), [](const QString &s) { return s.toLower(); });
    return table.data();
}

ConversionTable initUpperCharsTable() {
    static const Table table =
        caseTable(lowerCharacterSetRep(), [](const QString &s) { return s.toUpper(); });
    return table.data();
}

} // namespace textlib
