#include "textlib/charactersets.h"

#include "texttesting.h"

#include <QChar>

// A unit of each category the classes are built from (Zs, Zl, Cc, Cf, So, Nd, No, Ll, Lu, Lt,
// Lm, Lo, Mn, Me, Mc, a surrogate, a noncharacter) and the fixed extras of the white class.
TEST(CharacterSets, RepresentativeUnitsOfEachClass) {
    constexpr auto probe = u"\0\x03\t\n\x0B \x85\u00A0\u2028\u3000\uFEFF\uFFFC\u200B-5\u0663\u00BD"
                           u"aA\u01C5\u02B0\u05D0\u0301\u20DD\u0903\xD800\uFFFF"sv;
    for (auto [rep, members] :
         {std::pair{emptyCharacterSetRep(), u""sv},
          {spaceCharacterSetRep(), u"\0\t \u00A0\u3000"sv},
          {whiteCharacterSetRep(), u"\0\x03\t\n\x0B \x85\u00A0\u2028\u3000\uFEFF\uFFFC"sv},
          {alphaCharacterSetRep(), u"aA\u01C5\u02B0\u05D0\u0301\u20DD\u0903"sv},
          {alphaNumCharacterSetRep(), u"5\u0663\u00BD"
                                      u"aA\u01C5\u02B0\u05D0\u0301\u20DD\u0903"sv},
          {digitCharacterSetRep(), u"5\u0663"sv},
          {lowerCharacterSetRep(), u"a"sv},
          {upperCharacterSetRep(), u"A\u01C5"sv}}) {
        std::u16string found;
        for (char16_t c : probe) {
            if (isMember(rep, c))
                found += c;
        }
        EXPECT_EQ(quoted(std::u16string_view(found)), quoted(members));
    }
    char16_t last = 0xFFFF;
    while (!QChar::isLetter(last) && !QChar::isMark(last))
        --last;
    EXPECT_EQ(unsigned(firstAlphaCharacter()), unsigned(u'A'));
    EXPECT_EQ(unsigned(lastAlphaCharacter()), unsigned(last));
}
