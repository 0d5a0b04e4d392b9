#include "styledtext/editing.h"

#include "textlib/charactersets.h"
#include "textlib/editing.h"
#include "textlib/finding.h"
#include "textlib/lines.h"
#include "textlib/normalization.h"
#include "textlib/whitespace.h"
#include "textlib/words.h"

#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>

#include <algorithm>
#include <limits>
#include <vector>

namespace {

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
    // The end of the run that the last attributesAt() found.
    qsizetype runEnd() const { return m_runStart + m_source.runs()[m_run].length; }
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

// One edit of the characters: [from, to) of the text before the edit becomes text.
struct Splice {
    qsizetype from;
    qsizetype to;
    QString text;
};

// Rebuilds s with the splices (ascending, not overlapping) applied at their positions. Units
// outside them keep their attributes; a written unit takes the attributes of the removed unit it
// stands in for, in order, and units beyond those the attributes of the unit before them (after
// them at the start, the defaults in an empty text). Written units never carry an attachment.
void applySplices(AttributedString &s, const std::vector<Splice> &splices) {
    if (splices.empty())
        return;
    const qsizetype size = s.length();
    AttributedString result;
    Copier copier(s);
    qsizetype pos = 0;
    for (const Splice &splice : splices) {
        copier.copy(result, pos, splice.from);
        const QString &text = splice.text;
        const qsizetype paired = std::min(text.size(), splice.to - splice.from);
        for (qsizetype k = 0; k < paired;) {
            const TextAttributes &attributes = copier.attributesAt(splice.from + k);
            const qsizetype n = std::min(paired - k, copier.runEnd() - (splice.from + k));
            result.append(AttributedString(text.mid(k, n), inherited(attributes)));
            k += n;
        }
        if (paired < text.size()) {
            const TextAttributes neighbour = result.length() > 0
                                                 ? result.attributesAtIndex(result.length() - 1)
                                             : splice.to < size ? copier.attributesAt(splice.to)
                                                                : TextAttributes();
            result.append(AttributedString(text.mid(paired), inherited(neighbour)));
        }
        pos = splice.to;
    }
    copier.copy(result, pos, size);
    s = std::move(result);
}

// Splices that delete every run of units for which remove holds.
template<typename Remove> void removeWhere(AttributedString &s, Remove remove) {
    const QString &chars = s.string();
    std::vector<Splice> splices;
    for (qsizetype k = 0; k < chars.size();) {
        if (!remove(chars[k].unicode())) {
            ++k;
            continue;
        }
        const qsizetype from = k;
        while (k < chars.size() && remove(chars[k].unicode()))
            ++k;
        splices.push_back({from, k, QString()});
    }
    applySplices(s, splices);
}

// Appends what append adds to an empty string, as inserted units.
template<typename Append> void appendEdit(AttributedString &s, Append append) {
    QString added;
    append(added);
    if (!added.isEmpty())
        applySplices(s, {{s.length(), s.length(), added}});
}

// Deletes the runs of units for which trim holds at the start and (or) at the end.
enum class Ends { Start, End, Both };
template<typename Trim> void trimWhere(AttributedString &s, Ends ends, Trim trim) {
    const QString &chars = s.string();
    qsizetype from = 0;
    if (ends != Ends::End)
        while (from < chars.size() && trim(chars[from].unicode()))
            ++from;
    qsizetype to = chars.size();
    if (ends != Ends::Start)
        while (to > from && trim(chars[to - 1].unicode()))
            --to;
    std::vector<Splice> splices;
    if (from > 0)
        splices.push_back({0, from, QString()});
    if (to < chars.size())
        splices.push_back({std::max(from, to), chars.size(), QString()});
    applySplices(s, splices);
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

void appendSubstring(AttributedString &s, QStringView other, textlib::Range range) {
    appendEdit(s, [&](QString &c) { textlib::appendSubstring(c, other, range); });
}

qsizetype deleteString(AttributedString &s, const QString &target) {
    const QList<qsizetype> found = occurrences(s.string(), target, Qt::CaseSensitive);
    std::vector<Splice> splices;
    splices.reserve(found.size());
    for (const qsizetype at : found)
        splices.push_back({at, at + target.size(), QString()});
    applySplices(s, splices);
    return found.size();
}

void removeCharacterAtIndex(AttributedString &s, qsizetype index) {
    if (index >= 0 && index < s.length())
        applySplices(s, {{index, index + 1, QString()}});
}

void appendUnichar(AttributedString &s, char16_t c) {
    appendEdit(s, [&](QString &chars) { textlib::appendUnichar(chars, c); });
}

void appendUnichars(AttributedString &s, const char16_t *units, qsizetype count) {
    appendEdit(s, [&](QString &c) { textlib::appendUnichars(c, units, count); });
}

void appendTrimmedString(AttributedString &s, QStringView other) {
    appendEdit(s, [&](QString &c) { textlib::appendTrimmedString(c, other); });
}

void removeCharacters(AttributedString &s, char16_t c) {
    removeWhere(s, [c](char16_t u) { return u == c; });
}

void removeCharactersOfString(AttributedString &s, QStringView units) {
    removeWhere(s, [units](char16_t u) { return units.contains(QChar(u)); });
}

void removeFeeds(AttributedString &s) {
    removeWhere(s, textlib::isFeed);
}

void removeTabs(AttributedString &s) {
    removeCharacters(s, u'\t');
}

void removeSpaces(AttributedString &s) {
    removeWhere(s,
                [](char16_t c) { return textlib::isMember(textlib::spaceCharacterSetRep(), c); });
}

void removeWhiteSpaces(AttributedString &s) {
    removeWhere(s,
                [](char16_t c) { return textlib::isMember(textlib::whiteCharacterSetRep(), c); });
}

void trimCharacter(AttributedString &s, char16_t c) {
    trimWhere(s, Ends::Both, [c](char16_t u) { return u == c; });
}

void trimPrefixCharacter(AttributedString &s, char16_t c) {
    trimWhere(s, Ends::Start, [c](char16_t u) { return u == c; });
}

void trimSuffixCharacter(AttributedString &s, char16_t c) {
    trimWhere(s, Ends::End, [c](char16_t u) { return u == c; });
}

void trimFeeds(AttributedString &s) {
    trimWhere(s, Ends::End, textlib::isFeed);
}

void insertCharacter(AttributedString &s, char16_t c, qsizetype index) {
    if (index >= 0 && index <= s.length())
        applySplices(s, {{index, index, QString(QChar(c))}});
}

// Tab cells as textlib counts them: a feed or a full cell starts a new one.
void decodeTabs(AttributedString &s, qsizetype width) {
    if (width < 1)
        return;
    const QString &chars = s.string();
    // A result too large to address leaves the text alone, as it does the plain one.
    constexpr qsizetype limit = std::numeric_limits<qsizetype>::max() / 4;
    std::vector<Splice> splices;
    qsizetype cell = 0;
    qsizetype length = 0;
    for (qsizetype k = 0; k < chars.size(); ++k) {
        const char16_t c = chars[k].unicode();
        const qsizetype n = c == u'\t' ? width - cell : 1;
        if (n > limit - length)
            return;
        length += n;
        if (c == u'\t')
            splices.push_back({k, k + 1, QString(n, u' ')});
        cell = textlib::isFeed(c) || cell + n == width ? 0 : cell + n;
    }
    applySplices(s, splices);
}

// Every run of blanks that ends on a tab stop becomes one TAB, as textlib's encodeTabs does.
void encodeTabs(AttributedString &s, qsizetype width) {
    if (width < 1)
        return;
    const QString &chars = s.string();
    const textlib::CharacterSetRep blank = textlib::spaceCharacterSetRep();
    std::vector<Splice> splices;
    qsizetype cell = 0;
    qsizetype run = -1; // the first unit of the open run of blanks
    for (qsizetype k = 0; k < chars.size(); ++k) {
        const char16_t c = chars[k].unicode();
        if (textlib::isFeed(c)) {
            cell = 0;
            run = -1;
            continue;
        }
        cell = c == u'\t' || cell + 1 == width ? 0 : cell + 1;
        if (!textlib::isMember(blank, c)) {
            run = -1;
            continue;
        }
        if (run < 0)
            run = k;
        if (cell != 0)
            continue;
        if (k > run || c != u'\t') // a lone TAB is already its own replacement
            splices.push_back({run, k + 1, QStringLiteral("\t")});
        run = -1;
    }
    applySplices(s, splices);
}

qsizetype replaceCharacter(AttributedString &s, char16_t from, char16_t to,
                           Qt::CaseSensitivity cs) {
    // Unit for unit, so every unit that differs afterwards is one the edit wrote.
    QString chars = s.string();
    const qsizetype count = textlib::replaceCharacter(chars, from, to, cs);
    std::vector<Splice> splices;
    const QString &old = s.string();
    for (qsizetype k = 0; k < chars.size(); ++k)
        if (chars[k] != old[k])
            splices.push_back({k, k + 1, QString(chars[k])});
    applySplices(s, splices);
    return count;
}

// Normalisation works segment by segment (a letter with the marks that follow it); a segment
// that changes is rewritten as a whole, its new units taking its old ones' attributes in order.
void normalizeString(AttributedString &s, textlib::NormalForm form) {
    const QString &chars = s.string();
    if (textlib::normalizedString(chars, form) == chars)
        return;
    const auto codePointAt = [&](qsizetype k) -> char32_t {
        if (chars[k].isHighSurrogate() && k + 1 < chars.size() && chars[k + 1].isLowSurrogate())
            return QChar::surrogateToUcs4(chars[k], chars[k + 1]);
        return chars[k].unicode();
    };
    std::vector<Splice> splices;
    for (qsizetype from = 0; from < chars.size();) {
        qsizetype to = from + QChar::requiresSurrogates(codePointAt(from)) + 1;
        while (to < chars.size() && !textlib::hasNormalizationBoundaryBefore(codePointAt(to), form))
            to += QChar::requiresSurrogates(codePointAt(to)) + 1;
        // A lone ASCII unit is the same in every form.
        if (to - from > 1 || chars[from].unicode() >= 0x80) {
            const QString segment = chars.mid(from, to - from);
            QString normal = textlib::normalizedString(segment, form);
            if (normal != segment)
                splices.push_back({from, to, std::move(normal)});
        }
        from = to;
    }
    applySplices(s, splices);
}
