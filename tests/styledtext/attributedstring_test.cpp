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
    AttributedString empty;
    empty.appendString(QStringLiteral("+x"));
    EXPECT_EQ(empty, styled({{"+x", plain}}));
}

TEST(AttributedStringTest, AttachmentsAreNotCopiedToOtherCharacters) {
    AttributedString s = AttributedString::withAttachment({"a.png", "image/png", "data"}, bold);
    s.appendString(QStringLiteral(" = 5"));
    EXPECT_EQ(s.attributesAtIndex(1), bold);
    EXPECT_TRUE(s.containsAttachments());
    s.replaceCharacters(0, 1, u16(u"\uFFFC"));
    EXPECT_EQ(s, styled({{u16(u"\uFFFC = 5"), bold}})); // no attachment any more
    // Only a U+FFFC carrying an attachment counts.
    EXPECT_FALSE(styled({{"abc", attrs().attached("p", "image/png", "x")}}).containsAttachments());
}

TEST(AttributedStringTest, AttributesAtIndexAndTheirRun) {
    const AttributedString three = styled({{"aa", plain}, {"BB", bold}, {"cc", italic}});
    const struct {
        AttributedString s;
        qsizetype index;
        TextAttributes expected;
        qsizetype runStart, runLength;
    } cases[] = {
        {three, 2, bold, 2, 2},
        {three, 6, italic, 4, 2}, // past the end: the last
        {three, -1, plain, 0, 2},
        {AttributedString(), 0, plain, 0, 0},
    };
    for (const auto &c : cases) {
        qsizetype start = -1, length = -1;
        EXPECT_EQ(c.s.attributesAtIndex(c.index, &start, &length), c.expected) << c.index;
        EXPECT_EQ(std::pair(start, length), std::pair(c.runStart, c.runLength)) << c.index;
    }
}

// Edits and substrings at ranges the text clips, the extremes of qsizetype among them. Plain
// characters take the attributes of the first unit they replace, else of the unit before.
TEST(AttributedStringTest, EditsAndSubstringsClipTheirRanges) {
    constexpr qsizetype min = std::numeric_limits<qsizetype>::min();
    const AttributedString x = styled({{"x", red}});
    const std::pair<std::function<void(AttributedString &)>, AttributedString> cases[] = {
        {[](auto &s) { s = s.attributedSubstringFromRange(1, 2); },
         styled({{"a", plain}, {"b", bold}})},
        {[](auto &s) { s = s.attributedSubstringFromRange(-3, 4); }, styled({{"a", plain}})},
        {[](auto &s) { s = s.attributedSubstringFromRange(5, huge); }, styled({{"c", italic}})},
        {[](auto &s) { s = s.attributedSubstringFromRange(min, huge); }, AttributedString()},
        {[](auto &s) { s.setAttributes(red, 1, 4); },
         styled({{"a", plain}, {"abbc", red}, {"c", italic}})},
        {[](auto &s) { s.setAttributes(red, 3, min); },
         styled({{"aa", plain}, {"bb", bold}, {"cc", italic}})},
        {[](auto &s) { s.replaceCharacters(1, 2, QStringLiteral("xyz")); },
         styled({{"axyz", plain}, {"b", bold}, {"cc", italic}})},
        {[](auto &s) { s.replaceCharacters(huge, huge, QStringLiteral("x")); },
         styled({{"aa", plain}, {"bb", bold}, {"ccx", italic}})},
        {[&](auto &s) { s.replaceCharacters(3, huge, x); },
         styled({{"aa", plain}, {"b", bold}, {"x", red}})},
        {[&](auto &s) { s.insert(min, x); },
         styled({{"x", red}, {"aa", plain}, {"bb", bold}, {"cc", italic}})},
    };
    for (const auto &[edit, expected] : cases) {
        AttributedString s = styled({{"aa", plain}, {"bb", bold}, {"cc", italic}});
        edit(s);
        EXPECT_EQ(s, expected);
        EXPECT_TRUE(runsAreSound(s));
    }
}

// Every attribute survives a trip through its name; an invalid value or one of another type
// removes it, and a dictionary changes only what it names.
TEST(AttributedStringTest, AttributesByName) {
    QFont font(QStringLiteral("Serif"));
    font.setPointSizeF(13.5);
    font.setBold(true);
    const TextAttachment picture{QStringLiteral("a.png"), QStringLiteral("image/png"), "x"};
    const QMap<Attribute, QVariant> rows = {
        {Attribute::Font, QVariant::fromValue(font)},
        {Attribute::UnderlineStyle, 1},
        {Attribute::Attachment, QVariant::fromValue(picture)},
        {Attribute::ParagraphStyle, QVariant::fromValue(ParagraphStyle{.tabStops = {36, 72}})}};
    for (auto [name, value] : rows.asKeyValueRange()) {
        SCOPED_TRACE(int(name));
        TextAttributes a = red;
        a.setValue(name, value);
        const QVariant back = a.value(name);
        if (name == Attribute::Font)
            EXPECT_TRUE(back.value<QFont>().pointSizeF() == 13.5 && a.bold
                        && a.fontFamily == font.family());
        else
            EXPECT_EQ(back, value);
        EXPECT_TRUE(a.dictionary().contains(name));
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
