#include "textlib/charactersets.h"
#include "textlib/conversiontables.h"

#include <QChar>
#include <QString>

#include <gtest/gtest.h>

#include <vector>

using textlib::ConversionTable;

namespace {

TEST(CaseTables, EveryEntryIsItselfOrItsSingleUnitFullMapping) {
    ASSERT_EQ(textlib::initLowerCharsTable(), textlib::initLowerCharsTable());
    ASSERT_EQ(textlib::initUpperCharsTable(), textlib::initUpperCharsTable());
    int wrong = 0;
    for (char32_t c = 0; c <= 0xFFFF; ++c) {
        const char16_t u = char16_t(c);
        const QString lower = QString(QChar(u)).toLower();
        const QString upper = QString(QChar(u)).toUpper();
        const bool lowers = (QChar::isUpper(c) || QChar::isTitleCase(c)) && lower.size() == 1;
        const bool uppers = QChar::isLower(c) && upper.size() == 1;
        const char16_t expectedLower = lowers ? lower[0].unicode() : u;
        const char16_t expectedUpper = uppers ? upper[0].unicode() : u;
        if ((textlib::toLower(u) != expectedLower || textlib::toUpper(u) != expectedUpper)
            && ++wrong <= 5)
            ADD_FAILURE() << "U+" << std::hex << unsigned(c);
    }
    EXPECT_EQ(wrong, 0);
}

// The finding functions compare a unit without case exactly; that is only sound when no other
// unit shares its upper form.
TEST(CaseTables, UnitWithoutCaseHasNoCasePartner) {
    std::vector<int> sharing(0x10000);
    for (char32_t c = 0; c <= 0xFFFF; ++c)
        ++sharing[textlib::toUpper(char16_t(c))];
    for (char32_t c = 0; c <= 0xFFFF; ++c) {
        const char16_t u = char16_t(c);
        if (!textlib::hasCase(u)) {
            EXPECT_EQ(sharing[textlib::toUpper(u)], 1) << "U+" << std::hex << unsigned(c);
        }
    }
}

TEST(CaseTables, IgnoringCaseComparesUpperForms) {
    EXPECT_TRUE(textlib::equalIgnoringCase(0x017F, u's'));
    EXPECT_FALSE(textlib::equalIgnoringCase(0x00DF, 0x1E9E));
    EXPECT_TRUE(textlib::hasCase(0x1E9E));
    EXPECT_FALSE(textlib::hasCase(0x00DF));
}

// Decomposing through NFD is a different road to the same rule than the table builder's.
char16_t withoutDiacritics(char16_t c) {
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
    const ConversionTable umlauts = textlib::initUmlautsCharsTable();
    const ConversionTable lower = textlib::initLowerCharsTable();
    const ConversionTable upper = textlib::initUpperCharsTable();
    const ConversionTable lowerUmlauts = textlib::initLowerUmlautsCharsTable();
    const ConversionTable upperUmlauts = textlib::initUpperUmlautsCharsTable();
    ASSERT_EQ(umlauts, textlib::initUmlautsCharsTable());
    ASSERT_EQ(lowerUmlauts, textlib::initLowerUmlautsCharsTable());
    ASSERT_EQ(upperUmlauts, textlib::initUpperUmlautsCharsTable());
    int wrong = 0;
    for (char32_t c = 0; c <= 0xFFFF; ++c) {
        const char16_t u = char16_t(c);
        const bool ok = umlauts[u] == withoutDiacritics(u) && lowerUmlauts[u] == lower[umlauts[u]]
                        && upperUmlauts[u] == upper[umlauts[u]] && textlib::toAscii(u) <= 0x7F
                        && (textlib::toAscii(u) == umlauts[u] || textlib::toAscii(u) == u' ')
                        && QChar(textlib::toUpperAscii(u)) == QChar(textlib::toAscii(u)).toUpper()
                        && QChar(textlib::toLowerAscii(u)) == QChar(textlib::toAscii(u)).toLower();
        if (!ok && ++wrong <= 5)
            ADD_FAILURE() << "U+" << std::hex << unsigned(c);
    }
    EXPECT_EQ(wrong, 0);
}

} // namespace
