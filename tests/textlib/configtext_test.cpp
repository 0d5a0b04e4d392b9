#include "textlib/configtext.h"

#include "texttesting.h"

#include <gtest/gtest.h>

#include <vector>

using namespace std::literals;
using namespace Qt::StringLiterals;
using namespace textlib;

namespace {

TEST(ConfigText, Lines) {
    const struct {
        std::u16string_view text;
        std::vector<std::u16string_view> expected;
    } rows[] = {{u"# comment\n  key value  \n\nx\nk v"sv, {u"key value"sv, u"k v"sv}},
                {u"a b\r\nc d\r\n"sv, {u"a b"sv, u"c d"sv}},
                {u"a b\u2028c d\u2029e f\x03gh\uFEFFij\x0Ckl\uFFFCmn"sv,
                 {u"a b"sv, u"c d"sv, u"e f"sv, u"gh"sv, u"ij"sv, u"kl"sv, u"mn"sv}},
                // VT and NEL are white but break no line.
                {u" a b\x0B\x85"
                 u"c\u00A0\u3000\n"sv,
                 {u"a b\x0B\x85"
                  u"c"sv}},
                {u"\0k\tv\0"sv, {u"k\tv"sv}},
                {u"a#b\n\t#x\n#\n"sv, {u"a#b"sv}},
                {u"ab\n a \nb"sv, {u"ab"sv}},
                {{}, {}}};
    for (const auto &k : rows) {
        SCOPED_TRACE(quoted(k.text));
        QStringList expected;
        for (auto line : k.expected)
            expected.append(makeText(line));
        EXPECT_EQ(configLines(makeText(k.text)), expected);
    }
}

TEST(ConfigText, ValueForKey) {
    const struct {
        std::u16string_view line, key, value;
    } rows[] = {{u"Width  42"sv, u"width"sv, u"42"sv},
                {u"Width\t42 \u00A0"sv, u"WIDTH"sv, u"42"sv},
                {u"\u00E9t\u00E9\n1"sv, u"\u00C9T\u00C9"sv, u"1"sv},
                {u"Width  42"sv, u"wid"sv, {}}, // the unit after the key is not white
                {u"Width"sv, u"width"sv, {}},
                {u"Width \t\0"sv, u"width"sv, {}},
                {u"x width 42"sv, u"width"sv, {}},
                {u"stra\u00DFe x"sv, u"STRASSE"sv, {}},
                {u"x y"sv, u""sv, {}},
                {u"x y"sv, {}, {}},
                {{}, u"x"sv, {}}};
    for (const auto &k : rows) {
        SCOPED_TRACE(quoted(k.line) + " " + quoted(k.key));
        expectText(configValueForKey(makeText(k.line), makeText(k.key)), k.value);
    }
}

TEST(ConfigText, TypedValueForKeys) {
    const QString alpha = u"alpha"_s, beta = u"beta"_s, gamma = u"gamma"_s;
    const struct {
        QString text;
        std::vector<QString> keys;
        qsizetype expected;
    } rows[] = {{u"Beta"_s, {alpha, beta, gamma}, 1},
                {u"delta"_s, {alpha, beta, gamma}, NotFound},
                {u"beta"_s, {alpha, QString(), beta}, NotFound}, // a null key ends the list
                {u"alpha"_s, {}, NotFound},
                {QString(), {alpha, QString()}, NotFound},
                {u""_s, {alpha, u""_s}, 1}};
    for (const auto &k : rows)
        EXPECT_EQ(typedValueForKeys(k.text, k.keys), k.expected) << quoted(k.text);
    EXPECT_EQ(typedValueForKeys(u"Beta"_s, {alpha, beta, gamma}), 1);
}

} // namespace
