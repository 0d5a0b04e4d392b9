#include "textlib/charactersets.h"
#include "textlib/conversiontables.h"

#include <QChar>
#include <QString>

#include <gtest/gtest.h>

#include <vector>

using textlib::ConversionTable;

namespace {

struct CaseRow {
    char16_t c, lower, upper;
};

class CaseTableTest : public testing::TestWithParam<CaseRow> {};

TEST_P(CaseTableTest, MapsOneUnitToOneUnit) {
    const CaseRow &k = GetParam();
    EXPECT_EQ(unsigned(textlib::toLower(k.c)), unsigned(k.lower)) << std::hex << unsigned(k.c);
    EXPECT_EQ(unsigned(textlib::toUpper(k.c)), unsigned(k.upper)) << std::hex << unsigned(k.c);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CaseTableTest,
    testing::Values(CaseRow{u'A', u'a', u'A'}, CaseRow{u'a', u'a', u'A'}, CaseRow{u'1', u'1', u'1'},
                    // Full mappings that grow keep the unit.
                    CaseRow{0x00DF, 0x00DF, 0x00DF}, CaseRow{0x0130, 0x0130, 0x0130},
                    CaseRow{0x0149, 0x0149, 0x0149}, CaseRow{0x1E9E, 0x00DF, 0x1E9E},
                    CaseRow{0x0131, 0x0131, u'I'}, CaseRow{0x017F, 0x017F, u'S'},
                    CaseRow{0x212A, u'k', 0x212A}, CaseRow{0x00FF, 0x00FF, 0x0178},
                    CaseRow{0x00B5, 0x00B5, 0x039C}, CaseRow{0x03C2, 0x03C2, 0x03A3},
                    // A titlecase letter is only in the upper class.
                    CaseRow{0x01C5, 0x01C6, 0x01C5}, CaseRow{0x01C6, 0x01C6, 0x01C4},
                    // Cased symbols are not letters.
                    CaseRow{0x24B6, 0x24B6, 0x24B6}, CaseRow{0xD800, 0xD800, 0xD800},
                    CaseRow{0xFFFF, 0xFFFF, 0xFFFF}));

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
    EXPECT_TRUE(textlib::equalIgnoringCase(u'a', u'A'));
    EXPECT_TRUE(textlib::equalIgnoringCase(0x017F, u's'));
    EXPECT_FALSE(textlib::equalIgnoringCase(0x00DF, 0x1E9E));
    EXPECT_FALSE(textlib::equalIgnoringCase(u'a', u'b'));
    EXPECT_TRUE(textlib::hasCase(0x1E9E));
    EXPECT_FALSE(textlib::hasCase(0x00DF));
    EXPECT_FALSE(textlib::hasCase(u'+'));
}

TEST(FoldTables, DropDiacriticsAndKeepOrChangeCase) {
    const struct {
        char16_t c, umlauts, upperUmlauts, lowerUmlauts, ascii, upperAscii, lowerAscii;
    } rows[] = {{0x00E4, u'a', u'A', u'a', u'a', u'A', u'a'},
                {0x00DF, 0x00DF, 0x00DF, 0x00DF, u' ', u' ', u' '},
                {0x1E9B, 0x017F, u'S', 0x017F, u' ', u' ', u' '},
                {0x01C4, 0x01C4, 0x01C4, 0x01C6, u' ', u' ', u' '},
                {0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, u' ', u' ', u' '}};
    for (const auto &k : rows) {
        const std::vector<unsigned> got = {
            textlib::umlautsToAscii(k.c),      textlib::umlautsToUpperAscii(k.c),
            textlib::umlautsToLowerAscii(k.c), textlib::toAscii(k.c),
            textlib::toUpperAscii(k.c),        textlib::toLowerAscii(k.c)};
        const std::vector<unsigned> want = {k.umlauts, k.upperUmlauts, k.lowerUmlauts,
                                            k.ascii,   k.upperAscii,   k.lowerAscii};
        EXPECT_EQ(got, want) << "U+" << std::hex << unsigned(k.c);
    }
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
