#include "textlib/charactersets.h"

#include "texttesting.h"

#include <QChar>

#include <algorithm>

namespace {

bool isOneOf(char16_t c, std::initializer_list<char16_t> units) {
    return std::find(units.begin(), units.end(), c) != units.end();
}

} // namespace

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
