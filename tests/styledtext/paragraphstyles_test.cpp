#include "styledtext/paragraphstyles.h"

#include "styledtesting.h"

#include <limits>

namespace {

constexpr double inf = std::numeric_limits<double>::infinity();

TEST(ParagraphStylesTest, DefaultStylesWithLineBreakModesOrTabStops) {
    EXPECT_EQ(defaultParagraphStyleWithLineBreakMode(LineBreakMode::TruncatingMiddle),
              ParagraphStyle{.lineBreakMode = LineBreakMode::TruncatingMiddle});
    EXPECT_EQ(defaultParagraphStyleWithLineBreakMode(LineBreakMode(6)), ParagraphStyle());
    const struct {
        double interval;
        qsizetype count;
        QList<double> stops;
    } tabs[] = {
        {36, 3, {36, 72, 108}}, {-36, 3, {}}, {inf, 3, {}}, {1e308, 3, {1e308}}, // no overflow
    };
    for (const auto &r : tabs)
        EXPECT_EQ(defaultParagraphStyleWithTabStopInterval(r.interval, r.count),
                  ParagraphStyle{.tabStops = r.stops})
            << r.interval << " x " << r.count;
    const auto many =
        defaultParagraphStyleWithTabStopInterval(1, std::numeric_limits<qsizetype>::max());
    ASSERT_EQ(many.tabStops.size(), MaximumTabStops);
    EXPECT_EQ(many.tabStops.back(), double(MaximumTabStops));
}

// The first paragraph's style is laid over the whole text with the new height; NaN is none.
TEST(ParagraphStylesTest, LineHeightsLayTheFirstStyleOverTheWholeText) {
    const ParagraphStyle first{.paragraphSpacing = 4, .maximumLineHeight = 30};
    AttributedString s =
        styled({{"one\n", attrs().bolded().style(first)}, {"two", attrs().italics().before(9)}});
    setMinimumLineHeight(s, 14);
    setMaximumLineHeight(s, std::numeric_limits<double>::quiet_NaN());
    const ParagraphStyle changed{.paragraphSpacing = 4, .minimumLineHeight = 14};
    EXPECT_EQ(s, styled({{"one\n", attrs().bolded().style(changed)},
                         {"two", attrs().italics().style(changed)}}));
}

} // namespace
