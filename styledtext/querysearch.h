// Search primitives: the next query term or wildcard hit in a range of units.
#pragma once

#include "textlib/charactersets.h"
#include "textlib/range.h"

#include <QColor>
#include <QStringList>
#include <QStringView>

// Both primitives look at the units of a range of characters and answer the next hit inside it,
// or Range{NotFound, 0}. A range reaching outside the characters is clipped to them. Word
// boundaries are judged on all the characters, not only on the range, so a range that starts
// inside a word does not make a word start there. Ignoring case compares unit by unit through
// textlib's upper-case table.

/// Whether a query term must begin at a word start (after a word separator or at index 0).
enum class Anchored { No, Yes };
/// Whether the terms are matched one by one or together as one phrase.
enum class ExactPhrase { No, Yes };

/// White space (whiteCharacterSetRep), control characters, punctuation (P*) and symbols (S*).
/// Letters, marks, digits, surrogates and private-use units are not separators, so a character
/// outside the BMP stays inside its word. Built once.
textlib::CharacterSetRep defaultWordSeparators();

/// The next hit of the user's search terms in range. Null and empty terms are ignored; without
/// any other, nothing is found.
///
/// Without ExactPhrase a hit is the leftmost occurrence of any single term, taken literally
/// (blanks inside a term included); where several terms start at the same unit the longest
/// wins. With ExactPhrase the terms, cut at their white space, form one phrase: its words in
/// order, each gap between two of them matched by any run of white units (at least one) in the
/// text; the hit runs from the first word's start to the last word's end. Anchored asks the hit
/// to begin at a word start (see defaultWordSeparators). A hit never begins or ends between the
/// two halves of a surrogate pair.
textlib::Range findNextQueryTerm(const QStringList &terms, QStringView characters,
                                 textlib::Range range, Qt::CaseSensitivity cs, Anchored anchored,
                                 ExactPhrase exactPhrase);

/// The next word inside range that matches any of the patterns. A word is a maximal run of units
/// outside defaultWordSeparators() lying wholly inside range, at least minCharacters units long
/// (0 or less: any length). In a pattern "*" matches any run of units (the empty one too) and
/// "?" exactly one unit (so a character outside the BMP needs "??"); both are separators, so a
/// word never holds them and they need no escape. Null and empty patterns are ignored.
textlib::Range rangeOfNextWildcard(const QStringList &patterns, QStringView characters,
                                   textlib::Range range, Qt::CaseSensitivity comparison,
                                   qsizetype minCharacters);

/// The text colour of search hits: black, fixed so marked text looks alike whatever palette
/// the application runs with.
QColor foregroundHighlightingColor();
/// The background of search hits: marker yellow (255, 255, 0), on which black text reads well.
QColor backgroundHighlightingColor();
/// The colour of links found automatically (wiki words, link names): the same blue as
/// linkColor(), so they look like links written on purpose.
QColor autoLinkColor();
