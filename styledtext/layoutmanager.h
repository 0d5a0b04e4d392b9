// Temporary display attributes over character ranges, kept beside the text.
#pragma once

#include "styledtext/attributedstring.h"

#include <functional>
#include <map>

/// Dictionaries of attributes over the positions [0, length()), held as runs: equal neighbours
/// are always joined, so the run around a position is the longest range of its dictionary.
/// Changing a range costs the logarithm of the number of runs plus the runs inside it.
class AttributeRuns {
public:
    qsizetype length() const { return m_length; }
    /// Cuts the runs at length or extends them with an empty dictionary; negative counts as 0.
    void resize(qsizetype length);
    /// Calls change on the dictionary of every run inside [location, location + length), after
    /// cutting runs at both ends; the range is clipped to [0, length()).
    void change(qsizetype location, qsizetype length,
                const std::function<void(AttributeDictionary &)> &change);
    /// The dictionary at index; runStart and runLength receive its run. Outside [0, length()):
    /// an empty dictionary, with NotFound and 0.
    AttributeDictionary at(qsizetype index, qsizetype *runStart = nullptr,
                           qsizetype *runLength = nullptr) const;
    /// Calls visit(start, length, dictionary) for every run in order.
    void forEachRun(
        const std::function<void(qsizetype, qsizetype, const AttributeDictionary &)> &visit) const;

private:
    // Joins the run starting at start with the one before when their dictionaries are equal.
    void joinAt(qsizetype start);

    std::map<qsizetype, AttributeDictionary> m_runs; // run start -> dictionary
    qsizetype m_length = 0;
};

/// Display attributes laid over a text without changing it, as a view shows search hits or
/// links under the pointer. The text is referenced, not copied, and must outlive the manager.
/// Nothing tells the manager of edits: its runs follow the text's current length, so when the
/// text shrinks the runs past its end are dropped, and new units at the end start without
/// temporary attributes. Ranges outside the text are clipped; an empty one changes nothing.
class LayoutManager {
public:
    explicit LayoutManager(const AttributedString &text)
        : m_text(&text) {}
    LayoutManager(const AttributedString &&) = delete;

    const AttributedString &text() const { return *m_text; }

    /// Gives the range exactly the dictionary (its invalid entries left out).
    void setTemporaryAttributes(const AttributeDictionary &attributes, qsizetype location,
                                qsizetype length);
    /// Adds the entries with a valid value to the range, replacing earlier ones of the same name;
    /// entries with an invalid value are ignored.
    void addTemporaryAttributes(const AttributeDictionary &attributes, qsizetype location,
                                qsizetype length);
    /// Lays the dictionary over the range, run by run: its entries win, and one with an invalid
    /// value removes that attribute, as overrideAttributes does on the text.
    void overrideTemporaryAttributes(const AttributeDictionary &attributes, qsizetype location,
                                     qsizetype length);
    /// Removes one attribute from the range.
    void removeTemporaryAttribute(Attribute name, qsizetype location, qsizetype length);
    /// The temporary attributes at index, with the longest range over which they are the same.
    /// Outside the text: an empty dictionary, with NotFound and 0.
    AttributeDictionary
    temporaryAttributesAtCharacterIndex(qsizetype index, qsizetype *effectiveRangeStart = nullptr,
                                        qsizetype *effectiveRangeLength = nullptr) const;

private:
    void change(qsizetype location, qsizetype length,
                const std::function<void(AttributeDictionary &)> &change);
    // Brings the runs to the text's current length.
    void follow() const;

    const AttributedString *m_text;
    mutable AttributeRuns m_runs;
};
