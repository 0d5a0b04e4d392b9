#include "styledtext/paragraphstyles.h"

#include "styledtesting.h"

#include <limits>

namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();

TEST(ParagraphStylesTest, DefaultStylesWithLineBreakModesOrTabStops) {
    for (const auto &[mode, expected] :
         {std::pair{LineBreakMode::TruncatingMiddle, LineBreakMode::TruncatingMiddle},
          {LineBreakMode(6), LineBreakMode::WordWrapping}})
        EXPECT_EQ(defaultParagraphStyleWithLineBreakMode(mode),
                  ParagraphStyle{.lineBreakMode = expected});

    const struct {
        double interval;
        qsizetype count;
        QList<double> stops;
    } tabs[] = {
        {36, 3, {36, 72, 108}}, {36, 0, {}},  {-36, 3, {}},
        {nan, 3, {}},           {inf, 3, {}}, {1e308, 3, {1e308}}, // no overflow
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

TEST(ParagraphStylesTest, LineHeightsLayTheFirstStyleOverTheWholeText) {
    const ParagraphStyle first{.paragraphSpacing = 4, .maximumLineHeight = 30};
    const struct {
        void (*set)(AttributedString &, double);
        double height, expected;
        double ParagraphStyle::*field;
    } rows[] = {
        {setMinimumLineHeight, 14, 14, &ParagraphStyle::minimumLineHeight},
        {setMaximumLineHeight, 14, 14, &ParagraphStyle::maximumLineHeight},
        {setMaximumLineHeight, nan, 0, &ParagraphStyle::maximumLineHeight},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.height);
        AttributedString s = styled(
            {{"one\n", attrs().bolded().style(first)}, {"two", attrs().italics().before(9)}});
        r.set(s, r.height);
        ParagraphStyle changed = first;
        changed.*r.field = r.expected;
        EXPECT_EQ(s, styled({{"one\n", attrs().bolded().style(changed)},
                             {"two", attrs().italics().style(changed)}}));
        // Without a style the default one gets the height.
        AttributedString unstyled = styled({{"x", attrs().bolded()}, {"y", attrs().italics()}});
        r.set(unstyled, r.height);
        changed = ParagraphStyle();
        changed.*r.field = r.expected;
        EXPECT_EQ(unstyled, styled({{"x", attrs().bolded().style(changed)},
                                    {"y", attrs().italics().style(changed)}}));
    }
}

} // namespace
