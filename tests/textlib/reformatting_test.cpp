#include "textlib/reformatting.h"

#include "texttesting.h"

#include <gtest/gtest.h>

using namespace std::literals;
using namespace textlib;

namespace {

TEST(ReformattedMailing, RewritesBreaksAndBlanks) {
    const TextOp mailing{"mailing", nullptr, reformattedMailing};
    using C = TextOpCase;
    expectTextOps({
        C{mailing, u"Hello\r\n\r\n\r\nworld"sv, u"Hello\n\nworld"sv},
        C{mailing, u"a\r\nb\u2028c\u0003d"sv, u"a b c d"sv},
        // Kept before a line starting with a marker, after one ending with : or >.
        C{mailing, u"Items:\n- one\n/b\n}"sv, u"Items:\n- one\n/b\n}"sv},
        C{mailing, u"x>\ny\n> b"sv, u"x>\ny\n> b"sv},
        // A following space keeps the break; the blanks then shrink to one.
        C{mailing, u"a\n   b"sv, u"a\n b"sv},
        C{mailing, u"one \ntwo"sv, u"one two"sv},
        C{mailing, u"\nabc\n"sv, u"abc"sv},
        C{mailing, u"a\n\n"sv, u"a\n\n"sv},
        C{mailing, u"a \t\0 b   "sv, u"a b "sv},
        // An ideographic space is no U+0020: the break turns into a space of its own.
        C{mailing, u"a\n\u3000b"sv, u"a  b"sv},
        C{mailing, u"\xD800\n\xDC00"sv, u"\xD800 \xDC00"sv},
        C{mailing, u"plain"sv, u"plain"sv},
        C{mailing, {}, {}},
    });
}

TEST(ReformattedStringByRemovingCharacters, JoinsStrippedLinesIntoParagraphs) {
    const struct {
        std::u16string_view text, characters, expected;
    } rows[] = {
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
        {u""sv, {}, u""sv},
        {{}, u">"sv, {}},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(quoted(row.text));
        expectText(
            reformattedStringByRemovingCharactersOfString(
                makeText(row.text), QStringView(row.characters.data(), row.characters.size())),
            row.expected);
    }
}

} // namespace
