#include "styledtext/layoutmanager.h"

#include "textlib/charactersets.h"

#include <algorithm>
#include <vector>

// m_runs holds the key 0 whenever m_length > 0, and no key at or past m_length.

void AttributeRuns::resize(qsizetype length) {
    length = std::max<qsizetype>(length, 0);
    if (length < m_length) {
        m_runs.erase(m_runs.lower_bound(length), m_runs.end());
    } else if (length > m_length) {
        m_runs.emplace(m_length, AttributeDictionary());
        joinAt(m_length);
    }
    m_length = length;
}

void AttributeRuns::joinAt(qsizetype start) {
    const auto it = m_runs.find(start);
    if (it == m_runs.end() || it == m_runs.begin())
        return;
    if (std::prev(it)->second == it->second)
        m_runs.erase(it);
}

void AttributeRuns::change(qsizetype location, qsizetype length,
                           const std::function<void(AttributeDictionary &)> &change) {
    const qsizetype from = std::clamp<qsizetype>(location, 0, m_length);
    if (length <= 0)
        return;
    const qsizetype to =
        location > m_length - length ? m_length : std::max(location + length, from);
    if (from >= to)
        return;
    // Cut the runs at both ends so that only [from, to) changes.
    for (qsizetype cut : {from, to}) {
        if (cut <= 0 || cut >= m_length)
            continue;
        auto it = std::prev(m_runs.upper_bound(cut));
        if (it->first != cut)
            m_runs.emplace_hint(std::next(it), cut, it->second);
    }
    std::vector<qsizetype> starts;
    for (auto it = m_runs.find(from); it != m_runs.end() && it->first < to; ++it) {
        change(it->second);
        starts.push_back(it->first);
    }
    if (to < m_length)
        starts.push_back(to);
    for (qsizetype start : starts)
        joinAt(start);
}

AttributeDictionary AttributeRuns::at(qsizetype index, qsizetype *runStart,
                                      qsizetype *runLength) const {
    if (index < 0 || index >= m_length) {
        if (runStart)
            *runStart = textlib::NotFound;
        if (runLength)
            *runLength = 0;
        return {};
    }
    const auto next = m_runs.upper_bound(index);
    const auto it = std::prev(next);
    if (runStart)
        *runStart = it->first;
    if (runLength)
        *runLength = (next == m_runs.end() ? m_length : next->first) - it->first;
    return it->second;
}

void AttributeRuns::forEachRun(
    const std::function<void(qsizetype, qsizetype, const AttributeDictionary &)> &visit) const {
    for (auto it = m_runs.begin(); it != m_runs.end(); ++it) {
        const auto next = std::next(it);
        visit(it->first, (next == m_runs.end() ? m_length : next->first) - it->first, it->second);
    }
}

void LayoutManager::follow() const {
    if (m_runs.length() != m_text->length())
        m_runs.resize(m_text->length());
}

void LayoutManager::change(qsizetype location, qsizetype length,
                           const std::function<void(AttributeDictionary &)> &change) {
    follow();
    m_runs.change(location, length, change);
}

void LayoutManager::setTemporaryAttributes(const AttributeDictionary &attributes,
                                           qsizetype location, qsizetype length) {
    AttributeDictionary valid;
    for (auto it = attributes.begin(); it != attributes.end(); ++it) {
        if (it.value().isValid())
            valid.insert(it.key(), it.value());
    }
    change(location, length, [&](AttributeDictionary &d) { d = valid; });
}

void LayoutManager::addTemporaryAttributes(const AttributeDictionary &attributes,
                                           qsizetype location, qsizetype length) {
    change(location, length, [&](AttributeDictionary &d) {
        for (auto it = attributes.begin(); it != attributes.end(); ++it) {
            if (it.value().isValid())
                d.insert(it.key(), it.value());
        }
    });
}

void LayoutManager::overrideTemporaryAttributes(const AttributeDictionary &attributes,
                                                qsizetype location, qsizetype length) {
    change(location, length, [&](AttributeDictionary &d) {
        for (auto it = attributes.begin(); it != attributes.end(); ++it) {
            if (it.value().isValid())
                d.insert(it.key(), it.value());
            else
                d.remove(it.key());
        }
    });
}

void LayoutManager::removeTemporaryAttribute(Attribute name, qsizetype location, qsizetype length) {
    change(location, length, [name](AttributeDictionary &d) { d.remove(name); });
}

AttributeDictionary
LayoutManager::temporaryAttributesAtCharacterIndex(qsizetype index, qsizetype *effectiveRangeStart,
                                                   qsizetype *effectiveRangeLength) const {
    follow();
    return m_runs.at(index, effectiveRangeStart, effectiveRangeLength);
}
