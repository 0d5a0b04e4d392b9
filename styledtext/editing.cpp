#include "styledtext/editing.h"

#include "textlib/charactersets.h"
#include "textlib/editing.h"
#include "textlib/finding.h"
#include "textlib/lines.h"
#include "textlib/whitespace.h"
#include "textlib/words.h"

#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {

constexpr char16_t AttachmentCharacter = 0xFFFC;

// The overlap of a range with [0, size) as [from, to), without overflow for any values.
std::pair<qsizetype, qsizetype> clip(qsizetype size, qsizetype location, qsizetype length) {
    const qsizetype from = std::clamp<qsizetype>(location, 0, size);
    if (length <= 0)
        return {from, from};
    const qsizetype to = location > size - length ? size : std::max(location + length, from);
    return {from, to};
}

// Attributes for characters that were not there: an attachment stays with its own U+FFFC.
TextAttributes inherited(TextAttributes attributes) {
    attributes.attachment.reset();
    return attributes;
}

// Copies pieces of a styled text in ascending order, walking its runs once, so that rebuilding
// a text from many pieces stays linear.
class Copier {
public:
    explicit Copier(const AttributedString &source)
        : m_source(source) {}

    // The attributes at pos; positions must not go backwards between calls.
    const TextAttributes &attributesAt(qsizetype pos) {
        const auto &runs = m_source.runs();
        while (m_run + 1 < runs.size() && pos >= m_runStart + runs[m_run].length)
            m_runStart += runs[m_run++].length;
        return runs[m_run].attributes;
    }
    // Appends [from, to) of the source with its attributes; from must not go backwards.
    void copy(AttributedString &out, qsizetype from, qsizetype to) {
        while (from < to) {
            const TextAttributes &attributes = attributesAt(from);
            const qsizetype end = std::min(to, m_runStart + m_source.runs()[m_run].length);
            out.append(AttributedString(m_source.string().mid(from, end - from), attributes));
            from = end;
        }
    }

private:
    const AttributedString &m_source;
    qsizetype m_run = 0;
    qsizetype m_runStart = 0;
};

// Rebuilds s with change applied to the attributes of every run inside [from, to).
template<typename Change>
void changeRuns(AttributedString &s, qsizetype from, qsizetype to, Change change) {
    if (from >= to)
        return;
    AttributedString result;
    qsizetype start = 0;
    for (const AttributedString::Run &run : s.runs()) {
        const qsizetype end = start + run.length;
        const qsizetype a = std::clamp(from, start, end);
        const qsizetype b = std::clamp(to, start, end);
        if (start < a)
            result.append(AttributedString(s.string().mid(start, a - start), run.attributes));
        if (a < b) {
            TextAttributes changed = run.attributes;
            change(changed);
            result.append(AttributedString(s.string().mid(a, b - a), changed));
        }
        if (b < end)
            result.append(AttributedString(s.string().mid(b, end - b), run.attributes));
        start = end;
    }
    s = std::move(result);
}

// Rebuilds s with every run's characters passed through edit.
template<typename Edit> void editRuns(AttributedString &s, Edit edit) {
    AttributedString result;
    qsizetype start = 0;
    for (const AttributedString::Run &run : s.runs()) {
        QString characters = s.string().mid(start, run.length);
        edit(characters, run.attributes);
        result.append(AttributedString(characters, run.attributes));
        start += run.length;
    }
    s = std::move(result);
}

// Aligning the characters before and after an edit. Units the edit kept are matched; between
// matches, removed and added units pair up in order as substitutions, and added units left over
// are insertions.

// Units that must agree after a difference before the alignment trusts they are the same text
// again (fewer when both texts end there).
constexpr qsizetype Anchor = 3;

// After a difference at (i, j) -- old[i] != now[j] -- the numbers of old and new units up to the
// nearest point from which Anchor units agree, or both texts end. Nearest means fewest units on
// the longer side; among equals the longer agreement wins, then the one closest to a
// substitution. Edits packed too closely for such a point (decomposing every letter) settle for
// the nearest single agreeing unit, once a little further search has found nothing better.
std::pair<qsizetype, qsizetype> nextAnchor(QStringView old, QStringView now, qsizetype i,
                                           qsizetype j) {
    const qsizetype restOld = old.size() - i;
    const qsizetype restNew = now.size() - j;
    if (restOld == 0 || restNew == 0)
        return {restOld, restNew};
    const auto agreement = [&](qsizetype a, qsizetype b) {
        qsizetype k = 0;
        while (k < Anchor && i + a + k < old.size() && j + b + k < now.size()
               && old[i + a + k] == now[j + b + k])
            ++k;
        return i + a + k == old.size() && j + b + k == now.size() ? Anchor : k;
    };
    // Searching every point of a level costs its size, so beyond this only the shapes of long
    // edits are looked for: many units deleted or inserted, or one unit become many or one.
    constexpr qsizetype FullSearch = 256;
    const qsizetype levels = std::max(restOld, restNew);
    struct Candidate {
        qsizetype a = -1, b = -1, k = 0;
        bool beats(const Candidate &other) const {
            return other.a < 0 || k > other.k
                   || (k == other.k && std::abs(a - b) < std::abs(other.a - other.b));
        }
    } weak;
    qsizetype weakLevel = 0;
    for (qsizetype c = 1; c <= std::min(levels, FullSearch); ++c) {
        if (weakLevel > 0 && c > 2 * weakLevel + Anchor)
            break;
        Candidate best;
        const auto consider = [&](qsizetype a, qsizetype b) {
            if (a > restOld || b > restNew)
                return;
            const Candidate candidate{a, b, agreement(a, b)};
            if (candidate.k > 0 && candidate.beats(best))
                best = candidate;
        };
        for (qsizetype b = 0; b <= c; ++b)
            consider(c, b);
        for (qsizetype a = 0; a < c; ++a)
            consider(a, c);
        if (best.k >= Anchor)
            return {best.a, best.b};
        if (best.a >= 0 && weakLevel == 0) {
            weak = best;
            weakLevel = c;
        }
    }
    if (weakLevel > 0)
        return {weak.a, weak.b};
    for (qsizetype c = FullSearch + 1; c <= levels; ++c) {
        for (const auto &[a, b] : {std::pair{c, qsizetype(0)}, {0, c}, {1, c}, {c, 1}}) {
            if (a <= restOld && b <= restNew && agreement(a, b) >= Anchor)
                return {a, b};
        }
    }
    return {restOld, restNew};
}

// For each new unit the run whose attributes it takes, and whether it is an old unit kept as it
// was (only those may carry an attachment). Run -1: the defaults of an empty text.
struct Source {
    qsizetype run;
    bool kept;
};

class Aligner {
public:
    Aligner(const AttributedString &s, QStringView now)
        : m_old(s.string())
        , m_now(now)
        , m_runOf(m_old.size())
        , m_sources(now.size()) {
        const auto &runs = s.runs();
        for (qsizetype r = 0, pos = 0; r < runs.size(); ++r)
            for (qsizetype k = 0; k < runs[r].length; ++k)
                m_runOf[pos++] = r;
    }

    std::vector<Source> align() {
        // An edit that only deletes or only inserts leaves one text a subsequence of the other;
        // matching it from the left is then a best alignment, found in linear time.
        if (m_now.size() < m_old.size() && isSubsequence(m_now, m_old)) {
            for (qsizetype i = 0, j = 0; j < m_now.size(); ++i) {
                if (m_old[i] == m_now[j])
                    m_sources[j++] = {m_runOf[i], true};
            }
        } else if (m_old.size() < m_now.size() && isSubsequence(m_old, m_now)) {
            for (qsizetype i = 0, j = 0; j < m_now.size(); ++j) {
                if (i < m_old.size() && m_old[i] == m_now[j])
                    m_sources[j] = {m_runOf[i++], true};
                else
                    insert(j, i);
            }
        } else {
            qsizetype i = 0, j = 0;
            while (i < m_old.size() || j < m_now.size()) {
                if (i < m_old.size() && j < m_now.size() && m_old[i] == m_now[j]) {
                    m_sources[j++] = {m_runOf[i++], true};
                    continue;
                }
                const auto [a, b] = nextAnchor(m_old, m_now, i, j);
                hunk(i, a, j, b);
                i += a;
                j += b;
            }
        }
        return std::move(m_sources);
    }

private:
    static bool isSubsequence(QStringView shorter, QStringView longer) {
        qsizetype k = 0;
        for (qsizetype l = 0; k < shorter.size() && l < longer.size(); ++l)
            k += shorter[k] == longer[l];
        return k == shorter.size();
    }

    void insert(qsizetype j, qsizetype i) {
        const qsizetype before = m_old.isEmpty() ? -1 : m_runOf[std::min(i, m_old.size() - 1)];
        m_sources[j] = {j > 0 ? m_sources[j - 1].run : before, false};
    }

    // a removed units from i and b added units from j, paired in order.
    void gap(qsizetype i, qsizetype a, qsizetype j, qsizetype b) {
        for (qsizetype t = 0; t < b; ++t) {
            if (t < a)
                m_sources[j + t] = {m_runOf[i + t], false};
            else
                insert(j + t, i + a);
        }
    }

    // old [i, i + a) against new [j, j + b) by a longest common subsequence, so several edits
    // close together each line up; too big a hunk is taken as one gap.
    void hunk(qsizetype i, qsizetype a, qsizetype j, qsizetype b) {
        if (a == 0 || b == 0 || a > (qsizetype(1) << 20) / b) {
            gap(i, a, j, b);
            return;
        }
        // common[x * (b + 1) + y]: the longest common subsequence of old [i + x, i + a) and
        // new [j + y, j + b).
        std::vector<qint32> common((a + 1) * (b + 1), 0);
        const auto at = [&](qsizetype x, qsizetype y) -> qint32 & {
            return common[x * (b + 1) + y];
        };
        for (qsizetype x = a - 1; x >= 0; --x)
            for (qsizetype y = b - 1; y >= 0; --y)
                at(x, y) = m_old[i + x] == m_now[j + y] ? at(x + 1, y + 1) + 1
                                                        : std::max(at(x + 1, y), at(x, y + 1));
        // Walk a best path; while one side of the current gap is ahead, a step on the other side
        // that costs no match is taken first, so that removed and added units pair up.
        qsizetype x = 0, y = 0, gapX = 0, gapY = 0;
        while (x < a || y < b) {
            const bool canDelete = x < a && (y == b || at(x + 1, y) == at(x, y));
            const bool canInsert = y < b && (x == a || at(x, y + 1) == at(x, y));
            const bool canMatch = x < a && y < b && m_old[i + x] == m_now[j + y];
            if (canInsert && x - gapX > y - gapY) {
                ++y;
            } else if (canDelete && y - gapY > x - gapX) {
                ++x;
            } else if (canMatch) {
                gap(i + gapX, x - gapX, j + gapY, y - gapY);
                m_sources[j + y] = {m_runOf[i + x], true};
                gapX = ++x;
                gapY = ++y;
            } else if (canDelete) {
                ++x;
            } else {
                ++y;
            }
        }
        gap(i + gapX, x - gapX, j + gapY, y - gapY);
    }

    QStringView m_old;
    QStringView m_now;
    std::vector<qsizetype> m_runOf;
    std::vector<Source> m_sources;
};

// s with its characters replaced by now, runs following an alignment of old and new units.
AttributedString alignedTo(const AttributedString &s, const QString &now) {
    const auto &runs = s.runs();
    const std::vector<Source> sources = Aligner(s, now).align();

    AttributedString result;
    qsizetype start = 0;
    const auto attributesOf = [&](const Source &source) {
        if (source.run < 0)
            return TextAttributes();
        const TextAttributes &a = runs[source.run].attributes;
        return source.kept ? a : inherited(a);
    };
    for (qsizetype k = 1; k <= now.size(); ++k) {
        if (k < now.size() && sources[k].run == sources[start].run
            && (sources[k].kept == sources[start].kept || sources[k].run < 0
                || !runs[sources[k].run].attributes.attachment))
            continue;
        result.append(AttributedString(now.mid(start, k - start), attributesOf(sources[start])));
        start = k;
    }
    return result;
}

// Cuts s after every unit for which isBreak holds, CR LF together.
template<typename IsBreak>
QList<AttributedString> cutLines(const AttributedString &s, IsBreak isBreak) {
    QList<AttributedString> result;
    const QString &chars = s.string();
    Copier copier(s);
    qsizetype start = 0;
    for (qsizetype k = 0; k < chars.size(); ++k) {
        if (!isBreak(chars[k].unicode()))
            continue;
        if (chars[k] == u'\r' && k + 1 < chars.size() && chars[k + 1] == u'\n')
            ++k;
        AttributedString line;
        copier.copy(line, start, k + 1);
        result.append(std::move(line));
        start = k + 1;
    }
    if (start < chars.size()) {
        AttributedString line;
        copier.copy(line, start, chars.size());
        result.append(std::move(line));
    }
    return result;
}

// The address of a link given as QUrl or QString; nullopt when there is none to use.
std::optional<QUrl> linkAddress(const QVariant &address) {
    QUrl url;
    if (address.metaType() == QMetaType::fromType<QUrl>())
        url = address.toUrl();
    else if (address.metaType() == QMetaType::fromType<QString>())
        url = QUrl(address.toString(), QUrl::TolerantMode);
    if (!url.isValid() || url.isEmpty())
        return std::nullopt;
    return url;
}

QString shownText(const QUrl &address, const QString &description) {
    return description.isEmpty() ? address.toString(QUrl::FullyEncoded) : description;
}

// The non-overlapping occurrences of target, left to right.
QList<qsizetype> occurrences(const QString &s, const QString &target, Qt::CaseSensitivity cs) {
    QList<qsizetype> found;
    if (target.isEmpty())
        return found;
    qsizetype pos = 0;
    while (pos <= s.size() - target.size()) {
        const textlib::Range hit = textlib::findString(s, target, {pos, 0}, cs);
        if (hit.location == textlib::NotFound)
            break;
        found.append(hit.location);
        pos = hit.end();
    }
    return found;
}

// Rebuilds s with every occurrence of target (length each) replaced by what make gives for the
// attributes of the occurrence's first unit; returns the count.
template<typename Make>
qsizetype replaceOccurrences(AttributedString &s, const QString &target, Qt::CaseSensitivity cs,
                             Make make) {
    const QList<qsizetype> found = occurrences(s.string(), target, cs);
    if (found.isEmpty())
        return 0;
    AttributedString result;
    Copier copier(s);
    qsizetype pos = 0;
    for (qsizetype at : found) {
        copier.copy(result, pos, at);
        result.append(make(copier.attributesAt(at)));
        pos = at + target.size();
    }
    copier.copy(result, pos, s.length());
    s = std::move(result);
    return found.size();
}

// Whether a trim deletes the unit.
bool trimmable(char16_t c, Attachments attachments) {
    if (c == AttachmentCharacter)
        return attachments == Attachments::Trim;
    return textlib::isMember(textlib::whiteCharacterSetRep(), c);
}

// Replaces every run of units for which inRun holds (a run of one too) by the replacement unit,
// which takes the attributes of the run's first unit.
template<typename InRun> void collapseRuns(AttributedString &s, InRun inRun, char16_t replacement) {
    const QString &chars = s.string();
    AttributedString result;
    Copier copier(s);
    qsizetype copied = 0;
    bool changed = false;
    for (qsizetype k = 0; k < chars.size();) {
        if (!inRun(chars[k].unicode())) {
            ++k;
            continue;
        }
        qsizetype end = k + 1;
        while (end < chars.size() && inRun(chars[end].unicode()))
            ++end;
        changed = changed || end - k > 1 || chars[k] != replacement;
        copier.copy(result, copied, k);
        result.append(
            AttributedString(QString(QChar(replacement)), inherited(copier.attributesAt(k))));
        copied = k = end;
    }
    if (!changed)
        return;
    copier.copy(result, copied, chars.size());
    s = std::move(result);
}

} // namespace

// --- Construction ---------------------------------------------------------------------------

QColor linkColor() {
    return QColor(0, 0, 238);
}

TextAttributes linkAttributes(const QUrl &address, const std::optional<QFont> &font) {
    TextAttributes attributes;
    if (font)
        attributes.setValue(Attribute::Font, QVariant::fromValue(*font));
    attributes.foregroundColor = linkColor();
    attributes.underline = true;
    attributes.link = address;
    return attributes;
}

std::optional<AttributedString> attributedStringWithLink(const QVariant &address,
                                                         const QString &description,
                                                         const std::optional<QFont> &font) {
    const std::optional<QUrl> url = linkAddress(address);
    if (!url)
        return std::nullopt;
    QString text = description;
    if (text.isEmpty())
        text = address.metaType() == QMetaType::fromType<QString>() ? address.toString()
                                                                    : shownText(*url, {});
    return AttributedString(text, linkAttributes(*url, font));
}

std::optional<AttributedString> attributedStringWithAttachmentAtPath(const QString &path) {
    if (path.isEmpty())
        return std::nullopt;
    const QFileInfo info(path);
    if (!info.isFile())
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray data = file.readAll();
    const QString name = info.fileName();
    return AttributedString::withAttachment(
        {name, QMimeDatabase().mimeTypeForFileNameAndData(name, data).name(), data});
}

std::optional<AttributedString> attributedStringWithAttachmentContents(const QByteArray &data,
                                                                       const QString &filename) {
    if (data.isEmpty() || filename.isEmpty())
        return std::nullopt;
    return AttributedString::withAttachment(
        {filename, QMimeDatabase().mimeTypeForFileNameAndData(filename, data).name(), data});
}

// --- Queries --------------------------------------------------------------------------------

bool isEmailContactCard(const TextAttachment &attachment) {
    const QString type = attachment.mimeType.toLower();
    return type == u"text/vcard" || type == u"text/x-vcard"
           || attachment.preferredFilename.endsWith(u".vcf", Qt::CaseInsensitive);
}

qsizetype numberOfAttachments(const AttributedString &s) {
    // Equal attachments side by side share one run, so the U+FFFC are counted, not the runs.
    qsizetype count = 0;
    qsizetype start = 0;
    for (const AttributedString::Run &run : s.runs()) {
        if (run.attributes.attachment && !isEmailContactCard(*run.attributes.attachment))
            count +=
                QStringView(s.string()).mid(start, run.length).count(QChar(AttachmentCharacter));
        start += run.length;
    }
    return count;
}

bool containsSubstring(const AttributedString &s, QStringView needle) {
    return !needle.isEmpty() && textlib::containsSubstring(s.string(), needle);
}

bool isStyledFeed(char16_t c) {
    return textlib::isFeed(c) && c != 0x0003 && c != AttachmentCharacter;
}

std::optional<AttributedString> firstLine(const AttributedString &s) {
    const QString &chars = s.string();
    const auto it =
        std::find_if(chars.begin(), chars.end(), [](QChar c) { return isStyledFeed(c.unicode()); });
    if (chars.isEmpty() || it == chars.begin())
        return std::nullopt;
    if (it == chars.end())
        return s;
    return s.attributedSubstringFromRange(0, it - chars.begin());
}

std::optional<AttributedString> feedOfLine(const AttributedString &s) {
    const QString &chars = s.string();
    qsizetype start = chars.size();
    while (start > 0 && isStyledFeed(chars[start - 1].unicode()))
        --start;
    if (start == chars.size())
        return std::nullopt;
    return s.attributedSubstringFromRange(start, chars.size() - start);
}

bool hasFeedOfLine(const AttributedString &s) {
    return !s.string().isEmpty() && isStyledFeed(s.string().back().unicode());
}

QList<AttributedString> lines(const AttributedString &s) {
    return cutLines(s, [](char16_t c) { return textlib::isFeed(c) && c != AttachmentCharacter; });
}

char16_t lastCharacter(const AttributedString &s) {
    return textlib::lastCharacter(s.string());
}

// --- Inserting, appending, setting ----------------------------------------------------------

void insertString(AttributedString &s, const QString &string, qsizetype index) {
    if (!string.isEmpty())
        s.replaceCharacters(index, 0, string);
}

void insertString(AttributedString &s, const AttributedString &string, qsizetype index) {
    s.insert(index, string);
}

void appendString(AttributedString &s, const QString &string) {
    if (!string.isNull())
        s.appendString(string);
}

void appendString(AttributedString &s, const AttributedString &string) {
    s.append(string);
}

void setString(AttributedString &s, const QString &string) {
    s.replaceCharacters(0, s.length(), string);
}

void setString(AttributedString &s, const AttributedString &string) {
    s = string;
}

void appendFormat(AttributedString &s, const QString &formatted) {
    appendString(s, formatted);
}

void insertString(AttributedString &s, const QString &string, qsizetype index,
                  const TextAttributes &attributes) {
    if (!string.isEmpty())
        s.insert(index, AttributedString(string, attributes));
}

void appendString(AttributedString &s, const QString &string, const TextAttributes &attributes) {
    if (!string.isNull())
        s.append(AttributedString(string, attributes));
}

void setString(AttributedString &s, const QString &string, const TextAttributes &attributes) {
    s = AttributedString(string, attributes);
}

void appendFormat(AttributedString &s, const TextAttributes &attributes, const QString &formatted) {
    if (!formatted.isEmpty())
        s.append(AttributedString(formatted, attributes));
}

void insertStringAsLink(AttributedString &s, const QString &string, qsizetype index) {
    if (const auto link = attributedStringWithLink(string, string))
        s.insert(index, *link);
}

void appendStringAsLink(AttributedString &s, const QString &string,
                        const std::optional<QColor> &backgroundColor) {
    if (auto link = attributedStringWithLink(string, string)) {
        if (backgroundColor)
            link->setAttributes(
                [&] {
                    TextAttributes a = link->attributesAtIndex(0);
                    a.backgroundColor = backgroundColor;
                    return a;
                }(),
                0, link->length());
        s.append(*link);
    }
}

namespace {
TextAttributes linkTextAttributes(const QUrl &link, const std::optional<QFont> &font,
                                  const std::optional<QColor> &color, Underline underlined,
                                  const std::optional<QColor> &backgroundColor) {
    TextAttributes attributes;
    if (font)
        attributes.setValue(Attribute::Font, QVariant::fromValue(*font));
    if (link.isValid() && !link.isEmpty())
        attributes.link = link;
    attributes.foregroundColor = color;
    attributes.backgroundColor = backgroundColor;
    attributes.underline = underlined == Underline::Yes;
    return attributes;
}
} // namespace

void insertString(AttributedString &s, const QString &string, const QUrl &link,
                  const std::optional<QFont> &font, const std::optional<QColor> &color,
                  Underline underlined, const std::optional<QColor> &backgroundColor,
                  qsizetype index) {
    insertString(s, string, index,
                 linkTextAttributes(link, font, color, underlined, backgroundColor));
}

void appendString(AttributedString &s, const QString &string, const QUrl &link,
                  const std::optional<QFont> &font, const std::optional<QColor> &color,
                  Underline underlined, const std::optional<QColor> &backgroundColor) {
    appendString(s, string, linkTextAttributes(link, font, color, underlined, backgroundColor));
}

// --- Attributes -----------------------------------------------------------------------------

void setAttribute(AttributedString &s, Attribute name, const QVariant &value, qsizetype location,
                  qsizetype length) {
    const auto [from, to] = clip(s.length(), location, length);
    changeRuns(s, from, to, [&](TextAttributes &a) { a.setValue(name, value); });
}

void overrideAttributes(AttributedString &s, const AttributeDictionary &attributes,
                        qsizetype location, qsizetype length) {
    if (attributes.isEmpty())
        return;
    const auto [from, to] = clip(s.length(), location, length);
    changeRuns(s, from, to, [&](TextAttributes &a) { a.override(attributes); });
}

void overrideAttributes(AttributedString &s, const AttributeDictionary &attributes) {
    overrideAttributes(s, attributes, 0, s.length());
}

void removeAttribute(AttributedString &s, Attribute name) {
    setAttribute(s, name, QVariant(), 0, s.length());
}

void removeAttachments(AttributedString &s) {
    if (!s.containsAttachments())
        return;
    editRuns(s, [](QString &characters, const TextAttributes &attributes) {
        if (attributes.attachment)
            characters.remove(QChar(AttachmentCharacter));
    });
}

void removeLinks(AttributedString &s) {
    changeRuns(s, 0, s.length(), [](TextAttributes &a) {
        if (!a.link)
            return;
        a.link.reset();
        a.underline = false;
        a.foregroundColor.reset();
    });
}

void lowercase(AttributedString &s) {
    editRuns(s,
             [](QString &characters, const TextAttributes &) { textlib::lowercase(characters); });
}

void uppercase(AttributedString &s) {
    editRuns(s,
             [](QString &characters, const TextAttributes &) { textlib::uppercase(characters); });
}

void capitalize(AttributedString &s) {
    editRuns(s,
             [](QString &characters, const TextAttributes &) { textlib::capitalize(characters); });
}

// --- Replacing ------------------------------------------------------------------------------

qsizetype replaceString(AttributedString &s, const QString &target, const QString &replacement,
                        Qt::CaseSensitivity cs) {
    return replaceOccurrences(s, target, cs, [&](const TextAttributes &attributes) {
        return AttributedString(replacement, inherited(attributes));
    });
}

qsizetype replaceString(AttributedString &s, const QString &target, const QVariant &link,
                        const QString &description, Qt::CaseSensitivity cs) {
    const std::optional<QUrl> url = linkAddress(link);
    if (!url)
        return 0;
    QString text = description;
    if (text.isEmpty())
        text = link.metaType() == QMetaType::fromType<QString>() ? link.toString()
                                                                 : shownText(*url, {});
    return replaceOccurrences(s, target, cs, [&](const TextAttributes &attributes) {
        TextAttributes withLink = inherited(attributes);
        withLink.link = *url;
        return AttributedString(text, withLink);
    });
}

qsizetype replaceString(AttributedString &s, const QString &target,
                        const AttributedString &replacement, Qt::CaseSensitivity cs) {
    return replaceOccurrences(s, target, cs, [&](const TextAttributes &attributes) {
        AttributedString inserted = replacement;
        if (attributes.paragraphStyle)
            setAttribute(inserted, Attribute::ParagraphStyle,
                         QVariant::fromValue(*attributes.paragraphStyle), 0, inserted.length());
        return inserted;
    });
}

// --- Trimming and collapsing ----------------------------------------------------------------

void trimWhiteSpacesAndAttachments(AttributedString &s, Attachments attachments) {
    const QString &chars = s.string();
    qsizetype from = 0;
    while (from < chars.size() && trimmable(chars[from].unicode(), attachments))
        ++from;
    qsizetype to = chars.size();
    while (to > from + 1 && trimmable(chars[to - 1].unicode(), attachments))
        --to;
    if (from > 0 || to < chars.size())
        s = s.attributedSubstringFromRange(from, to - from);
}

void trimWhiteSpaces(AttributedString &s) {
    trimWhiteSpacesAndAttachments(s, Attachments::Trim);
}

void removeMultipleSpaces(AttributedString &s) {
    collapseRuns(
        s, [](char16_t c) { return textlib::isMember(textlib::spaceCharacterSetRep(), c); }, u' ');
}

void removeMultipleWhiteSpaces(AttributedString &s) {
    collapseRuns(
        s, [](char16_t c) { return textlib::isMember(textlib::whiteCharacterSetRep(), c); }, u' ');
}

void removeMultipleFeeds(AttributedString &s) {
    collapseRuns(s, isStyledFeed, u'\n');
}

// --- Character edits ------------------------------------------------------------------------

void editCharacters(AttributedString &s, const std::function<void(QString &)> &edit) {
    QString characters = s.string();
    edit(characters);
    if (characters == s.string())
        return;
    s = alignedTo(s, characters);
}

void appendSubstring(AttributedString &s, QStringView other, textlib::Range range) {
    editCharacters(s, [&](QString &c) { textlib::appendSubstring(c, other, range); });
}

qsizetype deleteString(AttributedString &s, const QString &target) {
    qsizetype count = 0;
    editCharacters(s, [&](QString &c) { count = textlib::deleteString(c, target); });
    return count;
}

void removeCharacterAtIndex(AttributedString &s, qsizetype index) {
    editCharacters(s, [&](QString &c) { textlib::removeCharacterAtIndex(c, index); });
}

void appendUnichar(AttributedString &s, char16_t c) {
    editCharacters(s, [&](QString &chars) { textlib::appendUnichar(chars, c); });
}

void appendUnichars(AttributedString &s, const char16_t *units, qsizetype count) {
    editCharacters(s, [&](QString &c) { textlib::appendUnichars(c, units, count); });
}

void appendTrimmedString(AttributedString &s, QStringView other) {
    editCharacters(s, [&](QString &c) { textlib::appendTrimmedString(c, other); });
}

void removeCharacters(AttributedString &s, char16_t c) {
    editCharacters(s, [&](QString &chars) { textlib::removeCharacters(chars, c); });
}

void removeCharactersOfString(AttributedString &s, QStringView units) {
    editCharacters(s, [&](QString &c) { textlib::removeCharactersOfString(c, units); });
}

void removeFeeds(AttributedString &s) {
    editCharacters(s, [](QString &c) { textlib::removeFeeds(c); });
}

void removeTabs(AttributedString &s) {
    editCharacters(s, [](QString &c) { textlib::removeTabs(c); });
}

void removeSpaces(AttributedString &s) {
    editCharacters(s, [](QString &c) { textlib::removeSpaces(c); });
}

void removeWhiteSpaces(AttributedString &s) {
    editCharacters(s, [](QString &c) { textlib::removeWhiteSpaces(c); });
}

void trimCharacter(AttributedString &s, char16_t c) {
    editCharacters(s, [&](QString &chars) { textlib::trimCharacter(chars, c); });
}

void trimPrefixCharacter(AttributedString &s, char16_t c) {
    editCharacters(s, [&](QString &chars) { textlib::trimPrefixCharacter(chars, c); });
}

void trimSuffixCharacter(AttributedString &s, char16_t c) {
    editCharacters(s, [&](QString &chars) { textlib::trimSuffixCharacter(chars, c); });
}

void trimFeeds(AttributedString &s) {
    editCharacters(s, [](QString &c) { textlib::trimFeeds(c); });
}

void insertCharacter(AttributedString &s, char16_t c, qsizetype index) {
    editCharacters(s, [&](QString &chars) { textlib::insertCharacter(chars, c, index); });
}

void decodeTabs(AttributedString &s, qsizetype width) {
    editCharacters(s, [&](QString &c) { textlib::decodeTabs(c, width); });
}

void encodeTabs(AttributedString &s, qsizetype width) {
    editCharacters(s, [&](QString &c) { textlib::encodeTabs(c, width); });
}

qsizetype replaceCharacter(AttributedString &s, char16_t from, char16_t to,
                           Qt::CaseSensitivity cs) {
    qsizetype count = 0;
    editCharacters(s, [&](QString &c) { count = textlib::replaceCharacter(c, from, to, cs); });
    return count;
}

void normalizeString(AttributedString &s, textlib::NormalForm form) {
    editCharacters(s, [&](QString &c) { textlib::normalizeString(c, form); });
}
