// Character sets and conversion tables, checked unit by unit against Qt's Unicode data.
#include "textlib/charactersets.h"
#include "textlib/conversiontables.h"

#include <QChar>
#include <QString>

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <vector>

using namespace textlib;

namespace {

// Reports the first few units for which ok is false.
template<typename Ok> void expectEveryUnit(Ok ok) {
    int wrong = 0;
    for (char32_t c = 0; c <= 0xFFFF; ++c) {
        if (!ok(char16_t(c)) && ++wrong <= 5)
            ADD_FAILURE() << "U+" << std::hex << unsigned(c);
    }
    EXPECT_EQ(wrong, 0);
}

bool isOneOf(char16_t c, std::initializer_list<char16_t> units) {
    return std::find(units.begin(), units.end(), c) != units.end();
}

TEST(CharacterSets, EveryUnitMatchesItsDefinition) {
    // Each class as its categories and fixed extras define it, through QChar's own predicates
    // rather than the category numbers the builder uses.
    const struct {
        const char *name;
        CharacterSetRep (*rep)();
        bool (*defined)(char16_t c);
    } reps[] = {
        {"empty", emptyCharacterSetRep, [](char16_t) { return false; }},
        {"space", spaceCharacterSetRep,
         [](char16_t c) {
             return QChar::category(c) == QChar::Separator_Space || isOneOf(c, {0, 9});
         }},
        {"white", whiteCharacterSetRep,
         [](char16_t c) {
             // QChar::isSpace is Z* plus U+0009-U+000D and U+0085.
             return QChar::isSpace(c) || isOneOf(c, {0, 3, 0xA0, 0x2028, 0x2029, 0xFEFF, 0xFFFC});
         }},
        {"alpha", alphaCharacterSetRep,
         [](char16_t c) { return QChar::isLetter(c) || QChar::isMark(c); }},
        {"alphaNum", alphaNumCharacterSetRep,
         [](char16_t c) { return QChar::isLetterOrNumber(c) || QChar::isMark(c); }},
        {"digit", digitCharacterSetRep, [](char16_t c) { return QChar::isDigit(c); }},
        {"lower", lowerCharacterSetRep, [](char16_t c) { return QChar::isLower(c); }},
        {"upper", upperCharacterSetRep,
         [](char16_t c) { return QChar::isUpper(c) || QChar::isTitleCase(c); }},
    };
    for (const auto &r : reps) {
        SCOPED_TRACE(r.name);
        const CharacterSetRep rep = r.rep();
        ASSERT_NE(rep, nullptr);
        EXPECT_EQ(rep, r.rep()) << "built once";
        expectEveryUnit([&](char16_t c) {
            return isMember(rep, c) == (!QChar::isSurrogate(c) && r.defined(c));
        });
    }
    char16_t last = 0xFFFF;
    while (!QChar::isLetter(last) && !QChar::isMark(last))
        --last;
    EXPECT_EQ(unsigned(firstAlphaCharacter()), unsigned(u'A'));
    EXPECT_EQ(unsigned(lastAlphaCharacter()), unsigned(last));
}

TEST(CaseTables, EveryEntryIsItselfOrItsSingleUnitFullMapping) {
    ASSERT_EQ(initLowerCharsTable(), initLowerCharsTable());
    ASSERT_EQ(initUpperCharsTable(), initUpperCharsTable());
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
    const ConversionTable umlauts = initUmlautsCharsTable(), lower = initLowerCharsTable(),
                          upper = initUpperCharsTable();
    const ConversionTable lowerUmlauts = initLowerUmlautsCharsTable(),
                          upperUmlauts = initUpperUmlautsCharsTable();
    ASSERT_EQ(umlauts, initUmlautsCharsTable());
    ASSERT_EQ(lowerUmlauts, initLowerUmlautsCharsTable());
    ASSERT_EQ(upperUmlauts, initUpperUmlautsCharsTable());
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

} // namespace
