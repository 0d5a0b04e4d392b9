#include "paths.h"

#include "filetypes.h"
#include "pathcomponents.h"

#include "textlib/characters.h"
#include "textlib/classification.h"
#include "textlib/conversiontables.h"
#include "textlib/fastcompare.h"
#include "textlib/finding.h"
#include "textlib/normalization.h"

namespace filelib {

namespace {

constexpr qsizetype MaxNameUnits = 250;
// A C buffer of 250 bytes holds 249 bytes of name and the NUL.
constexpr qsizetype MaxNameBytes = 249;
constexpr qsizetype MaxExtensionUnits = 17;

qsizetype utf8Length(QStringView s) {
    qsizetype bytes = 0;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const char16_t c = s[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < s.size() && s[i + 1].isLowSurrogate()) {
            bytes += 4;
            ++i;
        } else {
            // A lone surrogate half is encoded as U+FFFD, three bytes.
            bytes += c < 0x80 ? 1 : c < 0x800 ? 2 : 3;
        }
    }
    return bytes;
}

// The length of the longest prefix of at most maxUnits units whose UTF-8 takes at most maxBytes
// bytes; a surrogate pair goes whole or not at all.
qsizetype fittingPrefix(QStringView s, qsizetype maxUnits, qsizetype maxBytes) {
    qsizetype i = 0, bytes = 0;
    while (i < s.size()) {
        const bool pair = s[i].isHighSurrogate() && i + 1 < s.size() && s[i + 1].isLowSurrogate();
        const qsizetype units = pair ? 2 : 1;
        if (i + units > maxUnits || bytes + utf8Length(s.mid(i, units)) > maxBytes)
            break;
        bytes += utf8Length(s.mid(i, units));
        i += units;
    }
    return i;
}

void cutToFit(QString &s, qsizetype maxBytes) {
    const qsizetype keep = fittingPrefix(s, MaxNameUnits, maxBytes);
    if (keep < s.size())
        s.truncate(keep);
}

bool isNameTrimmed(QChar c) {
    return c == u'.' || c == u'/' || c == u':' || c == u'_';
}

bool isNameForbidden(QChar c) {
    switch (c.unicode()) {
    case u'*':
    case u'/':
    case u':':
    case u'<':
    case u'>':
    case u'?':
    case u'\\':
    case u'|':
    case u'\0':
        return true;
    default:
        return false;
    }
}

} // namespace

bool pathIsInDirectory(QStringView path, const QString &directory) {
    qsizetype n = directory.size();
    while (n > 0 && directory[n - 1] == u'/')
        --n;
    if (n == 0 || path.size() < n || path.left(n) != QStringView(directory).left(n))
        return false;
    return path.size() == n || path[n] == u'/';
}

bool pathIsInDirectories(const QString &path, const QStringList &directories) {
    for (const QString &directory : directories) {
        if (directory != path && pathIsInDirectory(path, directory))
            return true;
    }
    return false;
}

QString relativePathToDirectory(const QString &path, const QString &directory) {
    if (path.isEmpty() || directory.isEmpty()
        || path.startsWith(u'/') != directory.startsWith(u'/'))
        return QString();
    const QStringList to = pathComponents(stringByStandardizingPath(path));
    const QStringList from = pathComponents(stringByStandardizingPath(directory));
    qsizetype same = 0;
    while (same < to.size() && same < from.size() && to[same] == from[same])
        ++same;
    QString result = same == from.size() ? QStringLiteral("./") : QStringLiteral("");
    for (qsizetype i = same; i < from.size(); ++i)
        result += u"../";
    for (qsizetype i = same; i < to.size(); ++i) {
        if (i > same)
            result += u'/';
        result += to[i];
    }
    return result;
}

QString stringByDeletingFileComponent(const QString &path) {
    if (path.isEmpty())
        return path;
    if (path.endsWith(u'/'))
        return path.chopped(1);
    return stringByDeletingLastPathComponent(path);
}

QStringList standardizedPathComponents(const QString &path) {
    const QStringList components = pathComponents(path);
    QStringList kept;
    for (qsizetype i = 0; i < components.size(); ++i) {
        const QString &c = components[i];
        if (c.isEmpty() || c == u"." || (c == u"/" && i > 0))
            continue;
        if (c == u"..") {
            if (kept.isEmpty() || kept.back() == u"..")
                kept.append(c);
            else if (kept.back() != u"/")
                kept.removeLast();
            continue;
        }
        kept.append(c);
    }
    return kept;
}

QString standardizedPath(const QString &path) {
    if (path.isNull())
        return path;
    QStringList components = standardizedPathComponents(path);
    const bool absolute = !components.isEmpty() && components.front() == u"/";
    if (absolute)
        components.removeFirst();
    QString result = components.join(u'/');
    if (absolute && !result.isEmpty())
        result.prepend(u'/');
    if (result == path)
        return path;
    return result.isNull() ? QStringLiteral("") : result;
}

QString stringByAppendingPathExtensionIfNecessary(const QString &path, const QString &extension) {
    if (extension.isEmpty() || textlib::isEqualToStringNoCase(pathExtension(path), extension))
        return path;
    const QString result = stringByAppendingPathExtension(path, extension);
    return result.isNull() ? path : result;
}

QString stringByReplacingPathExtensionWith(const QString &path, const QString &extension) {
    if (extension.isNull() || path.isEmpty() || pathExtension(path) == extension)
        return path;
    const QString base = stringByDeletingPathExtension(path);
    if (extension.isEmpty())
        return base;
    const QString result = stringByAppendingPathExtension(base, extension);
    return result.isNull() ? path : result;
}

bool pathMatchingExtensions(const QString &path, const QStringList &extensions) {
    return !extensions.isEmpty() && textlib::containsStringNoCase(extensions, pathExtension(path));
}

bool pathMatchingExtensionsOrTypes(const QString &path, const QStringList &extensionsOrTypes) {
    if (extensionsOrTypes.isEmpty() || path.isEmpty())
        return false;
    if (pathMatchingExtensions(path, extensionsOrTypes))
        return true;
    const QString type = typeCodeOfFile(path);
    return !type.isEmpty() && extensionsOrTypes.contains(type);
}

bool isPath(QStringView path) {
    return !path.isEmpty() && (path[0] == u'/' || path[0] == u'~');
}

bool isValidPathExtension(QStringView extension) {
    return extension.size() >= 1 && extension.size() <= MaxExtensionUnits
           && textlib::isAlphaNumString(extension);
}

QString validPathExtension(const QString &path) {
    if (path.isEmpty())
        return path.isNull() ? QStringLiteral("") : path;
    QString extension = pathExtension(path);
    const qsizetype cut = textlib::findOneOf(extension, u"?&;=#");
    if (cut != textlib::NotFound)
        extension.truncate(cut);
    return isValidPathExtension(extension) ? extension : QStringLiteral("");
}

QString lowercasePathExtension(QStringView path) {
    for (qsizetype i = path.size() - 1; i >= 1; --i) {
        if (path[i] == u'/')
            return QString();
        if (path[i] == u'.') {
            if (path[i - 1] == u'/')
                return QString();
            const textlib::ConversionTable lower = textlib::initLowerCharsTable();
            QString result(path.size() - i - 1, Qt::Uninitialized);
            for (qsizetype k = 0; k < result.size(); ++k)
                result[k] = QChar(lower[path[i + 1 + k].unicode()]);
            return result;
        }
    }
    return QString();
}

void createFileSystemRepresentation(QString &s) {
    if (!s.isEmpty())
        cutToFit(s, MaxNameBytes);
}

void createFileSystemRepresentationAndAppendExtension(QString &s, QStringView extension) {
    if (extension.isEmpty() || extension.size() > MaxExtensionUnits) {
        createFileSystemRepresentation(s);
        return;
    }
    // No name (also none after a folder's "/"): the extension alone would make a hidden file.
    const auto nameless = [&s] { return s.isEmpty() || s.endsWith(u'/'); };
    if (nameless()) {
        createFileSystemRepresentation(s);
        return;
    }
    cutToFit(s, MaxNameBytes - 1 - utf8Length(extension));
    if (nameless())
        return;
    if (!(s.endsWith(extension) && s.size() > extension.size()
          && s.at(s.size() - extension.size() - 1) == u'.')) {
        s += u'.';
        s += extension;
    }
}

void createFilename(QString &s) {
    textlib::normalizeString(s);
    qsizetype begin = 0, end = s.size();
    while (begin < end && isNameTrimmed(s.at(begin)))
        ++begin;
    while (end > begin && isNameTrimmed(s.at(end - 1)))
        --end;
    if (begin > 0 || end < s.size())
        s = s.mid(begin, end - begin);
    cutToFit(s, MaxNameBytes);
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (isNameForbidden(s.at(i)))
            s[i] = u'-';
    }
}

QString stringByCreatingFileSystemRepresentation(const QString &s) {
    QString copy = s;
    createFileSystemRepresentation(copy);
    return copy;
}

QString stringByCreatingFileSystemRepresentationByAppendingExtension(const QString &s,
                                                                     QStringView extension) {
    QString copy = s;
    createFileSystemRepresentationAndAppendExtension(copy, extension);
    return copy;
}

QString stringByCreatingFilename(const QString &s) {
    QString copy = s;
    if (!copy.isEmpty())
        createFilename(copy);
    return copy;
}

} // namespace filelib
