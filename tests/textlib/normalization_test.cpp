#include "textlib/normalization.h"

#include "texttesting.h"

#include <gtest/gtest.h>

using namespace std::literals;

namespace {

struct NormalizeCase {
    std::u16string_view text, expected;
};

std::ostream &operator<<(std::ostream &os, const NormalizeCase &k) {
    return os << quoted(k.text);
}

class NormalizeStringTest : public testing::TestWithParam<NormalizeCase> {};

TEST_P(NormalizeStringTest, ComposesCanonically) {
    const NormalizeCase &k = GetParam();
    const QString original = makeText(k.text);
    QString s = original;
    textlib::normalizeString(s);
    EXPECT_EQ(s, makeText(k.expected));
    EXPECT_EQ(s.isNull(), k.expected.data() == nullptr);
    if (s == original) {
        EXPECT_EQ(s.constData(), original.constData());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NormalizeStringTest,
    testing::Values(NormalizeCase{u"a\u0308"sv, u"\u00E4"sv},
                    NormalizeCase{u"\u00E4rger"sv, u"\u00E4rger"sv},
                    NormalizeCase{u"\u212B"sv, u"\u00C5"sv},
                    NormalizeCase{u"\u1100\u1161"sv, u"\uAC00"sv},
                    // Marks are reordered by combining class before composing.
                    NormalizeCase{u"e\u0301\u0327"sv, u"\u0229\u0301"sv},
                    // Form C keeps compatibility characters (form KC would not).
                    NormalizeCase{u"\uFB01\u00B2"sv, u"\uFB01\u00B2"sv},
                    NormalizeCase{u"\xD800x"sv, u"\xD800x"sv}, NormalizeCase{u""sv, u""sv},
                    NormalizeCase{{}, {}}));

} // namespace
