#include "styledtesting.h"

#include <random>
#include <vector>

namespace {

const TextAttributes plain;
const TextAttributes bold = attrs().bolded();
const TextAttributes italic = attrs().italics();
const TextAttributes red = attrs().fg(0xff0000);

// "aaBBcc": plain, bold, italic.
AttributedString threeRuns() {
    return styled({{"aa", plain}, {"BB", bold}, {"cc", italic}});
}

TEST(AttributedStringTest, ConstructionNeverMakesEmptyRuns) {
    EXPECT_TRUE(AttributedString().runs().isEmpty());
    EXPECT_TRUE(AttributedString(QString(), bold).runs().isEmpty());
    EXPECT_TRUE(AttributedString(QStringLiteral(""), bold).runs().isEmpty());
    const AttributedString one(QStringLiteral("abc"), bold);
    ASSERT_EQ(one.runs().size(), 1);
    EXPECT_EQ(one.runs()[0], (AttributedString::Run{3, bold}));
    // Pieces with equal attributes join; empty pieces vanish.
    const AttributedString joined = styled({{"ab", bold}, {"", italic}, {"cd", bold}});
    ASSERT_EQ(joined.runs().size(), 1);
    EXPECT_EQ(joined.string(), QStringLiteral("abcd"));
}

struct AppendStringCase {
    const char *name;
    friend void PrintTo(const AppendStringCase &c, std::ostream *os) { *os << c.name; }
    AttributedString start;
    QString appended;
    AttributedString expected;
};

class AppendStringTest : public testing::TestWithParam<AppendStringCase> {};

TEST_P(AppendStringTest, TakesTheLastCharactersAttributes) {
    AttributedString s = GetParam().start;
    s.appendString(GetParam().appended);
    EXPECT_EQ(s, GetParam().expected);
    EXPECT_TRUE(runsAreSound(s));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AppendStringTest,
    testing::Values(
        AppendStringCase{"EmptyGetsDefaults", AttributedString(), QStringLiteral(" = 5"),
                         styled({{" = 5", plain}})},
        AppendStringCase{"BoldSelection", styled({{"2+3", bold}}), QStringLiteral(" = 5"),
                         styled({{"2+3 = 5", bold}})},
        AppendStringCase{"LastRunOnly", styled({{"2+", bold}, {"3", red}}), QStringLiteral(" = 5"),
                         styled({{"2+", bold}, {"3 = 5", red}})},
        AppendStringCase{"NothingAppended", styled({{"x", bold}}), QString(),
                         styled({{"x", bold}})},
        AppendStringCase{"AfterAnAttachmentAllButTheAttachment",
                         AttributedString::withAttachment({"a.png", "image/png", "data"}, bold),
                         QStringLiteral("x"),
                         [] {
                             AttributedString s = AttributedString::withAttachment(
                                 {"a.png", "image/png", "data"}, bold);
                             s.append(AttributedString(QStringLiteral("x"), bold));
                             return s;
                         }()}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(AttributedStringTest, AppendStringAfterAttachmentKeepsTheCountOfAttachments) {
    AttributedString s = AttributedString::withAttachment({"a.png", "image/png", "data"}, bold);
    s.appendString(QStringLiteral(" = 5"));
    EXPECT_EQ(s.string(), u16(u"\uFFFC = 5"));
    EXPECT_TRUE(s.containsAttachments());
    s.replaceCharacters(0, 1, QString());
    EXPECT_FALSE(s.containsAttachments());
}

TEST(AttributedStringTest, ReplacingAnAttachmentDoesNotCopyIt) {
    AttributedString s = AttributedString::withAttachment({"a.png", "image/png", "data"}, red);
    s.replaceCharacters(0, 1, u16(u"\uFFFC"));
    EXPECT_FALSE(s.containsAttachments());
    EXPECT_EQ(s, styled({{u16(u"\uFFFC"), red}}));
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
        ReplaceCase{"InsideOneRun", 2, 1, "xyz",
                    styled({{"aa", plain}, {"xyzB", bold}, {"cc", italic}})},
        ReplaceCase{"AcrossRunsTakesTheFirstReplaced", 1, 2, "XY",
                    styled({{"aXY", plain}, {"B", bold}, {"cc", italic}})},
        ReplaceCase{"InsertAtStartTakesTheFollowing", 0, 0, "<",
                    styled({{"<aa", plain}, {"BB", bold}, {"cc", italic}})},
        ReplaceCase{"InsertAtRunBoundaryTakesThePreceding", 2, 0, "|",
                    styled({{"aa|", plain}, {"BB", bold}, {"cc", italic}})},
        ReplaceCase{"InsertAtEndTakesTheLast", 6, 0, ">",
                    styled({{"aa", plain}, {"BB", bold}, {"cc>", italic}})},
        ReplaceCase{"DeleteAWholeRun", 2, 2, "", styled({{"aa", plain}, {"cc", italic}})},
        ReplaceCase{"DeleteEverything", 0, 6, "", AttributedString()},
        ReplaceCase{"ReplaceEverythingTakesTheFirst", 0, 6, "new", styled({{"new", plain}})},
        ReplaceCase{"LocationPastTheEndAppends", 100, 5, "!",
                    styled({{"aa", plain}, {"BB", bold}, {"cc!", italic}})},
        ReplaceCase{"RangeBeforeTheStartInsertsAtZero", -4, 1, "A",
                    styled({{"Aaa", plain}, {"BB", bold}, {"cc", italic}})},
        ReplaceCase{"RangeOverlappingTheStart", -1, 2, "A",
                    styled({{"Aa", plain}, {"BB", bold}, {"cc", italic}})},
        ReplaceCase{"HugeRangeEndingBeforeTheStart", std::numeric_limits<qsizetype>::min(),
                    std::numeric_limits<qsizetype>::max(), "", threeRuns()},
        ReplaceCase{"HugeRangeOverTheWhole", -1, std::numeric_limits<qsizetype>::max(), "",
                    AttributedString()},
        ReplaceCase{"HugeLengthStopsAtTheEnd", 3, std::numeric_limits<qsizetype>::max(), "",
                    styled({{"aa", plain}, {"B", bold}})},
        ReplaceCase{"NegativeLengthReplacesNothing", 4, -3, "z",
                    styled({{"aa", plain}, {"BBz", bold}, {"cc", italic}})}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(AttributedStringTest, DeletingBetweenEqualRunsMergesThem) {
    AttributedString s = styled({{"aa", bold}, {"x", red}, {"bb", bold}});
    s.replaceCharacters(2, 1, QString());
    EXPECT_EQ(s, styled({{"aabb", bold}}));
    ASSERT_EQ(s.runs().size(), 1);
}

TEST(AttributedStringTest, ReplacingByStyledTextKeepsItsAttributes) {
    AttributedString s = threeRuns();
    s.replaceCharacters(2, 2, styled({{"r", red}, {"i", italic}}));
    EXPECT_EQ(s, styled({{"aa", plain}, {"r", red}, {"icc", italic}}));
    EXPECT_TRUE(runsAreSound(s));
    s.insert(0, styled({{"aa", plain}}));
    EXPECT_EQ(s.runs().first(), (AttributedString::Run{4, plain}));
    s.insert(-3, styled({{"b", bold}}));
    s.insert(1000, styled({{"b", bold}}));
    EXPECT_EQ(s.string(), QStringLiteral("baaaaricc"
                                         "b"));
    EXPECT_TRUE(runsAreSound(s));
}

struct SetAttributesCase {
    const char *name;
    friend void PrintTo(const SetAttributesCase &c, std::ostream *os) { *os << c.name; }
    qsizetype location;
    qsizetype length;
    TextAttributes attributes;
    AttributedString expected; // applied to threeRuns()
};

class SetAttributesTest : public testing::TestWithParam<SetAttributesCase> {};

TEST_P(SetAttributesTest, ReplacesTheAttributesOfTheRange) {
    AttributedString s = threeRuns();
    s.setAttributes(GetParam().attributes, GetParam().location, GetParam().length);
    EXPECT_EQ(s, GetParam().expected);
    EXPECT_EQ(s.string(), QStringLiteral("aaBBcc"));
    EXPECT_TRUE(runsAreSound(s));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SetAttributesTest,
    testing::Values(
        SetAttributesCase{"InsideARunSplitsIt", 0, 1, red,
                          styled({{"a", red}, {"a", plain}, {"BB", bold}, {"cc", italic}})},
        SetAttributesCase{"AcrossRuns", 1, 4, red,
                          styled({{"a", plain}, {"aBBc", red}, {"c", italic}})},
        SetAttributesCase{"EqualToTheNeighbourMerges", 2, 2, plain,
                          styled({{"aaBB", plain}, {"cc", italic}})},
        SetAttributesCase{"Everything", 0, 6, bold, styled({{"aaBBcc", bold}})},
        SetAttributesCase{"ZeroLengthChangesNothing", 3, 0, red, threeRuns()},
        SetAttributesCase{"ClippedAtTheEnd", 5, 100, red,
                          styled({{"aa", plain}, {"BB", bold}, {"c", italic}, {"c", red}})},
        SetAttributesCase{"OutsideChangesNothing", 6, 3, red, threeRuns()},
        SetAttributesCase{"OverlappingTheStart", -2, 3, red,
                          styled({{"a", red}, {"a", plain}, {"BB", bold}, {"cc", italic}})}),
    [](const auto &info) { return std::string(info.param.name); });

struct SubstringCase {
    const char *name;
    friend void PrintTo(const SubstringCase &c, std::ostream *os) { *os << c.name; }
    qsizetype location;
    qsizetype length;
    AttributedString expected;
};

class SubstringTest : public testing::TestWithParam<SubstringCase> {};

TEST_P(SubstringTest, CutsRunsAtBothEnds) {
    const AttributedString part =
        threeRuns().attributedSubstringFromRange(GetParam().location, GetParam().length);
    EXPECT_EQ(part, GetParam().expected);
    EXPECT_TRUE(runsAreSound(part));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SubstringTest,
    testing::Values(SubstringCase{"Middle", 1, 4,
                                  styled({{"a", plain}, {"BB", bold}, {"c", italic}})},
                    SubstringCase{"OneRunExactly", 2, 2, styled({{"BB", bold}})},
                    SubstringCase{"Empty", 3, 0, AttributedString()},
                    SubstringCase{"PastTheEnd", 7, 2, AttributedString()},
                    SubstringCase{"ClippedLength", 4, 99, styled({{"cc", italic}})},
                    SubstringCase{"OverlappingTheStart", -1, 3, styled({{"aa", plain}})},
                    SubstringCase{"BeforeTheStart", -5, 3, AttributedString()},
                    SubstringCase{"Whole", 0, 6, threeRuns()}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(AttributedStringTest, AttributesAtIndexAndTheirRun) {
    const AttributedString s = threeRuns();
    struct {
        qsizetype index;
        TextAttributes expected;
        qsizetype runStart, runLength;
    } cases[] = {
        {0, plain, 0, 2},   {1, plain, 0, 2},  {2, bold, 2, 2},
        {5, italic, 4, 2},  {6, italic, 4, 2}, // past the end: the last character's
        {99, italic, 4, 2}, {-1, plain, 0, 2},
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

TEST(AttributedStringTest, AppendJoinsEqualRunsAtTheSeam) {
    AttributedString s = styled({{"ab", bold}});
    s.append(styled({{"cd", bold}, {"e", red}}));
    EXPECT_EQ(s.runs(), (QList<AttributedString::Run>{{4, bold}, {1, red}}));
    s.append(AttributedString());
    EXPECT_EQ(s.length(), 5);
    EXPECT_TRUE(runsAreSound(s));
}

TEST(AttributedStringTest, ContainsAttachments) {
    const TextAttachment picture{"p.png", "image/png", "bytes"};
    struct {
        const char *name;
        AttributedString text;
        bool expected;
    } cases[] = {
        {"plain", styled({{"abc", bold}}), false},
        {"attachment", AttributedString::withAttachment(picture), true},
        {"U+FFFC without attachment", styled({{u16(u"a\uFFFCb"), bold}}), false},
        {"attachment on other characters",
         styled({{"abc", attrs().attached("p", "image/png", "x")}}), false},
        {"attachment in the middle",
         [&] {
             AttributedString s = styled({{"before ", bold}});
             s.append(AttributedString::withAttachment(picture));
             s.append(styled({{" after", plain}}));
             return s;
         }(),
         true},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.text.containsAttachments(), c.expected) << c.name;
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

} // namespace
