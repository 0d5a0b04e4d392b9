// Default paragraph styles and whole-text line heights.
#pragma once

#include "styledtext/attributedstring.h"

// Heights and intervals are in points. A negative, NaN or infinite height counts as 0, which
// sets no limit.

/// Lays the paragraph style at the first unit (the default when there is none), with the
/// minimum line height set, over the whole text; later paragraphs lose their own styles.
/// Nothing for empty text.
void setMinimumLineHeight(AttributedString &s, double height);
/// As setMinimumLineHeight, for the maximum line height.
void setMaximumLineHeight(AttributedString &s, double height);

/// The style of new paragraphs: no spacing, no line-height limits, word wrapping and twelve
/// default tab stops.
ParagraphStyle defaultParagraphStyle();
/// defaultParagraphStyleWithLineBreakMode(LineBreakMode::WordWrapping).
ParagraphStyle defaultParagraphStyleWithWordWrapping();
/// The default style with the line-break mode given (word wrapping for a value outside the
/// enumeration) and tightening for truncation off.
ParagraphStyle defaultParagraphStyleWithLineBreakMode(LineBreakMode mode);

/// Tab stops beyond this are dropped: no text is that wide.
constexpr qsizetype MaximumTabStops = 1024;
/// The default style with count left-aligned stops at interval, 2 x interval... instead of the
/// default stops. No stops when count is not positive or interval is not a positive finite
/// number; at most MaximumTabStops, and none whose position would overflow.
ParagraphStyle defaultParagraphStyleWithTabStopInterval(double interval, qsizetype count);
