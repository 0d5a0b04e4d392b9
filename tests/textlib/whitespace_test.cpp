#include "textlib/whitespace.h"

#include "texttesting.h"

#include <gtest/gtest.h>

using namespace std::literals;

namespace {

struct RemoveCase {
    std::u16string_view text, expected;
};

std::ostream &operator<<(std::ostream &os, const RemoveCase &k) {
    return os << quoted(k.text);
}

class RemoveWhiteSpacesTest : public testing::TestWithParam<RemoveCase> {};

TEST_P(RemoveWhiteSpacesTest, RemovesEveryWhiteUnit) {
    const RemoveCase &k = GetParam();
    const QString original = makeText(k.text);
    QString s = original;
    textlib::removeWhiteSpaces(s);
    EXPECT_EQ(s, makeText(k.expected));
    EXPECT_EQ(s.isNull(), k.expected.data() == nullptr);
    // An untouched string is not detached from its copies.
    if (s == original) {
        EXPECT_EQ(s.constData(), original.constData());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RemoveWhiteSpacesTest,
    testing::Values(RemoveCase{u" 1 + 2\t*3\n"sv, u"1+2*3"sv},
                    RemoveCase{u"\u00A01\uFEFF2"sv, u"12"sv},
                    RemoveCase{u"a\0\x03\x0B\x0C\r\x85\u2028\u2029\uFFFC\u3000\u1680b"sv, u"ab"sv},
                    RemoveCase{u"  \t\n"sv, u""sv}, RemoveCase{u"x "sv, u"x"sv},
                    RemoveCase{u"1+2"sv, u"1+2"sv},
                    // Format characters and surrogate halves are not white.
                    RemoveCase{u"a\u200B \U0001F600"sv, u"a\u200B\U0001F600"sv},
                    RemoveCase{u""sv, u""sv}, RemoveCase{{}, {}}));

} // namespace
