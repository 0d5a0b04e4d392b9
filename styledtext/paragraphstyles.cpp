#include "styledtext/paragraphstyles.h"

#include "styledtext/editing.h"

#include <cmath>

namespace {

double usableHeight(double height) {
    return std::isfinite(height) && height > 0 ? height : 0;
}

template<typename Set> void layLineHeight(AttributedString &s, Set set) {
    if (s.length() == 0)
        return;
    ParagraphStyle style = s.attributesAtIndex(0).paragraphStyle.value_or(defaultParagraphStyle());
    set(style);
    setAttribute(s, Attribute::ParagraphStyle, QVariant::fromValue(style), 0, s.length());
}

} // namespace

void setMinimumLineHeight(AttributedString &s, double height) {
    layLineHeight(s,
                  [&](ParagraphStyle &style) { style.minimumLineHeight = usableHeight(height); });
}

void setMaximumLineHeight(AttributedString &s, double height) {
    layLineHeight(s,
                  [&](ParagraphStyle &style) { style.maximumLineHeight = usableHeight(height); });
}

ParagraphStyle defaultParagraphStyle() {
    return ParagraphStyle{};
}

ParagraphStyle defaultParagraphStyleWithWordWrapping() {
    return defaultParagraphStyleWithLineBreakMode(LineBreakMode::WordWrapping);
}

ParagraphStyle defaultParagraphStyleWithLineBreakMode(LineBreakMode mode) {
    ParagraphStyle style = defaultParagraphStyle();
    const int value = int(mode);
    style.lineBreakMode =
        value >= int(LineBreakMode::WordWrapping) && value <= int(LineBreakMode::TruncatingMiddle)
            ? mode
            : LineBreakMode::WordWrapping;
    // Newer text systems squeeze truncated lines unless told not to; every release we run on
    // counts as newer, so it is switched off unconditionally.
    style.allowsDefaultTighteningForTruncation = false;
    return style;
}

ParagraphStyle defaultParagraphStyleWithTabStopInterval(double interval, qsizetype count) {
    ParagraphStyle style = defaultParagraphStyle();
    style.tabStops.clear();
    if (!(std::isfinite(interval) && interval > 0))
        return style;
    for (qsizetype i = 1; i <= std::min(count, MaximumTabStops); ++i) {
        const double position = interval * double(i);
        if (!std::isfinite(position))
            break;
        style.tabStops.append(position);
    }
    return style;
}
