#include "styledtext/highlighting.h"

#include "styledtext/editing.h"

#include "textlib/charactersets.h"
#include "textlib/conversiontables.h"
#include "textlib/normalization.h"

#include <algorithm>
#include <array>
#include <unordered_map>
#include <vector>

using textlib::isMember;
using textlib::NotFound;
using textlib::Range;

namespace {

// Whether marks in the text wait for one pass at the end, or are written at once.
enum class Batch { No, Yes };

QVariant linkValue(const QVariant &value) {
    return value.metaType() == QMetaType::fromType<QUrl>() ? value : QVariant();
}

// Where marks go: the layout manager, or the text. In the text, marks are gathered as pending
// dictionaries and written in one pass by finish(), because every overrideAttributes rebuilds
// the whole text; link checks read the text as it will be once they are written.
class Marker {
public:
    Marker(AttributedString &s, LayoutManager *layoutManager, Batch batch)
        : m_text(s)
        , m_layoutManager(layoutManager)
        , m_batch(batch == Batch::Yes && !layoutManager) {
        m_runStarts.reserve(size_t(s.runs().size()));
        qsizetype start = 0;
        for (const AttributedString::Run &run : s.runs()) {
            m_runStarts.push_back(start);
            start += run.length;
        }
        if (m_batch)
            m_pending.resize(s.length());
    }

    void mark(qsizetype location, qsizetype length, const AttributeDictionary &attributes) {
        if (m_layoutManager) {
            m_layoutManager->overrideTemporaryAttributes(attributes, location, length);
        } else if (!m_batch) {
            overrideAttributes(m_text, attributes, location, length);
        } else {
            // Entries with an invalid value stay, to remove the attribute when written.
            m_pending.change(location, length, [&](AttributeDictionary &d) {
                for (auto it = attributes.begin(); it != attributes.end(); ++it)
                    d.insert(it.key(), it.value());
            });
            m_changed = true;
        }
    }

    // Marks the range unless it lies inside a longer link.
    void markLink(qsizetype location, qsizetype length, const AttributeDictionary &attributes) {
        const qsizetype size = m_text.length();
        const qsizetype from = std::clamp<qsizetype>(location, 0, size);
        const qsizetype to = length <= 0                ? from
                             : location > size - length ? size
                                                        : std::max(location + length, from);
        if (from >= to)
            return;
        location = from;
        length = to - from;
        if (m_layoutManager) {
            qsizetype start = 0, runLength = 0;
            const AttributeDictionary temporary =
                m_layoutManager->temporaryAttributesAtCharacterIndex(location, &start, &runLength);
            if (temporary.value(Attribute::UnderlineStyle).toInt() != 0
                && (start < location || runLength > length))
                return;
            if (textAt(location).link)
                return;
        } else {
            const QVariant link = linkAt(location, nullptr);
            if (link.isValid()
                && (insideOneLink(link, location - 1, location)
                    || insideOneLink(link, location, location + length + 1)))
                return;
        }
        mark(location, length, attributes);
    }

    // Writes the pending marks into the text.
    void finish() {
        if (!m_changed)
            return;
        m_changed = false;
        AttributedString result;
        const QString &characters = m_text.string();
        const auto &runs = m_text.runs();
        size_t run = 0;
        m_pending.forEachRun([&](qsizetype start, qsizetype length, const AttributeDictionary &d) {
            const qsizetype end = start + length;
            for (qsizetype pos = start; pos < end;) {
                while (m_runStarts[run] + runs[qsizetype(run)].length <= pos)
                    ++run;
                const qsizetype pieceEnd =
                    std::min(end, m_runStarts[run] + runs[qsizetype(run)].length);
                TextAttributes attributes = runs[qsizetype(run)].attributes;
                attributes.override(d);
                result.append(AttributedString(characters.mid(pos, pieceEnd - pos), attributes));
                pos = pieceEnd;
            }
        });
        m_text = std::move(result);
    }

private:
    const TextAttributes &textAt(qsizetype index, qsizetype *runEnd = nullptr) const {
        const auto it = std::upper_bound(m_runStarts.begin(), m_runStarts.end(), index);
        const qsizetype run = qsizetype(it - m_runStarts.begin()) - 1;
        if (runEnd)
            *runEnd = m_runStarts[size_t(run)] + m_text.runs()[run].length;
        return m_text.runs()[run].attributes;
    }

    // The link at index as the text will carry it; end receives where that may change next.
    QVariant linkAt(qsizetype index, qsizetype *end) const {
        qsizetype textEnd = 0, pendingStart = 0, pendingLength = 0;
        const TextAttributes &attributes = textAt(index, &textEnd);
        const AttributeDictionary pending = m_pending.at(index, &pendingStart, &pendingLength);
        if (end)
            *end = pendingLength > 0 ? std::min(textEnd, pendingStart + pendingLength) : textEnd;
        if (pending.contains(Attribute::Link))
            return linkValue(pending.value(Attribute::Link));
        return attributes.link ? QVariant(*attributes.link) : QVariant();
    }

    // Whether [from, to) lies inside the text and carries link throughout.
    bool insideOneLink(const QVariant &link, qsizetype from, qsizetype to) const {
        if (from < 0 || to > m_text.length())
            return false;
        for (qsizetype pos = from; pos < to;) {
            qsizetype end = 0;
            if (linkAt(pos, &end) != link)
                return false;
            pos = end;
        }
        return true;
    }

    AttributedString &m_text;
    LayoutManager *m_layoutManager;
    bool m_batch;
    bool m_changed = false;
    std::vector<qsizetype> m_runStarts;
    AttributeRuns m_pending;
};

AttributeDictionary withPointingHand(AttributeDictionary attributes, LayoutManager *lm) {
    if (lm)
        attributes.insert(Attribute::Cursor, QVariant::fromValue(Qt::PointingHandCursor));
    return attributes;
}

// Marks the hits that find answers from the start of characters on.
template<typename Find>
qsizetype markHits(AttributedString &s, QStringView characters, Find find,
                   const AttributeDictionary &attributes, const HitHandler &handler,
                   LayoutManager *layoutManager) {
    Marker marker(s, layoutManager, Batch::Yes);
    qsizetype first = NotFound;
    for (qsizetype pos = 0; pos < characters.size();) {
        const Range hit = find(Range{pos, characters.size() - pos});
        if (hit.location == NotFound || hit.length <= 0 || hit.location < pos)
            break;
        if (!handler || handler(s, characters, hit.location, hit.length)) {
            marker.mark(hit.location, hit.length, attributes);
            if (first == NotFound)
                first = hit.location;
        }
        pos = hit.end();
    }
    marker.finish();
    return first;
}

void markMashedWords(Marker &marker, QStringView units, qsizetype offset,
                     const AttributeDictionary &attributes) {
    const textlib::CharacterSetRep alphaNum = textlib::alphaNumCharacterSetRep();
    for (qsizetype i = 0; i < units.size(); ++i) {
        if (!isMember(alphaNum, units[i].unicode()))
            continue;
        const qsizetype start = i;
        while (i < units.size() && isMember(alphaNum, units[i].unicode()))
            ++i;
        if (isMashedWord(units.mid(start, i - start)))
            marker.markLink(offset + start, i - start, attributes);
    }
}

} // namespace

AttributeDictionary highlightAttributesWithForeground(const QColor &foreground,
                                                      const QColor &background) {
    return {
        {Attribute::ForegroundColor,
         foreground.isValid() ? foreground : foregroundHighlightingColor()},
        {Attribute::BackgroundColor,
         background.isValid() ? background : backgroundHighlightingColor()},
    };
}

QUrl wikiLinkAddress() {
    return QUrl(QStringLiteral("Quillmoor"));
}

AttributeDictionary wikiLinkAttributes() {
    return {
        {Attribute::Link, wikiLinkAddress()},
        {Attribute::UnderlineStyle, 1},
        {Attribute::ForegroundColor, autoLinkColor()},
        {Attribute::UnderlineColor, autoLinkColor()},
    };
}

qsizetype highlightStrings(AttributedString &s, const QStringList &terms, const QColor &foreground,
                           const QColor &background, Qt::CaseSensitivity cs,
                           NonUmlauted nonUmlauted, Anchored anchored, ExactPhrase exactPhrase) {
    return highlightStrings(s, terms, highlightAttributesWithForeground(foreground, background), cs,
                            nonUmlauted, anchored, exactPhrase);
}

qsizetype highlightStrings(AttributedString &s, const QStringList &terms,
                           const AttributeDictionary &attributes, Qt::CaseSensitivity cs,
                           NonUmlauted nonUmlauted, Anchored anchored, ExactPhrase exactPhrase,
                           const HitHandler &handler, LayoutManager *layoutManager) {
    if (terms.isEmpty() || attributes.isEmpty() || s.length() == 0)
        return NotFound;
    QString characters = s.string();
    QStringList searched = terms;
    if (nonUmlauted == NonUmlauted::Yes) {
        // The folding maps unit by unit, so hit positions stay those of the text.
        characters = textlib::nonUmlautedString(characters);
        for (QString &term : searched)
            term = textlib::nonUmlautedString(term);
    }
    return markHits(
        s, characters,
        [&](Range range) {
            return findNextQueryTerm(searched, characters, range, cs, anchored, exactPhrase);
        },
        attributes, handler, layoutManager);
}

qsizetype highlightWildcards(AttributedString &s, const QStringList &patterns,
                             const QColor &foreground, const QColor &background,
                             Qt::CaseSensitivity comparison, qsizetype minCharacters) {
    return highlightWildcards(s, patterns,
                              highlightAttributesWithForeground(foreground, background), comparison,
                              minCharacters);
}

qsizetype highlightWildcards(AttributedString &s, const QStringList &patterns,
                             const AttributeDictionary &attributes, Qt::CaseSensitivity comparison,
                             qsizetype minCharacters, const HitHandler &handler,
                             LayoutManager *layoutManager) {
    if (patterns.isEmpty() || attributes.isEmpty() || s.length() == 0)
        return NotFound;
    const QString characters = s.string();
    return markHits(
        s, characters,
        [&](Range range) {
            return rangeOfNextWildcard(patterns, characters, range, comparison, minCharacters);
        },
        attributes, handler, layoutManager);
}

bool isMashedWord(QStringView run) {
    const textlib::CharacterSetRep upper = textlib::upperCharacterSetRep();
    const textlib::CharacterSetRep lower = textlib::lowerCharacterSetRep();
    const textlib::CharacterSetRep alphaNum = textlib::alphaNumCharacterSetRep();
    const qsizetype n = run.size();
    if (n < 4 || !isMember(upper, run[0].unicode()) || !isMember(lower, run[1].unicode()))
        return false;
    qsizetype i = 2;
    while (i < n && isMember(lower, run[i].unicode()))
        ++i;
    if (i + 1 >= n || !isMember(upper, run[i].unicode()) || !isMember(lower, run[i + 1].unicode()))
        return false;
    return std::all_of(run.begin(), run.end(),
                       [&](QChar c) { return isMember(alphaNum, c.unicode()); });
}

void highlightMashedWordsInRange(AttributedString &s, qsizetype location, qsizetype length) {
    highlightMashedWordsInRange(s, location, length, wikiLinkAttributes());
}

void highlightMashedWordsInRange(AttributedString &s, qsizetype location, qsizetype length,
                                 const AttributeDictionary &attributes,
                                 LayoutManager *layoutManager) {
    if (!textlib::rangeLiesWithin({location, length}, s.length()) || length < 4
        || attributes.isEmpty())
        return;
    const QString characters = s.string();
    Marker marker(s, layoutManager, Batch::Yes);
    markMashedWords(marker, QStringView(characters).mid(location, length), location,
                    withPointingHand(attributes, layoutManager));
    marker.finish();
}

QList<Range> findLinkNames(QStringView characters, const QStringList &names,
                           Qt::CaseSensitivity cs) {
    constexpr qsizetype MaximumNameLength = 256;
    const qsizetype size = characters.size();
    QList<Range> found;
    if (size < 2 || names.isEmpty())
        return found;
    const textlib::ConversionTable upper =
        cs == Qt::CaseInsensitive ? textlib::initUpperCharsTable() : nullptr;
    const auto unitAt = [&](qsizetype i) {
        const char16_t c = characters[i].unicode();
        return upper ? upper[c] : c;
    };

    // The usable names by their first two units, with a bitmap of hashed keys that lets most
    // word starts go without a lookup.
    std::vector<std::u16string> folded(size_t(names.size()));
    std::unordered_map<quint32, std::vector<size_t>> byKey;
    const auto keyBit = [](quint32 key) { return char16_t((key * 2654435761u) >> 16); };
    std::array<std::uint8_t, textlib::CharacterSetRepSize> keyBits{};
    for (qsizetype i = 0; i < names.size(); ++i) {
        const QString &name = names[i];
        if (name.size() < 2 || name.size() > MaximumNameLength || name.size() > size)
            continue;
        std::u16string &f = folded[size_t(i)];
        for (QChar c : name)
            f.push_back(upper ? upper[c.unicode()] : c.unicode());
        const quint32 key = (quint32(f[0]) << 16) | f[1];
        byKey[key].push_back(size_t(i));
        keyBits[keyBit(key) >> 3] |= std::uint8_t(1u << (keyBit(key) & 7));
    }
    if (byKey.empty())
        return found;

    // Hits per name, each list filled at ascending word starts.
    std::vector<std::vector<qsizetype>> hits(folded.size());
    const textlib::CharacterSetRep separators = defaultWordSeparators();
    const auto separatorAt = [&](qsizetype i) {
        return isMember(separators, characters[i].unicode());
    };
    for (qsizetype p = 0; p < size;) {
        const quint32 key = p + 1 < size ? (quint32(unitAt(p)) << 16) | unitAt(p + 1) : 0;
        if (p + 1 < size && isMember(keyBits.data(), keyBit(key))) {
            const auto it = byKey.find(key);
            if (it != byKey.end()) {
                for (size_t index : it->second) {
                    const std::u16string &name = folded[index];
                    const qsizetype n = qsizetype(name.size());
                    if (n > size - p)
                        continue;
                    qsizetype k = 2;
                    while (k < n && unitAt(p + k) == name[size_t(k)])
                        ++k;
                    if (k == n && (p + n == size || separatorAt(p + n)))
                        hits[index].push_back(p);
                }
            }
        }
        // On to the next word start: over the word, then over the separators after it.
        while (p < size && !separatorAt(p))
            ++p;
        while (p < size && separatorAt(p))
            ++p;
    }
    for (size_t i = 0; i < hits.size(); ++i) {
        for (qsizetype p : hits[i])
            found.append(Range{p, qsizetype(folded[i].size())});
    }
    return found;
}

void highlightLinks(AttributedString &s, const QStringList &names, Qt::CaseSensitivity cs,
                    MashedWords mashedWords) {
    highlightLinks(s, names, cs, mashedWords, 0, s.length(), wikiLinkAttributes());
}

void highlightLinks(AttributedString &s, const QStringList &names, Qt::CaseSensitivity cs,
                    MashedWords mashedWords, qsizetype location, qsizetype length,
                    const AttributeDictionary &attributes, LayoutManager *layoutManager) {
    if (attributes.isEmpty() || !textlib::rangeLiesWithin({location, length}, s.length())
        || length < 2)
        return;
    const bool namesUsable =
        !names.isEmpty() && qint64(names.size()) <= (MaximumLinkNameWork - 1) / length;
    if (!namesUsable && mashedWords == MashedWords::No)
        return;
    const QString characters = s.string();
    const QStringView units = QStringView(characters).mid(location, length);
    const AttributeDictionary linkAttributes = withPointingHand(attributes, layoutManager);
    Marker marker(s, layoutManager, Batch::Yes);
    if (namesUsable) {
        for (const Range &hit : findLinkNames(units, names, cs))
            marker.markLink(location + hit.location, hit.length, linkAttributes);
    }
    if (mashedWords == MashedWords::Yes)
        markMashedWords(marker, units, location, linkAttributes);
    marker.finish();
}

void setAttributesOfLinkInRange(AttributedString &s, qsizetype location, qsizetype length,
                                const AttributeDictionary &attributes,
                                LayoutManager *layoutManager) {
    if (attributes.isEmpty())
        return;
    Marker marker(s, layoutManager, Batch::No);
    marker.markLink(location, length, attributes);
}
