// Turning hard-wrapped styled text back into paragraphs.
#pragma once

#include "styledtext/attributedstring.h"

#include <QStringView>

/// Lines of this many code units or more were wrapped by the sender, so a paragraph ends there
/// unless the line ends with U+2028.
constexpr qsizetype LongLineLength = 121;

/// Prepares one line for joining: every run of blanks (spaceCharacterSetRep) and attachment
/// characters U+FFFC becomes one space (attachments are dropped). Returns whether some unit is
/// not white (whiteCharacterSetRep); false for empty text.
bool trimForReformatting(AttributedString &line);

/// Joins the lines of hard-wrapped text into paragraphs, each line keeping its attributes.
/// Every unit found in characters (quote markers, say) is removed from each line first.
/// Lines are joined by " " within a paragraph, "\n" before a line of another size or weight
/// (that is not 2 points larger), and "\n\n" after an empty line, a line with paragraph spacing
/// above 1, a long line and before a line at least 2 points larger (a heading). Blank lines,
/// also of attachments alone, count as empty. Paragraph spacing is set to 0 on every line.
AttributedString reformattedAttributedStringByRemovingCharactersOfString(const AttributedString &s,
                                                                         QStringView characters);
