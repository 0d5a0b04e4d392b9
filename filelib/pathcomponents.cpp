#include "pathcomponents.h"

#include <QDir>
#include <QFile>

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <vector>

namespace filelib {

namespace {

// Runs of slashes become one and a trailing slash goes, except from "/" itself.
QString fixSlashes(const QString &path) {
    const qsizetype n = path.size();
    bool clean = true;
    for (qsizetype i = 1; i < n && clean; ++i)
        clean = !(path[i] == u'/' && path[i - 1] == u'/');
    if (clean && (n <= 1 || path[n - 1] != u'/'))
        return path;
    QString out;
    out.reserve(n);
    for (qsizetype i = 0; i < n; ++i) {
        if (path[i] == u'/' && !out.isEmpty() && out.back() == u'/')
            continue;
        out.append(path[i]);
    }
    if (out.size() > 1 && out.back() == u'/')
        out.chop(1);
    return out;
}

// The home folder of a named user, null when the password database does not know the name.
QString homeOfUser(const QString &user) {
    const QByteArray name = QFile::encodeName(user);
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? size_t(size) : 16384);
    passwd entry{};
    passwd *found = nullptr;
    while (getpwnam_r(name.constData(), &entry, buffer.data(), buffer.size(), &found) == ERANGE
           && buffer.size() < (1u << 20))
        buffer.resize(buffer.size() * 2);
    return found && found->pw_dir ? QFile::decodeName(found->pw_dir) : QString();
}

std::filesystem::path nativePath(const QString &path) {
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

} // namespace

QStringList pathComponents(const QString &path) {
    QStringList result;
    const qsizetype n = path.size();
    if (n == 0)
        return result;
    if (path[0] == u'/')
        result.append(QStringLiteral("/"));
    for (qsizetype i = 0; i < n;) {
        while (i < n && path[i] == u'/')
            ++i;
        qsizetype end = i;
        while (end < n && path[end] != u'/')
            ++end;
        if (end > i)
            result.append(path.mid(i, end - i));
        i = end;
    }
    if (n > 1 && path[n - 1] == u'/' && result.back() != u"/")
        result.append(QStringLiteral("/"));
    return result;
}

QString lastPathComponent(const QString &path) {
    const QString fixed = fixSlashes(path);
    if (fixed.size() <= 1)
        return fixed;
    const qsizetype slash = fixed.lastIndexOf(u'/');
    return slash < 0 ? fixed : fixed.mid(slash + 1);
}

QString pathExtension(const QString &path) {
    if (path.isEmpty())
        return path;
    const QString last = lastPathComponent(path);
    const qsizetype dot = last.lastIndexOf(u'.');
    return dot <= 0 ? QStringLiteral("") : last.mid(dot + 1);
}

QString stringByDeletingLastPathComponent(const QString &path) {
    const QString fixed = fixSlashes(path);
    if (fixed == u"/")
        return fixed;
    const qsizetype slash = fixed.lastIndexOf(u'/');
    if (slash < 0)
        return fixed.isEmpty() ? fixed : QStringLiteral("");
    return slash == 0 ? QStringLiteral("/") : fixed.left(slash);
}

QString stringByDeletingPathExtension(const QString &path) {
    const QString fixed = fixSlashes(path);
    const qsizetype start = fixed.lastIndexOf(u'/') + 1;
    const qsizetype dot = fixed.lastIndexOf(u'.');
    return dot > start ? fixed.left(dot) : fixed;
}

QString stringByAppendingPathComponent(const QString &path, QStringView component) {
    if (path.isNull() || component.isEmpty())
        return fixSlashes(path);
    if (path.isEmpty())
        return fixSlashes(component.toString());
    return fixSlashes(QString(path).append(u'/').append(component));
}

QString stringByAppendingPathExtension(const QString &path, QStringView extension) {
    const QString fixed = fixSlashes(path);
    if (fixed.isEmpty() || fixed == u"/" || extension.contains(u'/'))
        return QString();
    return QString(fixed).append(u'.').append(extension);
}

QString stringByExpandingTildeInPath(const QString &path, const QString &home) {
    if (!path.startsWith(u'~'))
        return path;
    qsizetype end = path.indexOf(u'/');
    if (end < 0)
        end = path.size();
    const QString user = path.mid(1, end - 1);
    // A NUL would cut the name short and find a different user.
    const QString dir = end == 1 ? home : user.contains(QChar(0)) ? QString() : homeOfUser(user);
    if (dir.isEmpty())
        return path;
    return fixSlashes(dir + path.mid(end));
}

QString stringByExpandingTildeInPath(const QString &path) {
    return path.startsWith(u'~') ? stringByExpandingTildeInPath(path, QDir::homePath()) : path;
}

QString stringByAbbreviatingWithTildeInPath(const QString &path, const QString &home) {
    const QString h = fixSlashes(home);
    if (h.size() <= 1 || !path.startsWith(h))
        return path;
    const QString fixed = fixSlashes(path);
    if (fixed == h)
        return QStringLiteral("~");
    if (fixed.size() > h.size() && fixed[h.size()] == u'/' && fixed.startsWith(h))
        return u'~' + fixed.mid(h.size());
    return path;
}

QString stringByAbbreviatingWithTildeInPath(const QString &path) {
    return stringByAbbreviatingWithTildeInPath(path, QDir::homePath());
}

QString stringByStandardizingPath(const QString &path) {
    const QString expanded = stringByExpandingTildeInPath(path);
    if (expanded.isEmpty())
        return expanded;
    const bool absolute = expanded[0] == u'/';
    QStringList kept;
    for (const QString &c : pathComponents(expanded)) {
        if (c == u"/" || c == u".")
            continue;
        if (c == u"..") {
            if (!kept.isEmpty() && kept.back() != u"..")
                kept.removeLast();
            else if (!absolute)
                kept.append(c);
            continue;
        }
        kept.append(c);
    }
    QString result = kept.join(u'/');
    if (absolute)
        result.prepend(u'/');
    else if (result.isEmpty())
        result = QStringLiteral(".");
    return result == path ? path : result;
}

QString stringByResolvingSymlinksInPath(const QString &path) {
    const QString expanded = stringByExpandingTildeInPath(path);
    // The system would read a name with a NUL only up to it, and so look at another file.
    if (!expanded.startsWith(u'/') || expanded.contains(QChar(0)))
        return stringByStandardizingPath(expanded);
    // A stack of components still to walk, the next one last, so a link's target can be pushed.
    QStringList todo = expanded.split(u'/', Qt::SkipEmptyParts);
    std::reverse(todo.begin(), todo.end());
    QString current; // "" stands for the root
    int links = 0;
    while (!todo.isEmpty()) {
        const QString c = todo.takeLast();
        if (c == u".")
            continue;
        if (c == u"..") {
            current.truncate(qMax<qsizetype>(0, current.lastIndexOf(u'/')));
            continue;
        }
        const QString next = current + u'/' + c;
        std::error_code ec;
        const auto native = nativePath(next);
        if (std::filesystem::is_symlink(std::filesystem::symlink_status(native, ec))) {
            const auto target = std::filesystem::read_symlink(native, ec);
            if (!ec && !target.empty()) {
                if (++links > 40)
                    return stringByStandardizingPath(expanded);
                const QString t = QFile::decodeName(QByteArray::fromStdString(target.string()));
                QStringList parts = t.split(u'/', Qt::SkipEmptyParts);
                for (qsizetype i = parts.size() - 1; i >= 0; --i)
                    todo.append(parts[i]);
                if (t.startsWith(u'/'))
                    current.clear();
                continue;
            }
        }
        current = next;
    }
    if (current.isEmpty())
        current = QStringLiteral("/");
    return current == path ? path : current;
}

} // namespace filelib
