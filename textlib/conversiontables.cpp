#include "conversiontables.h"

#include "charactersets.h"

#include <QChar>
#include <QString>

#include <array>
#include <utility>

namespace textlib {

namespace {

using Table = std::array<char16_t, 0x10000>;

// Every unit of the class takes its full (locale-free) case mapping, but only when that is a
// single unit: a table maps one unit to one unit, so expanding forms keep the unit itself.
// Mapping a detached one-unit string in place allocates only when a form grows.
template<typename Map> Table caseTable(CharacterSetRep cased, Map mapInPlace) {
    Table table;
    QString one(1, QChar());
    for (char32_t c = 0; c <= 0xFFFF; ++c) {
        const char16_t unit = char16_t(c);
        table[c] = unit;
        if (!isMember(cased, unit))
            continue;
        one.data()[0] = QChar(unit);
        one = mapInPlace(std::move(one));
        if (one.size() == 1)
            table[c] = one.front().unicode();
        else
            one = QString(1, QChar());
    }
    return table;
}

bool isMark(char32_t c) {
    const QChar::Category cat = QChar::category(c);
    return cat >= QChar::Mark_NonSpacing && cat <= QChar::Mark_Enclosing;
}

// Collects the units of c's full canonical decomposition that are not combining marks. Only
// whether exactly one unit is left matters, so collecting stops at two.
void appendBaseUnits(char32_t c, char16_t (&units)[2], int &count) {
    if (count > 1)
        return;
    if (QChar::decompositionTag(c) != QChar::Canonical) {
        if (isMark(c))
            return;
        if (QChar::requiresSurrogates(c))
            count = 2;
        else
            units[count++] = char16_t(c);
        return;
    }
    const QString parts = QChar::decomposition(c);
    for (qsizetype i = 0; i < parts.size() && count < 2; ++i) {
        char32_t part = parts[i].unicode();
        if (QChar::isHighSurrogate(part) && i + 1 < parts.size() && parts[i + 1].isLowSurrogate()) {
            part = QChar::surrogateToUcs4(parts[i], parts[i + 1]);
            ++i;
        }
        appendBaseUnits(part, units, count);
    }
}

Table umlautsTable() {
    const CharacterSetRep letters = alphaCharacterSetRep();
    Table table;
    for (char32_t c = 0; c <= 0xFFFF; ++c) {
        const char16_t unit = char16_t(c);
        table[c] = unit;
        if (!isMember(letters, unit) || QChar::decompositionTag(c) != QChar::Canonical)
            continue;
        char16_t units[2];
        int count = 0;
        appendBaseUnits(c, units, count);
        if (count == 1)
            table[c] = units[0];
    }
    return table;
}

Table composedTable(ConversionTable first, ConversionTable then) {
    Table table;
    for (char32_t c = 0; c <= 0xFFFF; ++c)
        table[c] = then[first[c]];
    return table;
}

} // namespace

ConversionTable initLowerCharsTable() {
    static const Table table =
        caseTable(upperCharacterSetRep(), [](QString &&s) { return std::move(s).toLower(); });
    return table.data();
}

ConversionTable initUpperCharsTable() {
    static const Table table =
        caseTable(lowerCharacterSetRep(), [](QString &&s) { return std::move(s).toUpper(); });
    return table.data();
}

ConversionTable initUmlautsCharsTable() {
    static const Table table = umlautsTable();
    return table.data();
}

ConversionTable initLowerUmlautsCharsTable() {
    static const Table table = composedTable(initUmlautsCharsTable(), initLowerCharsTable());
    return table.data();
}

ConversionTable initUpperUmlautsCharsTable() {
    static const Table table = composedTable(initUmlautsCharsTable(), initUpperCharsTable());
    return table.data();
}

} // namespace textlib
