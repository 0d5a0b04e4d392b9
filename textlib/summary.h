// Extractive summaries: the most important sentences or paragraphs of a text, in text order.
#pragma once

#include <QString>

namespace textlib {

// A term is a word holding a letter or digit, at least two units long, compared case-folded.
// What a text repeats is what it is about, so a term weighs its repetitions (a term used once
// weighs nothing) times the rarity of the sentences (or paragraphs) holding it, so that words
// found nearly everywhere ("the", "und") count for little in any language without a stop-word
// list. A unit scores the summed weight of its distinct terms over the square root of their
// number, so long units do not win by length alone; ties go to the earlier unit.
//
// Paragraphs are separated by empty lines; a text without any empty line has a paragraph per
// line. Sentences come from the Unicode sentence rules and never span a paragraph.
//
// The summary joins the chosen units with " " inside a paragraph and with the text's paragraph
// separator ("\n\n" or "\n") between paragraphs. It is null when the text has no sentence (or
// paragraph) at all, that is when it is null or only white space; a count below 1 gives "".

/// The count most important sentences; all of them when count is at least their number.
QString summarizeInSentences(const QString &text, qsizetype count);
/// The count most important paragraphs; all of them when count is at least their number.
QString summarizeInParagraphs(const QString &text, qsizetype count);

} // namespace textlib
