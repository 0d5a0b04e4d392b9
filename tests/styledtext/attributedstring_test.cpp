#include "styledtesting.h"

#include <limits>
#include <random>
#include <vector>

namespace {

const TextAttributes plain;
const TextAttributes bold = attrs().bolded();
const TextAttributes italic = attrs().italics();
const TextAttributes red = attrs().fg(0xff0000);
constexpr qsizetype huge = std::numeric_limits<qsizetype>::max();

// "aaBBcc": plain, bold, italic.
AttributedString threeRuns() {
    return styled({{"aa", plain}, {"BB", bold}, {"cc", italic}});
}

TEST(AttributedStringTest, ConstructionNeverMakesEmptyRuns) {
    EXPECT_TRUE(AttributedString().runs().isEmpty());
    EXPECT_TRUE(AttributedString(QString(), bold).runs().isEmpty());
    // Pieces with equal attributes join, also across an append; empty pieces vanish.
    AttributedString s = styled({{"ab", bold}, {"", italic}, {"cd", bold}});
    s.append(styled({{"e", bold}, {"f", red}}));
    s.append(AttributedString());
    EXPECT_EQ(s.runs(), (QList<AttributedString::Run>{{5, bold}, {1, red}}));
}

TEST(AttributedStringTest, AppendStringTakesTheLastCharactersAttributes) {
    struct {
        AttributedString start, expected;
    } cases[] = {
        {AttributedString(), styled({{"+x", plain}})},
        {styled({{"2+", bold}, {"3", red}}), styled({{"2+", bold}, {"3+x", red}})},
    };
    for (const auto &c : cases) {
        AttributedString s = c.start;
        s.appendString(QStringLiteral("+x"));
        EXPECT_EQ(s, c.expected);
    }
}

TEST(AttributedStringTest, AttachmentsAreNotCopiedToOtherCharacters) {
    const TextAttachment picture{"a.png", "image/png", "data"};
    AttributedString s = AttributedString::withAttachment(picture, bold);
    s.appendString(QStringLiteral(" = 5"));
    EXPECT_EQ(s.string(), u16(u"\uFFFC = 5"));
    EXPECT_EQ(s.attributesAtIndex(1), bold);
    EXPECT_TRUE(s.containsAttachments());
    s.replaceCharacters(0, 1, u16(u"\uFFFC"));
    EXPECT_FALSE(s.containsAttachments());
    EXPECT_EQ(s, styled({{u16(u"\uFFFC = 5"), bold}}));
    // Only a U+FFFC carrying an attachment counts.
    EXPECT_FALSE(styled({{"abc", attrs().attached("p", "image/png", "x")}}).containsAttachments());
    AttributedString middle = styled({{"before ", bold}});
    middle.append(AttributedString::withAttachment(picture));
    middle.append(styled({{" after", plain}}));
    EXPECT_TRUE(middle.containsAttachments());
}

struct ReplaceCase {
    const char *name;
    friend void PrintTo(const ReplaceCase &c, std::ostream *os) { *os << c.name; }
    qsizetype location;
    qsizetype length;
    const char *replacement;
    AttributedString expected; // the result of the edit on threeRuns()
};

class ReplaceCharactersTest : public testing::TestWithParam<ReplaceCase> {};

TEST_P(ReplaceCharactersTest, KeepsRunsInStep) {
    AttributedString s = threeRuns();
    s.replaceCharacters(GetParam().location, GetParam().length,
                        QString::fromUtf8(GetParam().replacement));
    EXPECT_EQ(s, GetParam().expected);
    EXPECT_TRUE(runsAreSound(s));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReplaceCharactersTest,
    testing::Values(
        ReplaceCase{"AcrossRunsTakesTheFirstReplaced", 1, 2, "XY",
                    styled({{"aXY", plain}, {"B", bold}, {"cc", italic}})},
        ReplaceCase{"InsertAtStartTakesTheFollowing", 0, 0, "<",
                    styled({{"<aa", plain}, {"BB", bold}, {"cc", italic}})},
        ReplaceCase{"InsertAtRunBoundaryTakesThePreceding", 2, 0, "|",
                    styled({{"aa|", plain}, {"BB", bold}, {"cc", italic}})},
        ReplaceCase{"DeleteAWholeRun", 2, 2, "", styled({{"aa", plain}, {"cc", italic}})},
        ReplaceCase{"ReplaceEverythingTakesTheFirst", 0, 6, "new", styled({{"new", plain}})},
        ReplaceCase{"LocationPastTheEndAppends", 100, 5, "!",
                    styled({{"aa", plain}, {"BB", bold}, {"cc!", italic}})},
        ReplaceCase{"RangeOverlappingTheStart", -1, 2, "A",
                    styled({{"Aa", plain}, {"BB", bold}, {"cc", italic}})},
        ReplaceCase{"HugeRangeEndingBeforeTheStart", std::numeric_limits<qsizetype>::min(), huge,
                    "", threeRuns()},
        ReplaceCase{"HugeRangeOverTheWhole", -1, huge, "", AttributedString()},
        ReplaceCase{"NegativeLengthReplacesNothing", 4, -3, "z",
                    styled({{"aa", plain}, {"BBz", bold}, {"cc", italic}})}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(AttributedStringTest, ReplacingByStyledTextKeepsItsAttributes) {
    AttributedString s = threeRuns();
    s.replaceCharacters(2, 2, styled({{"r", red}, {"i", italic}}));
    EXPECT_EQ(s, styled({{"aa", plain}, {"r", red}, {"icc", italic}}));
    s.insert(-3, styled({{"b", bold}}));
    s.insert(1000, styled({{"b", bold}}));
    EXPECT_EQ(s.string(), QStringLiteral("baaricc"
                                         "b"));
    EXPECT_TRUE(runsAreSound(s));
}

TEST(AttributedStringTest, SetAttributesAndSubstringsClipTheirRanges) {
    struct {
        qsizetype location, length;
        AttributedString afterSet; // red over the range of threeRuns()
        AttributedString substring;
    } cases[] = {
        {1, 4, styled({{"a", plain}, {"aBBc", red}, {"c", italic}}),
         styled({{"a", plain}, {"BB", bold}, {"c", italic}})},
        {3, 0, threeRuns(), AttributedString()},
        {5, 100, styled({{"aa", plain}, {"BB", bold}, {"c", italic}, {"c", red}}),
         styled({{"c", italic}})},
        {6, 3, threeRuns(), AttributedString()},
        {-2, 3, styled({{"a", red}, {"a", plain}, {"BB", bold}, {"cc", italic}}),
         styled({{"a", plain}})},
        {-5, 3, threeRuns(), AttributedString()},
        {0, 6, styled({{"aaBBcc", red}}), threeRuns()},
    };
    for (const auto &c : cases) {
        AttributedString s = threeRuns();
        s.setAttributes(red, c.location, c.length);
        EXPECT_EQ(s, c.afterSet) << c.location << "," << c.length;
        EXPECT_TRUE(runsAreSound(s));
        EXPECT_EQ(threeRuns().attributedSubstringFromRange(c.location, c.length), c.substring)
            << c.location << "," << c.length;
    }
    // Setting the neighbour's attributes merges the runs.
    AttributedString s = threeRuns();
    s.setAttributes(plain, 2, 2);
    EXPECT_EQ(s.runs(), (QList<AttributedString::Run>{{4, plain}, {2, italic}}));
}

TEST(AttributedStringTest, AttributesAtIndexAndTheirRun) {
    const AttributedString s = threeRuns();
    struct {
        qsizetype index;
        TextAttributes expected;
        qsizetype runStart, runLength;
    } cases[] = {
        {1, plain, 0, 2},  {2, bold, 2, 2},
        {5, italic, 4, 2}, {6, italic, 4, 2}, // past the end: the last character's
        {-1, plain, 0, 2},
    };
    for (const auto &c : cases) {
        qsizetype start = -1, length = -1;
        EXPECT_EQ(s.attributesAtIndex(c.index, &start, &length), c.expected) << c.index;
        EXPECT_EQ(start, c.runStart) << c.index;
        EXPECT_EQ(length, c.runLength) << c.index;
    }
    qsizetype start = -1, length = -1;
    EXPECT_EQ(AttributedString().attributesAtIndex(0, &start, &length), TextAttributes());
    EXPECT_EQ(start, 0);
    EXPECT_EQ(length, 0);
}
// Edits at random positions, checked against one attribute set per character.
TEST(AttributedStringTest, RandomEditsMatchACharacterByCharacterModel) {
    const std::vector<TextAttributes> palette = {plain, bold, italic, red, attrs().size(9)};
    std::mt19937 random(20240611);
    auto pick = [&](int n) { return int(random() % unsigned(n)); };
    AttributedString s;
    QString characters;
    std::vector<TextAttributes> model;
    for (int step = 0; step < 3000; ++step) {
        const qsizetype size = characters.size();
        const qsizetype location = pick(int(size) + 3) - 1;
        const qsizetype length = pick(5);
        // The overlap of [location, location + length) with the text.
        const qsizetype from = std::clamp<qsizetype>(location, 0, size);
        const qsizetype count = std::clamp<qsizetype>(location + length, from, size) - from;
        const TextAttributes &attributes = palette[pick(int(palette.size()))];
        const QString text = QString(pick(4), QChar(u'a' + pick(26)));
        switch (pick(4)) {
        case 0: { // plain replacement
            TextAttributes inherited;
            if (count > 0)
                inherited = model[from];
            else if (from > 0)
                inherited = model[from - 1];
            else if (size > 0)
                inherited = model[0];
            s.replaceCharacters(location, length, text);
            model.erase(model.begin() + from, model.begin() + from + count);
            model.insert(model.begin() + from, text.size(), inherited);
            characters.replace(from, count, text);
            break;
        }
        case 1: // styled replacement
            s.replaceCharacters(location, length, AttributedString(text, attributes));
            model.erase(model.begin() + from, model.begin() + from + count);
            model.insert(model.begin() + from, text.size(), attributes);
            characters.replace(from, count, text);
            break;
        case 2:
            s.setAttributes(attributes, location, length);
            std::fill(model.begin() + from, model.begin() + from + count, attributes);
            break;
        default: {
            const TextAttributes last = model.empty() ? TextAttributes() : model.back();
            s.appendString(text);
            model.insert(model.end(), text.size(), last);
            characters += text;
            break;
        }
        }
        ASSERT_TRUE(runsAreSound(s)) << "step " << step;
        ASSERT_EQ(s.string(), characters) << "step " << step;
        for (qsizetype i = 0; i < characters.size(); ++i)
            ASSERT_EQ(s.attributesAtIndex(i), model[i]) << "step " << step << " index " << i;
        // Every substring agrees with the model as well.
        const qsizetype cut = pick(int(characters.size()) + 1);
        const AttributedString part = s.attributedSubstringFromRange(cut, 3);
        ASSERT_TRUE(runsAreSound(part));
        for (qsizetype i = 0; i < part.length(); ++i)
            ASSERT_EQ(part.attributesAtIndex(i), model[cut + i]);
    }
}

// Every attribute survives a trip through its name; an invalid value or one of another type
// removes it, and a dictionary changes only what it names.
TEST(AttributedStringTest, AttributesByName) {
    QFont font(QStringLiteral("Serif"));
    font.setPointSizeF(13.5);
    font.setBold(true);
    ParagraphStyle style;
    style.minimumLineHeight = 20;
    style.tabStops = {36, 72};
    const struct {
        Attribute name;
        QVariant value;
    } rows[] = {{Attribute::Font, QVariant::fromValue(font)},
                {Attribute::ForegroundColor, QColor(Qt::red)},
                {Attribute::BackgroundColor, QColor(Qt::yellow)},
                {Attribute::UnderlineStyle, 1},
                {Attribute::UnderlineColor, QColor(Qt::blue)},
                {Attribute::Link, QUrl(QStringLiteral("https://example.com/"))},
                {Attribute::Attachment,
                 QVariant::fromValue(
                     TextAttachment{QStringLiteral("a.png"), QStringLiteral("image/png"), "x"})},
                {Attribute::ParagraphStyle, QVariant::fromValue(style)}};
    for (const auto &k : rows) {
        SCOPED_TRACE(int(k.name));
        TextAttributes a = red;
        a.setValue(k.name, k.value);
        const QVariant back = a.value(k.name);
        if (k.name == Attribute::Font) {
            EXPECT_EQ(back.value<QFont>().family(), font.family());
            EXPECT_EQ(back.value<QFont>().pointSizeF(), 13.5);
            EXPECT_TRUE(a.bold);
        } else {
            EXPECT_EQ(back, k.value);
        }
        EXPECT_TRUE(a.dictionary().contains(k.name));
        TextAttributes removed = a;
        removed.setValue(k.name, QVariant());
        EXPECT_FALSE(removed.value(k.name).isValid());
        TextAttributes wrongType = a;
        wrongType.setValue(k.name, QStringLiteral("nonsense"));
        EXPECT_FALSE(wrongType.value(k.name).isValid());
    }
    TextAttributes a = bold;
    a.override({{Attribute::ForegroundColor, QColor(Qt::green)}, {Attribute::Cursor, 1}});
    EXPECT_TRUE(a.bold);
    EXPECT_EQ(a.foregroundColor, QColor(Qt::green));
    EXPECT_FALSE(a.value(Attribute::Cursor).isValid());
    EXPECT_EQ(plain.dictionary(), AttributeDictionary());
}

} // namespace
