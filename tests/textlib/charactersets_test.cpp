#include "textlib/charactersets.h"

#include <QChar>

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>

using textlib::CharacterSetRep;

namespace {

struct NamedRep {
    const char *name;
    CharacterSetRep (*rep)();
    // The class as the Unicode categories and the fixed extras define it, through QChar's own
    // predicates rather than the category numbers the builder uses.
    bool (*defined)(char16_t c);
};

bool isOneOf(char16_t c, std::initializer_list<char16_t> units) {
    return std::find(units.begin(), units.end(), c) != units.end();
}

const NamedRep reps[] = {
    {"empty", textlib::emptyCharacterSetRep, [](char16_t) { return false; }},
    {"space", textlib::spaceCharacterSetRep,
     [](char16_t c) {
         return QChar::category(c) == QChar::Separator_Space || isOneOf(c, {0, 9});
     }},
    {"white", textlib::whiteCharacterSetRep,
     [](char16_t c) {
         // QChar::isSpace is Z* plus U+0009-U+000D and U+0085.
         return QChar::isSpace(c) || isOneOf(c, {0, 3, 0xA0, 0x2028, 0x2029, 0xFEFF, 0xFFFC});
     }},
    {"alpha", textlib::alphaCharacterSetRep,
     [](char16_t c) { return QChar::isLetter(c) || QChar::isMark(c); }},
    {"alphaNum", textlib::alphaNumCharacterSetRep,
     [](char16_t c) { return QChar::isLetterOrNumber(c) || QChar::isMark(c); }},
    {"digit", textlib::digitCharacterSetRep, [](char16_t c) { return QChar::isDigit(c); }},
    {"lower", textlib::lowerCharacterSetRep, [](char16_t c) { return QChar::isLower(c); }},
    {"upper", textlib::upperCharacterSetRep,
     [](char16_t c) { return QChar::isUpper(c) || QChar::isTitleCase(c); }},
};

TEST(CharacterSets, EveryUnitMatchesItsDefinition) {
    for (const NamedRep &r : reps) {
        SCOPED_TRACE(r.name);
        const CharacterSetRep rep = r.rep();
        ASSERT_NE(rep, nullptr);
        EXPECT_EQ(rep, r.rep()) << "built once";
        int wrong = 0;
        for (char32_t c = 0; c <= 0xFFFF; ++c) {
            const char16_t u = char16_t(c);
            const bool surrogate = QChar::isSurrogate(c);
            const bool expected = !surrogate && r.defined(u);
            if (textlib::isMember(rep, u) != expected && ++wrong <= 5)
                ADD_FAILURE() << "U+" << std::hex << unsigned(c);
        }
        EXPECT_EQ(wrong, 0);
    }
}

TEST(CharacterSets, AlphaBoundsAreTheOuterMembers) {
    EXPECT_EQ(unsigned(textlib::firstAlphaCharacter()), unsigned(u'A'));
    EXPECT_EQ(textlib::firstAlphaCharacter(), textlib::firstAlphaCharacter());
    char16_t last = 0xFFFF;
    while (!QChar::isLetter(last) && !QChar::isMark(last))
        --last;
    EXPECT_EQ(unsigned(textlib::lastAlphaCharacter()), unsigned(last));
}

} // namespace
