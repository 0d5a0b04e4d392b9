// Classification of texts, and the character sets and conversion tables beneath it (the
// latter checked unit by unit against Qt's Unicode data).
#include "textlib/charactersets.h"
#include "textlib/classification.h"
#include "textlib/conversiontables.h"

#include "texttesting.h"

#include <QChar>
#include <QString>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <initializer_list>
#include <vector>

using namespace std::literals;
using namespace textlib;

namespace {

TEST(Classification, MembershipOfAnyAndEveryUnit) {
    const struct {
        std::u16string_view text;
        CharacterSetRep rep;
        bool any;
        qsizetype count;
        bool all;
    } rows[] = {{u"abc\u0663"sv, digitCharacterSetRep(), true, 1, false},
                {u"\0\0"sv, whiteCharacterSetRep(), true, 2, true},
                {u"\U0001F600"sv, alphaNumCharacterSetRep(), false, 0, false},
                {u"ab"sv, nullptr, false, 0, false},
                {u""sv, alphaCharacterSetRep(), false, 0, true},
                {{}, nullptr, false, 0, true}};
    for (const auto &k : rows) {
        SCOPED_TRACE(quoted(k.text));
        const QString s = makeText(k.text);
        EXPECT_EQ(characterPartOfSet(s, k.rep), k.any);
        EXPECT_EQ(countCharactersPartOfSet(s, k.rep), k.count);
        EXPECT_EQ(charactersPartOfSet(s, k.rep, true), k.all);
        // The third argument answers for the empty string only.
        EXPECT_EQ(charactersPartOfSet(s, k.rep, false), k.all && !k.text.empty());
    }
}

TEST(Classification, NamedClassesAndKinds) {
    const struct {
        std::u16string_view text;
        bool white, space, digit, alpha, alphaNum, ascii, umlauted, lower, upper;
    } rows[] = {{{}, true, true, false, false, false, true, false, true, true},
                {u"\n"sv, true, false, false, false, false, true, false, true, true},
                {u" \t\0\u3000"sv, true, true, false, false, false, false, false, true, true},
                {u"1\u0663"sv, false, false, true, false, true, false, false, true, true},
                {u"e\u0301"sv, false, false, false, true, true, false, false, true, false},
                {u"\u00BD2"sv, false, false, false, false, true, false, false, true, true},
                {u"aBc"sv, false, false, false, true, true, true, false, false, false},
                {u"na\u00EFve"sv, false, false, false, true, true, false, true, true, false},
                // A titlecase digraph has a lowercase form but no uppercase one in the tables.
                {u"\u01C5"sv, false, false, false, true, true, false, false, false, true}};
    for (const auto &k : rows) {
        SCOPED_TRACE(quoted(k.text));
        const QString s = makeText(k.text);
        EXPECT_EQ(isWhiteString(s), k.white);
        EXPECT_EQ(isSpaceString(s), k.space);
        EXPECT_EQ(isDigitString(s), k.digit);
        EXPECT_EQ(isAlphaString(s), k.alpha);
        EXPECT_EQ(isAlphaNumString(s), k.alphaNum);
        EXPECT_EQ(isAsciiString(s), k.ascii);
        EXPECT_EQ(isUmlautedString(s), k.umlauted);
        EXPECT_EQ(isLowerCaseString(s), k.lower);
        EXPECT_EQ(isUpperCaseString(s), k.upper);
    }
}

TEST(Classification, Numbers) {
    const struct {
        std::u16string_view text;
        qsizetype numbers;
        bool has12, threeDigits;
    } rows[] = {{u"a 12 b"sv, 1, true, false}, {u"112"sv, 1, false, true},
                {u"x120"sv, 1, false, true},   {u"1212"sv, 1, false, true},
                {u"112 12"sv, 2, true, true},  {u"abc\u0663"sv, 0, false, false},
                {u"1\0 2"sv, 2, false, false}, {{}, 0, false, false}};
    for (const auto &k : rows) {
        SCOPED_TRACE(quoted(k.text));
        const QString s = makeText(k.text);
        EXPECT_EQ(countNumbers(s), k.numbers);
        EXPECT_EQ(containsNumber(s, u"12"), k.has12);
        EXPECT_EQ(containsNumberWithNDigits(s, 3), k.threeDigits);
    }
    EXPECT_FALSE(containsNumber(u"12", QStringView()) || containsNumber(u"12", u""));
    EXPECT_FALSE(containsNumber(u"12", u"123") || containsNumber(u"1a2", u"a"));
    // The search resumes after a rejected occurrence, never inside it.
    EXPECT_FALSE(containsNumber(u"1aaa", u"aa"));

    EXPECT_FALSE(containsNumberWithNDigits(u"ab1234", 4, 3));
    EXPECT_TRUE(containsNumberWithNDigits(u"ab1234", 5, 3));
    EXPECT_TRUE(containsNumberWithNDigits(u"123", 1000, 3)); // a length past the end is cut
    EXPECT_FALSE(containsNumberWithNDigits(u"a", 0) || containsNumberWithNDigits(u"a", -1));
    EXPECT_FALSE(containsNumberWithNDigits(u"123", 3, 0)
                 || containsNumberWithNDigits(u"1", -1, -2));
    EXPECT_FALSE(containsNumberWithNDigits(QStringView(), 5, 1));
}

TEST(Classification, MashedWords) {
    for (auto text : {u"WikiWord"sv, u"AbCd"sv, u"\u01C5aBc"sv})
        EXPECT_TRUE(isMashedWord(makeText(text))) << quoted(text);
    for (auto text :
         {u"WIKIWord"sv, u"AbC"sv, u"wikiWord"sv, u"Wiki2Word"sv, std::u16string_view()})
        EXPECT_FALSE(isMashedWordString(makeText(text))) << quoted(text);
}

TEST(Classification, TableForms) {
    // Maps "-" to "x": membership must be decided before mapping.
    static const auto dashToX = [] {
        std::array<char16_t, 65536> t{};
        for (std::size_t i = 0; i < t.size(); ++i)
            t[i] = i == u'-' ? u'x' : char16_t(i);
        return t;
    }();
    const ConversionTable upper = initUpperCharsTable();
    const struct {
        std::u16string_view text;
        ConversionTable table;
        bool alphaNumOnly;
        std::u16string_view expected;
    } rows[] = {{u"ab\0\u00E4\u00DF"sv, upper, false, u"AB\0\u00C4\u00DF"sv},
                {u"AB1"sv, upper, false, u"AB1"sv},
                {{}, upper, false, {}},
                {u"ab"sv, nullptr, false, u"ab"sv},
                {u"a-b 1!\u0663"sv, nullptr, true, u"ab1\u0663"sv},
                {u"ab1"sv, nullptr, true, u"ab1"sv},
                {u"- \U0001F600"sv, nullptr, true, u""sv},
                {u"a-b"sv, dashToX.data(), true, u"ab"sv}};
    for (const auto &k : rows) {
        SCOPED_TRACE(quoted(k.text));
        const QString s = makeText(k.text);
        expectText(
            s,
            k.alphaNumOnly
                ? stringByRemovingNonAlphaNumericCharactersAndApplyingConversionTable(s, k.table)
                : stringByApplyingConversionTable(s, k.table),
            k.expected);
    }
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
