#include "textlib/configtext.h"

#include "texttesting.h"

#include <vector>

TEST(ConfigText, Lines) {
    // Lines are trimmed; comments and lines shorter than three units go. VT and NEL are white
    // but break no line.
    for (auto [text, expected] :
         {std::pair{u"# comment\n  key value  \n\nx\nk v"sv, QStringList{u"key value"_s, u"k v"_s}},
          {u"a b\r\nc d\u2028e f\x03gh\uFEFFij\x0Ckl\uFFFCmn"sv,
           {u"a b"_s, u"c d"_s, u"e f"_s, u"gh"_s, u"ij"_s, u"kl"_s, u"mn"_s}},
          {u" a b\x0B\x85"
           u"c\u00A0\u3000\n"sv,
           {u"a b\x0B\x85"
            u"c"_s}},
          {u"\0k\tv\0"sv, {u"k\tv"_s}},
          {u"a#b\n\t#x\n#\n"sv, {u"a#b"_s}},
          {Null, {}}})
        EXPECT_EQ(configLines(makeText(text)), expected) << quoted(text);
}

TEST(ConfigText, ValueForKey) {
    // The unit after the key must be white.
    for (auto [line, key, value] : {std::tuple{u"Width\t42 \u00A0"sv, u"WIDTH"sv, u"42"sv},
                                    {u"Width  42"sv, u"wid"sv, Null},
                                    {u"Width \t\0"sv, u"width"sv, Null},
                                    {u"stra\u00DFe x"sv, u"STRASSE"sv, Null},
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
          {u"beta"_s, {alpha, QString(), beta}, NotFound},
          {QString(), {alpha, QString()}, NotFound},
          {u""_s, {alpha, u""_s}, 1}})
        EXPECT_EQ(typedValueForKeys(text, keys), expected) << quoted(text);
}
