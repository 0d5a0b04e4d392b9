#include "textlib/configtext.h"

#include "texttesting.h"

#include <vector>

TEST(ConfigText, Lines) {
    // Lines are trimmed; comments, also indented ones, and one-unit lines go. VT and NEL are
    // white but break no line.
    for (auto [text, expected] :
         {std::pair{u"# comment\n  key value  \n\t#x\nx\na#b"sv,
                    QStringList{u"key value"_s, u"a#b"_s}},
          {u"a b\r\nc d\u2028e f\x03gh\uFEFFij\x0Ckl\uFFFCmn"sv,
           {u"a b"_s, u"c d"_s, u"e f"_s, u"gh"_s, u"ij"_s, u"kl"_s, u"mn"_s}},
          {u"\0k\x0B\x85v\u3000\0"sv, {u"k\x0B\x85v"_s}},
          {Null, {}}})
        EXPECT_EQ(configLines(makeText(text)), expected) << quoted(text);
}

TEST(ConfigText, ValueForKey) {
    // The unit after the key must be white.
    for (auto [line, key, value] : {std::tuple{u"Width\t42 \u00A0"sv, u"WIDTH"sv, u"42"sv},
                                    {u"Width  42"sv, u"wid"sv, Null},
                                    {u"Width \t\0"sv, u"width"sv, Null},
                                    {u"x y"sv, u""sv, Null},
                                    {Null, u"x"sv, Null}})
        expectText(configValueForKey(makeText(line), makeText(key)), value);
}

TEST(ConfigText, TypedValueForKeys) {
    const QString alpha = u"alpha"_s, beta = u"beta"_s;
    // A null key ends the list.
    for (auto [text, keys, expected] :
         {std::tuple{u"Beta"_s, std::vector{alpha, beta}, qsizetype(1)},
          {u"delta"_s, {alpha, beta}, NotFound},
          {u"beta"_s, {alpha, QString(), beta}, NotFound}})
        EXPECT_EQ(typedValueForKeys(text, keys), expected) << quoted(text);
}
