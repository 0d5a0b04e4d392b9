#include "addresses.h"

#include "pathcomponents.h"

#include "textlib/charactersets.h"
#include "textlib/fastcompare.h"
#include "textlib/trimming.h"
#include "textlib/words.h"

namespace filelib {

namespace {

using textlib::hasPrefixNoCase;

// A prefix alone is no address: something has to follow it.
bool hasSchemePrefix(QStringView s, std::initializer_list<const char16_t *> prefixes) {
    for (const char16_t *prefix : prefixes) {
        const QStringView p(prefix);
        if (s.size() > p.size() && hasPrefixNoCase(s, p))
            return true;
    }
    return false;
}

bool isWhite(char16_t c) {
    return textlib::isMember(textlib::whiteCharacterSetRep(), c);
}

bool containsWhite(QStringView s) {
    for (QChar c : s)
        if (isWhite(c.unicode()))
            return true;
    return false;
}

bool isBareMailAddress(QStringView s) {
    const qsizetype at = s.indexOf(u'@');
    if (at <= 0 || s.indexOf(u'@', at + 1) >= 0)
        return false;
    for (QChar c : s.first(at)) {
        const char16_t u = c.unicode();
        if (u < 0x20 || isWhite(u) || QStringView(u"<>()[]\\,;:\"/").contains(c))
            return false;
    }
    const QStringView host = s.sliced(at + 1);
    if (host.isEmpty() || host.front() == u'.' || host.back() == u'.' || host.contains(u"..")
        || !host.contains(u'.'))
        return false;
    for (QChar c : host)
        if (!c.isLetterOrNumber() && c != u'-' && c != u'.')
            return false;
    return true;
}

// Length of a leading "scheme:" without the colon, 0 when there is none.
qsizetype schemeLength(QStringView s) {
    if (s.isEmpty() || !QChar::isLetter(s.front().unicode()) || s.front().unicode() > 0x7F)
        return 0;
    for (qsizetype i = 1; i < s.size(); ++i) {
        const char16_t c = s[i].unicode();
        if (c == u':')
            return i;
        if (c > 0x7F || !(QChar::isLetterOrNumber(c) || c == u'+' || c == u'-' || c == u'.'))
            return 0;
    }
    return 0;
}

bool looksLikeAddress(QStringView s) {
    const qsizetype scheme = schemeLength(s);
    if (scheme > 0 && s.size() > scheme + 3 && s.sliced(scheme + 1).startsWith(u"//"))
        return true;
    return isFileStringURL(s) || isHTTPStringURL(s) || isNewsStringURL(s) || isMailStringURL(s);
}

// "(see http://a.org)" and "'a@b.org'" should give the address without the punctuation around
// it; a closing bracket that the address opened itself, as in wiki links, stays.
QStringView stripEnclosing(QStringView s) {
    while (!s.isEmpty() && QStringView(u"([\"'").contains(s.front()))
        s = s.sliced(1);
    while (!s.isEmpty()) {
        const char16_t last = s.back().unicode();
        const char16_t open = last == u')' ? u'(' : last == u']' ? u'[' : last;
        if (last == u'"' || last == u'\'') {
            if (s.count(QChar(last)) % 2 == 0)
                break;
        } else if (open == last || s.count(QChar(open)) >= s.count(QChar(last))) {
            break;
        }
        s.chop(1);
    }
    return s;
}

} // namespace

bool isFileStringURL(QStringView s) {
    return hasSchemePrefix(s, {u"file:/"});
}

bool isHTTPStringURL(QStringView s) {
    return hasSchemePrefix(s, {u"http://", u"https://", u"www."});
}

bool isFTPStringURL(QStringView s) {
    return hasSchemePrefix(s, {u"ftp://", u"ftps://", u"sftp://"});
}

bool isNewsStringURL(QStringView s) {
    return hasSchemePrefix(s, {u"news:", u"snews:", u"nntp:"});
}

bool isMailStringURL(QStringView s) {
    return hasSchemePrefix(s, {u"mailto:"}) || isBareMailAddress(s);
}

QString possibleInternetLocation(const QString &text) {
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        // Only the first unit of each run between white space and angle brackets starts a try.
        const char16_t c = text[i].unicode();
        if (isWhite(c) || c == u'<' || c == u'>')
            continue;
        if (i > 0 && !isWhite(text[i - 1].unicode()) && text[i - 1] != u'<')
            continue;
        const textlib::Range range = textlib::getLinkRangeAtIndex(text, i);
        if (range.location == textlib::NotFound)
            continue;
        const QStringView link = QStringView(text).sliced(range.location, range.length);
        const QStringView candidate = stripEnclosing(link);
        if (looksLikeAddress(candidate))
            return text.mid(candidate.data() - QStringView(text).data(), candidate.size());
    }
    return QString();
}

QUrl URLWithStringOrPath(const QString &text) {
    const QString trimmed = textlib::stringByTrimmingWhiteSpaces(text);
    if (trimmed.isEmpty() || trimmed.contains(QChar(u'\0')))
        return QUrl();
    if (trimmed.front() == u'/')
        return QUrl::fromLocalFile(trimmed);
    if (trimmed.front() == u'~') {
        const QString expanded = stringByExpandingTildeInPath(trimmed);
        return expanded.startsWith(u'/') ? QUrl::fromLocalFile(expanded) : QUrl();
    }
    if (containsWhite(trimmed))
        return QUrl();
    QString address = trimmed;
    if (hasPrefixNoCase(trimmed, u"www.") && isHTTPStringURL(trimmed))
        address = QStringLiteral("http://") + trimmed;
    else if (isBareMailAddress(trimmed))
        address = QStringLiteral("mailto:") + trimmed;
    const QUrl url(address, QUrl::TolerantMode);
    if (!url.isValid() || url.scheme().isEmpty() || schemeLength(address) + 1 >= address.size())
        return QUrl();
    return url;
}

QString absoluteStringOrPath(const QUrl &url) {
    if (url.isEmpty() || !url.isValid())
        return QString();
    if (url.isLocalFile())
        return url.toLocalFile();
    return QString::fromUtf8(url.toEncoded());
}

QString displayString(const QUrl &url) {
    if (url.isEmpty() || !url.isValid())
        return QString();
    if (url.isLocalFile()) {
        const QString path = url.toLocalFile();
        const QString name = lastPathComponent(path);
        return name.isEmpty() ? path : name;
    }
    if (url.scheme().compare(u"mailto", Qt::CaseInsensitive) == 0) {
        const QString mail = url.path(QUrl::FullyDecoded);
        if (!mail.isEmpty())
            return mail;
    }
    return url.toDisplayString();
}

} // namespace filelib
