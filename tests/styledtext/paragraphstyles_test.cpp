#include "styledtext/paragraphstyles.h"

#include "styledtesting.h"

#include <limits>

namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();

TEST(ParagraphStylesTest, DefaultStylesWithLineBreakModesOrTabStops) {
    const struct {
        LineBreakMode mode, expected;
    } modes[] = {{LineBreakMode::TruncatingMiddle, LineBreakMode::TruncatingMiddle},
                 {LineBreakMode::CharWrapping, LineBreakMode::CharWrapping},
                 {LineBreakMode(6), LineBreakMode::WordWrapping},
                 {LineBreakMode(-1), LineBreakMode::WordWrapping}};
    for (const auto &r : modes) {
        ParagraphStyle expected;
        expected.lineBreakMode = r.expected;
        EXPECT_EQ(defaultParagraphStyleWithLineBreakMode(r.mode), expected) << int(r.mode);
    }
    EXPECT_EQ(defaultParagraphStyleWithWordWrapping(), defaultParagraphStyle());
    EXPECT_FALSE(defaultParagraphStyle().allowsDefaultTighteningForTruncation);

    const struct {
        double interval;
        qsizetype count;
        QList<double> stops;
    } tabs[] = {{36, 3, {36, 72, 108}},
                {0.5, 1, {0.5}},
                {36, 0, {}},
                {36, -1, {}},
                {0, 3, {}},
                {-36, 3, {}},
                {nan, 3, {}},
                {inf, 3, {}},
                {1e308, 3, {1e308}}}; // the second stop would overflow
    for (const auto &r : tabs) {
        ParagraphStyle expected;
        expected.tabStops = r.stops;
        EXPECT_EQ(defaultParagraphStyleWithTabStopInterval(r.interval, r.count), expected)
            << r.interval << " x " << r.count;
    }
    const auto many =
        defaultParagraphStyleWithTabStopInterval(1, std::numeric_limits<qsizetype>::max());
    ASSERT_EQ(many.tabStops.size(), MaximumTabStops);
    EXPECT_EQ(many.tabStops.back(), double(MaximumTabStops));
}

TEST(ParagraphStylesTest, LineHeightsLayTheFirstStyleOverTheWholeText) {
    TextAttributes a = attrs().bolded().after(4), b = attrs().italics().before(9);
    a.paragraphStyle->maximumLineHeight = 30;
    b.paragraphStyle->lineBreakMode = LineBreakMode::Clipping;
    const struct {
        void (*set)(AttributedString &, double);
        double height, expected;
        double ParagraphStyle::*field;
    } rows[] = {
        {setMinimumLineHeight, 14, 14, &ParagraphStyle::minimumLineHeight},
        {setMaximumLineHeight, 14, 14, &ParagraphStyle::maximumLineHeight},
        {setMinimumLineHeight, -3, 0, &ParagraphStyle::minimumLineHeight},
        {setMaximumLineHeight, nan, 0, &ParagraphStyle::maximumLineHeight},
        {setMaximumLineHeight, inf, 0, &ParagraphStyle::maximumLineHeight},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.height);
        TextAttributes a2 = a, b2 = b;
        b2.paragraphStyle = a2.paragraphStyle;
        a2.paragraphStyle.value().*r.field = b2.paragraphStyle.value().*r.field = r.expected;
        AttributedString s = styled({{"one\n", a}, {"two", b}});
        r.set(s, r.height);
        EXPECT_EQ(s, styled({{"one\n", a2}, {"two", b2}}));

        // Without a style the default one gets the height.
        TextAttributes x = attrs().bolded(), y = attrs().italics();
        AttributedString unstyled = styled({{"x", x}, {"y", y}});
        r.set(unstyled, r.height);
        x.paragraphStyle = y.paragraphStyle = defaultParagraphStyle();
        x.paragraphStyle.value().*r.field = y.paragraphStyle.value().*r.field = r.expected;
        EXPECT_EQ(unstyled, styled({{"x", x}, {"y", y}}));

        AttributedString empty;
        r.set(empty, r.height);
        EXPECT_TRUE(empty.runs().isEmpty());
    }
}

} // namespace
