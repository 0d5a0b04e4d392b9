#include "textlib/reformatting.h"

#include "texttesting.h"

TEST(Reformatting, MailingRewritesBreaksAndBlanks) {
    const TextOp mailing{"mailing", nullptr, reformattedMailing};
    using C = TextOpCase;
    expectTextOps({
        C{mailing, u"Hello\r\n\r\n\r\nworld", u"Hello\n\nworld"},
        C{mailing, u"\na\r\nb\u2028c\u0003d\n", u"a b c d"},
        // Kept before a line starting with a marker, after one ending with : or >.
        C{mailing, u"Items:\n- one\n/b\n}", u"Items:\n- one\n/b\n}"},
        C{mailing, u"x>\ny\n> b", u"x>\ny\n> b"},
        // A following space keeps the break; the blanks then shrink to one.
        C{mailing, u"a\n   b", u"a\n b"},
        C{mailing, u"a\n\n", u"a\n\n"},
        C{mailing, u"a \t\0 b   "sv, u"a b "},
        // An ideographic space is no U+0020: the break turns into a space of its own.
        C{mailing, u"a\n\u3000b", u"a  b"},
        C{mailing, {}, {}},
    });
}

TEST(Reformatting, RemovingCharactersJoinsStrippedLinesIntoParagraphs) {
    // The break on the last line is written once; an empty last line without one adds none.
    // Stripping the breaks themselves still leaves each line's terminator to read.
    for (auto [text, characters, expected] :
         {std::tuple{u"> Hello\n> world\n>\n> again"sv, u">"sv, u"Hello world\n\nagain"sv},
          {u"\na\nb\n"sv, Null, u"a b"sv},
          {u"a\r\n\r\n\r\nb"sv, Null, u"a\r\n\r\nb"sv},
          {u"a  b\t\tc\n d"sv, u""sv, u"a b c d"sv},
          {u"a\n\nb"sv, u"\n"sv, u"a\n\nb"sv},
          {Null, u">"sv, Null}})
        expectText(reformattedStringByRemovingCharactersOfString(makeText(text), characters),
                   expected);
}
