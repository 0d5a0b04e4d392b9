#include "styledtext/wikilinks.h"

#include "textlib/characters.h"
#include "textlib/fastcompare.h"

#include <QMutex>

namespace {

const QString OldPrefix = QStringLiteral("Quillmoor");
const QString WebPrefix = QStringLiteral("http://");

// Guarded because addresses may be tested from worker threads while the scheme is set.
struct SchemeStore {
    QMutex mutex;
    QString scheme; // null: the default
};

SchemeStore &schemeStore() {
    static SchemeStore store;
    return store;
}

// Empty prefixes never match, as in the prefix tests the design was made with.
bool hasPrefix(QStringView s, QStringView prefix) {
    return !prefix.isEmpty() && s.startsWith(prefix);
}

QString withoutWebPrefix(const QString &s) {
    return s.startsWith(WebPrefix) ? s.sliced(WebPrefix.size()) : s;
}

} // namespace

QString quillmoorScheme() {
    SchemeStore &store = schemeStore();
    QMutexLocker lock(&store.mutex);
    return store.scheme.isNull() ? QStringLiteral("x-quillmoor") : store.scheme;
}

void setQuillmoorScheme(const QString &scheme) {
    SchemeStore &store = schemeStore();
    QMutexLocker lock(&store.mutex);
    store.scheme = scheme;
}

QString isQuillmoorStringURL(const QString &s) {
    const QString rest = withoutWebPrefix(s);
    if (hasPrefix(rest, OldPrefix) || hasPrefix(rest, quillmoorScheme()))
        return rest;
    return {};
}

QString isOldQuillmoorStringURL(const QString &s) {
    const QString rest = withoutWebPrefix(s);
    return hasPrefix(rest, OldPrefix) ? rest : QString();
}

QString quillmoorID(QStringView s) {
    if (s.isEmpty())
        return {};
    qsizetype start = textlib::findCharacter(s, u':');
    if (start != textlib::NotFound) {
        ++start;
        while (start < s.size() && s[start] == u'/')
            ++start;
    } else {
        start = textlib::findCharacter(s, u'_');
        if (start == textlib::NotFound)
            return {};
        ++start;
    }
    if (start >= s.size())
        return {};
    qsizetype end = textlib::findOneOf(s, u"/?", start);
    if (end == textlib::NotFound)
        end = s.size();
    // "x-quillmoor://?q" names no page: an empty name would link nowhere.
    if (end == start)
        return {};
    return s.sliced(start, end - start).toString();
}

bool isQuillmoorURL(const QUrl &url) {
    const QString scheme = url.scheme();
    return !scheme.isEmpty() && textlib::isEqualToStringNoCase(scheme, quillmoorScheme());
}
