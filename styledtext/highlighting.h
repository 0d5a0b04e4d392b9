// Marking search hits, wildcard hits, mashed words and link names.
#pragma once

#include "styledtext/attributedstring.h"
#include "styledtext/layoutmanager.h"
#include "styledtext/querysearch.h"

#include "textlib/range.h"

#include <QColor>
#include <QList>
#include <QStringList>
#include <QStringView>
#include <QUrl>

#include <functional>

// A hit is marked by laying a dictionary of attributes over it (entries win, an invalid value
// removes), in the text itself or, when a layout manager is given, as its temporary attributes,
// which leaves the text unchanged. A layout manager should be the text's own: marks go to it as
// they are and it clips them to its text. Marks in the text are gathered and written in one pass
// at the end, so many hits cost about as much as one.

/// Whether search terms and text are compared without accents (nonUmlautedString).
enum class NonUmlauted { No, Yes };
/// Whether the link pass also marks mashed words.
enum class MashedWords { No, Yes };

/// Asked before each hit is marked: true marks it. characters are the units searched (without
/// accents under NonUmlauted::Yes, same length as the text's); the text is the original. State
/// the handler needs travels in its closure.
using HitHandler = std::function<bool(const AttributedString &text, QStringView characters,
                                      qsizetype location, qsizetype length)>;

/// Foreground and background colour; an invalid colour stands for the highlighting default
/// (foregroundHighlightingColor(), backgroundHighlightingColor()).
AttributeDictionary highlightAttributesWithForeground(const QColor &foreground = {},
                                                      const QColor &background = {});
/// The address of wiki links: the old-style prefix "Quillmoor" alone. Every wiki link carries
/// the same one; the page it names is the linked text itself.
QUrl wikiLinkAddress();
/// Link wikiLinkAddress(), single underline, foreground and underline colour autoLinkColor().
AttributeDictionary wikiLinkAttributes();

/// Marks the hits of the search terms (findNextQueryTerm) with the highlight colours.
qsizetype highlightStrings(AttributedString &s, const QStringList &terms, const QColor &foreground,
                           const QColor &background, Qt::CaseSensitivity cs,
                           NonUmlauted nonUmlauted, Anchored anchored, ExactPhrase exactPhrase);
/// Marks the hits of the search terms from the start of the text on, each search resuming after
/// the last hit; with a handler only the hits it accepts. Returns the location of the first
/// marked hit; NotFound when nothing is marked, for no usable term, an empty dictionary or
/// empty text.
qsizetype highlightStrings(AttributedString &s, const QStringList &terms,
                           const AttributeDictionary &attributes, Qt::CaseSensitivity cs,
                           NonUmlauted nonUmlauted, Anchored anchored, ExactPhrase exactPhrase,
                           const HitHandler &handler = {}, LayoutManager *layoutManager = nullptr);

/// Marks the words that match the wildcard patterns (rangeOfNextWildcard) with the highlight
/// colours.
qsizetype highlightWildcards(AttributedString &s, const QStringList &patterns,
                             const QColor &foreground, const QColor &background,
                             Qt::CaseSensitivity comparison, qsizetype minCharacters);
/// The walk of highlightStrings with rangeOfNextWildcard; no accent folding.
qsizetype highlightWildcards(AttributedString &s, const QStringList &patterns,
                             const AttributeDictionary &attributes, Qt::CaseSensitivity comparison,
                             qsizetype minCharacters, const HitHandler &handler = {},
                             LayoutManager *layoutManager = nullptr);

/// Whether the run of letters and digits is a mashed word: an upper-case unit, one or more
/// lower-case units, then an upper-case unit followed by a lower-case one (WikiWord,
/// CamelCaseWords2; not Wiki, WIKIWord, wikiWord or WikiW). Only the start is examined.
bool isMashedWord(QStringView run);
/// Marks the mashed words of the range in the text with wikiLinkAttributes().
void highlightMashedWordsInRange(AttributedString &s, qsizetype location, qsizetype length);
/// Marks every maximal run of letters and digits in the range that is a mashed word, through
/// setAttributesOfLinkInRange; with a layout manager a pointing-hand cursor is added. Runs are
/// cut at the range's ends. Nothing for a range not inside the text, shorter than 4 units, or
/// an empty dictionary.
void highlightMashedWordsInRange(AttributedString &s, qsizetype location, qsizetype length,
                                 const AttributeDictionary &attributes,
                                 LayoutManager *layoutManager = nullptr);

/// The occurrences of the names at word starts that end at a separator or at the end: name
/// after name in list order, each at ascending positions. Word starts are index 0 and every
/// unit outside defaultWordSeparators() that follows one inside it. Names shorter than 2 units
/// or longer than 256 or than the characters are skipped. Case is ignored through the upper
/// table. Each word start is indexed once by its first two units, so the cost follows the
/// number of word starts and of names, not names × length.
QList<textlib::Range> findLinkNames(QStringView characters, const QStringList &names,
                                    Qt::CaseSensitivity cs);
/// Above this product of names and range length the names are not used; the limit stays from
/// the names × word starts search this replaced.
inline constexpr qint64 MaximumLinkNameWork = 2'000'000'000;
/// Marks the link names, and mashed words when asked, over the whole text with
/// wikiLinkAttributes().
void highlightLinks(AttributedString &s, const QStringList &names, Qt::CaseSensitivity cs,
                    MashedWords mashedWords);
/// Marks the occurrences of the names (findLinkNames, inside the range as if it were all the
/// text), name by name, then the mashed words, each through setAttributesOfLinkInRange; with a
/// layout manager a pointing-hand cursor is added. The names are used when there are some and
/// their count × the range length is below MaximumLinkNameWork. Mashed words are found on the
/// units as they are, whatever the case sensitivity. Nothing for an empty dictionary, a range
/// not inside the text or shorter than 2 units, or when neither names nor mashed words are used.
void highlightLinks(AttributedString &s, const QStringList &names, Qt::CaseSensitivity cs,
                    MashedWords mashedWords, qsizetype location, qsizetype length,
                    const AttributeDictionary &attributes, LayoutManager *layoutManager = nullptr);

/// Marks one range (clipped to the text) unless it lies inside a longer link. Without a layout
/// manager nothing happens when the link at the range's start runs (with the same address)
/// from before the range or past its end. With one, nothing happens when the temporary
/// attributes at the start hold an underline and reach before the range or past its end, or when
/// the text has a link at the start; otherwise the attributes become temporary ones.
void setAttributesOfLinkInRange(AttributedString &s, qsizetype location, qsizetype length,
                                const AttributeDictionary &attributes,
                                LayoutManager *layoutManager = nullptr);
