#include "textlib/reformatting.h"

#include "texttesting.h"

#include <gtest/gtest.h>

using namespace std::literals;
using namespace textlib;

namespace {

const TextOp mailing{"mailing", nullptr, reformattedMailing};

class ReformattedMailingTest : public testing::TestWithParam<TextOpCase> {};
TEST_P(ReformattedMailingTest, RewritesBreaksAndBlanks) {
    expectTextOp(GetParam());
}

using C = TextOpCase;
INSTANTIATE_TEST_SUITE_P(
    Cases, ReformattedMailingTest,
    testing::Values(C{mailing, u"Hello\nworld"sv, u"Hello world"sv},
                    C{mailing, u"Hello\n\nworld"sv, u"Hello\n\nworld"sv},
                    C{mailing, u"Hello\r\n\r\n\r\nworld"sv, u"Hello\n\nworld"sv},
                    C{mailing,
                      u"a\r\nb\u2028c\x03"
                      u"d"sv,
                      u"a b c d"sv},
                    // Kept before a line starting with a marker, after one ending with : or >.
                    C{mailing, u"Items:\n- one"sv, u"Items:\n- one"sv},
                    C{mailing, u"a\n> b"sv, u"a\n> b"sv}, C{mailing, u"a\n/b\n}"sv, u"a\n/b\n}"sv},
                    C{mailing, u"Dear all:\nThanks"sv, u"Dear all:\nThanks"sv},
                    C{mailing, u"x>\ny"sv, u"x>\ny"sv},
                    // A following space keeps the break; the blanks then shrink to one.
                    C{mailing, u"a\n   b"sv, u"a\n b"sv}, C{mailing, u"one \ntwo"sv, u"one two"sv},
                    C{mailing, u"a\n"sv, u"a"sv}, C{mailing, u"\nabc"sv, u"abc"sv},
                    C{mailing, u"\n"sv, u""sv}, C{mailing, u"a\n\n"sv, u"a\n\n"sv},
                    C{mailing, u"a \t\0 b   "sv, u"a b "sv},
                    // An ideographic space is no U+0020: the break turns into a space of its own.
                    C{mailing, u"a\n\u3000b"sv, u"a  b"sv},
                    C{mailing, u"\U0001F600\n\U0001F600"sv, u"\U0001F600 \U0001F600"sv},
                    C{mailing, u"\xD800\n\xDC00"sv, u"\xD800 \xDC00"sv},
                    C{mailing, u"plain"sv, u"plain"sv}, C{mailing, u""sv, u""sv},
                    C{mailing, {}, {}}));

TEST(ReformattedStringByRemovingCharactersTest, JoinsStrippedLinesIntoParagraphs) {
    struct Row {
        std::u16string_view text, characters, expected;
    };
    const Row rows[] = {
        {u"> Hello\n> world\n>\n> again"sv, u">"sv, u"Hello world\n\nagain"sv},
        {u"\na\nb\n"sv, {}, u"a b"sv},
        {u"a\r\n\r\n\r\nb"sv, {}, u"a\r\n\r\nb"sv},
        {u"a\n\u2028\nb"sv, {}, u"a\u2028\u2028b"sv},
        // The break on the last line is written once; an empty last line without one adds none.
        {u"a\n\n"sv, {}, u"a\n"sv},
        {u"a\n>"sv, u">"sv, u"a"sv},
        {u"a  b\t\tc\n d"sv, u""sv, u"a b c d"sv},
        // Stripping the breaks themselves still leaves each line's terminator to read.
        {u"a\n\nb"sv, u"\n"sv, u"a\n\nb"sv},
        {u"#x# y\n#\n\nz"sv, u"#"sv, u"x y\n\nz"sv},
        {u""sv, {}, u""sv},
        {{}, u">"sv, {}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(quoted(row.text));
        const QString result = reformattedStringByRemovingCharactersOfString(
            makeText(row.text), QStringView(row.characters.data(), row.characters.size()));
        EXPECT_EQ(result, makeText(row.expected));
        EXPECT_EQ(result.isNull(), row.expected.data() == nullptr);
    }
}

} // namespace
