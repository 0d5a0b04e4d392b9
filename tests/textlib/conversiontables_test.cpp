#include "textlib/conversiontables.h"

#include "texttesting.h"

#include <QChar>

#include <vector>

TEST(CaseTables, EveryEntryIsItselfOrItsSingleUnitFullMapping) {
    expectEveryUnit([](char16_t c) {
        const QString lower = QString(QChar(c)).toLower(), upper = QString(QChar(c)).toUpper();
        const bool lowers = (QChar::isUpper(c) || QChar::isTitleCase(c)) && lower.size() == 1;
        const bool uppers = QChar::isLower(c) && upper.size() == 1;
        return toLower(c) == (lowers ? lower[0].unicode() : c)
               && toUpper(c) == (uppers ? upper[0].unicode() : c);
    });
    EXPECT_TRUE(equalIgnoringCase(0x017F, u's'));
    EXPECT_FALSE(equalIgnoringCase(0x00DF, 0x1E9E));
}

// The finding functions compare a unit without case exactly; that is only sound when no other
// unit shares its upper form.
TEST(CaseTables, UnitWithoutCaseHasNoCasePartner) {
    std::vector<int> sharing(0x10000);
    for (char32_t c = 0; c <= 0xFFFF; ++c)
        ++sharing[toUpper(char16_t(c))];
    expectEveryUnit([&](char16_t c) { return hasCase(c) || sharing[toUpper(c)] == 1; });
    EXPECT_TRUE(hasCase(0x1E9E));
    EXPECT_FALSE(hasCase(0x00DF));
}

// Decomposing through NFD is a different road to the same rule than the table builder's.
static char16_t withoutDiacritics(char16_t c) {
    if (!QChar::isLetter(c) && !QChar::isMark(c))
        return c;
    QString base;
    for (QChar part : QString(QChar(c)).normalized(QString::NormalizationForm_D)) {
        if (!part.isMark())
            base += part;
    }
    return base.size() == 1 ? base[0].unicode() : c;
}

TEST(FoldTables, EveryEntryFollowsItsRule) {
    const ConversionTable umlauts = initUmlautsCharsTable(), lower = initLowerCharsTable(),
                          upper = initUpperCharsTable();
    const ConversionTable lowerUmlauts = initLowerUmlautsCharsTable(),
                          upperUmlauts = initUpperUmlautsCharsTable();
    expectEveryUnit([&](char16_t c) {
        const char16_t a = toAscii(c);
        return umlauts[c] == withoutDiacritics(c) && lowerUmlauts[c] == lower[umlauts[c]]
               && upperUmlauts[c] == upper[umlauts[c]] && a <= 0x7F
               && (a == umlauts[c] || a == u' ') && QChar(toUpperAscii(c)) == QChar(a).toUpper()
               && QChar(toLowerAscii(c)) == QChar(a).toLower()
               && umlautsToUpperAscii(c) == upperUmlauts[c]
               && umlautsToLowerAscii(c) == lowerUmlauts[c];
    });
}
