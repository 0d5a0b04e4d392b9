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

// Edits at random ranges, the extremes of qsizetype among them, checked against one attribute
// set per character.
TEST(AttributedStringTest, RandomEditsMatchACharacterByCharacterModel) {
    const std::vector<TextAttributes> palette = {plain, bold, italic, red, attrs().size(9)};
    const qsizetype extremes[] = {std::numeric_limits<qsizetype>::min(), -huge, -3, huge};
    std::mt19937 random(20240611);
    auto pick = [&](qsizetype n) { return qsizetype(random() % quint64(n)); };
    AttributedString s;
    QString characters;
    std::vector<TextAttributes> model;
    for (int step = 0; step < 3000; ++step) {
        const qsizetype size = characters.size();
        const qsizetype location = pick(8) ? pick(size + 3) - 1 : extremes[pick(4)];
        const qsizetype length = pick(8) ? pick(5) : extremes[pick(4)];
        // The overlap of [location, location + length) with the text, without overflow.
        const qsizetype from = std::clamp<qsizetype>(location, 0, size);
        const qsizetype to = length <= 0                ? from
                             : location > size - length ? size
                                                        : std::max(location + length, from);
        const qsizetype count = to - from;
        TextAttributes attributes = palette[pick(qsizetype(palette.size()))];
        const QString text = QString(pick(4), QChar(u'a' + int(pick(26))));
        const auto replaceModel = [&](qsizetype replaced) {
            model.erase(model.begin() + from, model.begin() + from + replaced);
            model.insert(model.begin() + from, text.size(), attributes);
            characters.replace(from, replaced, text);
        };
        const AttributedString part = s.attributedSubstringFromRange(location, length);
        ASSERT_TRUE(runsAreSound(part));
        ASSERT_EQ(part.length(), count) << "step " << step;
        for (qsizetype i = 0; i < part.length(); ++i)
            ASSERT_EQ(part.attributesAtIndex(i), model[from + i]);
        switch (pick(5)) {
        case 0: // plain characters inherit
            attributes = count > 0  ? model[from]
                         : from > 0 ? model[from - 1]
                         : size > 0 ? model[0]
                                    : plain;
            s.replaceCharacters(location, length, text);
            replaceModel(count);
            break;
        case 1:
            s.replaceCharacters(location, length, AttributedString(text, attributes));
            replaceModel(count);
            break;
        case 2:
            s.insert(location, AttributedString(text, attributes));
            replaceModel(0);
            break;
        case 3:
            s.setAttributes(attributes, location, length);
            std::fill(model.begin() + from, model.begin() + from + count, attributes);
            break;
        default:
            model.insert(model.end(), text.size(), model.empty() ? plain : model.back());
            s.appendString(text);
            characters += text;
        }
        ASSERT_TRUE(runsAreSound(s)) << "step " << step;
        ASSERT_EQ(s.string(), characters) << "step " << step;
        for (qsizetype i = 0; i < characters.size(); ++i)
            ASSERT_EQ(s.attributesAtIndex(i), model[i]) << "step " << step << " index " << i;
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
        {Attribute::ForegroundColor, QColor(Qt::red)},
        {Attribute::UnderlineStyle, 1},
        {Attribute::Link, QUrl(QStringLiteral("https://example.com/"))},
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
