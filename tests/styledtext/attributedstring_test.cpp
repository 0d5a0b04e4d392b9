#include "styledtesting.h"

#include <functional>
#include <limits>

namespace {

const TextAttributes plain;
const TextAttributes bold = attrs().bolded();
const TextAttributes italic = attrs().italics();
const TextAttributes red = attrs().fg(0xff0000);
constexpr qsizetype huge = std::numeric_limits<qsizetype>::max();

TEST(AttributedStringTest, ConstructionAndAppendingNeverMakeEmptyOrEqualRuns) {
    EXPECT_TRUE(AttributedString(QString(), bold).runs().isEmpty());
    AttributedString s = styled({{"ab", bold}, {"", italic}, {"cd", bold}});
    s.append(styled({{"e", bold}, {"f", red}}));
    s.append(AttributedString());
    s.append(u"g", red);
    EXPECT_EQ(s.runs(), (QList<AttributedString::Run>{{5, bold}, {2, red}}));
    s.appendString(QStringLiteral("+x")); // takes the last character's attributes
    EXPECT_EQ(s, styled({{"abcde", bold}, {"fg+x", red}}));
}

// Edits and substrings at ranges the text clips, the extremes of qsizetype among them. Plain
// characters take the attributes of the first unit they replace, else of the unit before.
TEST(AttributedStringTest, EditsAndSubstringsClipTheirRanges) {
    constexpr qsizetype min = std::numeric_limits<qsizetype>::min();
    const AttributedString x = styled({{"x", red}});
    const std::pair<std::function<void(AttributedString &)>, AttributedString> cases[] = {
        {[](auto &s) { s = s.attributedSubstringFromRange(1, 2); },
         styled({{"a", plain}, {"b", bold}})},
        {[](auto &s) { s = s.attributedSubstringFromRange(5, huge); }, styled({{"c", italic}})},
        {[](auto &s) { s.setAttributes(red, 1, 4); },
         styled({{"a", plain}, {"abbc", red}, {"c", italic}})},
        {[](auto &s) { s.setAttributes(red, 3, min); },
         styled({{"aa", plain}, {"bb", bold}, {"cc", italic}})},
        {[](auto &s) { s.replaceCharacters(1, 2, QStringLiteral("xyz")); },
         styled({{"axyz", plain}, {"b", bold}, {"cc", italic}})},
        {[&](auto &s) { s.replaceCharacters(3, huge, x); },
         styled({{"aa", plain}, {"b", bold}, {"x", red}})},
        {[&](auto &s) { s.insert(min, x); },
         styled({{"x", red}, {"aa", plain}, {"bb", bold}, {"cc", italic}})},
    };
    for (const auto &[edit, expected] : cases) {
        AttributedString s = styled({{"aa", plain}, {"bb", bold}, {"cc", italic}});
        edit(s);
        EXPECT_EQ(s, expected);
    }
}

// Every attribute survives a trip through its name; an invalid value or one of another type
// removes it, and a dictionary changes only what it names.
TEST(AttributedStringTest, AttributesByName) {
    const TextAttachment picture{QStringLiteral("a.png"), QStringLiteral("image/png"), "x"};
    for (const auto &[name, value] : {std::pair{Attribute::UnderlineStyle, QVariant(1)},
                                      {Attribute::Attachment, QVariant::fromValue(picture)}}) {
        SCOPED_TRACE(int(name));
        TextAttributes a = red;
        a.setValue(name, value);
        EXPECT_EQ(a.value(name), value);
        for (const QVariant &removing : {QVariant(), QVariant(QStringLiteral("nonsense"))}) {
            TextAttributes removed = a;
            removed.setValue(name, removing);
            EXPECT_FALSE(removed.value(name).isValid());
        }
    }
    TextAttributes a = bold;
    a.override({{Attribute::ForegroundColor, QColor(Qt::green)}, {Attribute::Cursor, 1}});
    EXPECT_EQ(a, attrs().bolded().fg(0xff00ff00));
}

} // namespace
