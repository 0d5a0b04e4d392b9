#include "styledtext/reformatting.h"

#include "styledtext/editing.h"

#include "textlib/charactersets.h"
#include "textlib/whitespace.h"

#include <algorithm>

namespace {

constexpr char16_t LineSeparator = 0x2028;

// What the previous lines leave for joining the next one.
struct JoinState {
    bool appended = false; // anything in the result yet
    // Also set by an empty line, so a " " never follows one.
    bool endedParagraph = false;
    double size = 0;
    bool bold = false;
};

QString joiner(const JoinState &previous, double size, bool bold) {
    if (previous.endedParagraph)
        return QStringLiteral("\n\n");
    if (size == previous.size && bold == previous.bold)
        return QStringLiteral(" ");
    return previous.size + 2 > size ? QStringLiteral("\n") : QStringLiteral("\n\n");
}

} // namespace

bool trimForReformatting(AttributedString &line) {
    if (line.length() == 0)
        return false;
    replaceCharacter(line, AttachmentCharacter, u' ');
    removeMultipleSpaces(line);
    const QString &chars = line.string();
    return std::any_of(chars.begin(), chars.end(), [](QChar c) {
        return !textlib::isMember(textlib::whiteCharacterSetRep(), c.unicode());
    });
}

AttributedString reformattedAttributedStringByRemovingCharactersOfString(const AttributedString &s,
                                                                         QStringView characters) {
    AttributedString result;
    JoinState previous;
    for (AttributedString line : lines(s)) {
        if (!characters.isEmpty())
            removeCharactersOfString(line, characters);
        if (!trimForReformatting(line)) {
            previous.endedParagraph = true;
            continue;
        }

        const TextAttributes first = line.attributesAtIndex(0);
        const double size = first.fontSize.value_or(0);
        const bool bold = first.bold;
        const double spacing = first.paragraphStyle ? first.paragraphStyle->paragraphSpacing : 0;
        // The joiners carry the paragraph breaks now; a line without a style has no spacing to
        // clear and gets none.
        if (first.paragraphStyle) {
            ParagraphStyle style = *first.paragraphStyle;
            style.paragraphSpacingBefore = 0;
            style.paragraphSpacing = 0;
            setAttribute(line, Attribute::ParagraphStyle, QVariant::fromValue(style), 0,
                         line.length());
        }

        if (previous.appended)
            result.appendString(joiner(previous, size, bold));

        bool endsParagraph = spacing > 1.0;
        if (!endsParagraph && line.length() >= LongLineLength)
            endsParagraph = lastCharacter(line) != LineSeparator;

        trimWhiteSpaces(line);
        result.append(line);
        previous = {true, endsParagraph, size, bold};
    }
    return result;
}
