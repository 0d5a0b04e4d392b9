#include "numberednames.h"

#include "fileoperations.h"
#include "listing.h"
#include "pathcomponents.h"

#include "textlib/fastcompare.h"

#include <QDateTime>
#include <QFile>

#include <sys/stat.h>

#include <algorithm>
#include <limits>
#include <utility>
#include <vector>

namespace filelib {

namespace {

constexpr qsizetype MaxNameUnits = 250;

bool somethingAt(const QString &path) {
    if (path.contains(QChar(u'\0')))
        return false;
    struct stat info;
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0;
}

// Nanoseconds since the epoch; the lowest value when the item cannot be read.
qint64 modificationTime(const QString &path) {
    struct stat info;
    if (path.isEmpty() || path.contains(QChar(u'\0'))
        || ::stat(QFile::encodeName(path).constData(), &info) != 0)
        return std::numeric_limits<qint64>::min();
    return qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
}

QStringView cutStem(QStringView stem, qsizetype max) {
    if (stem.size() <= max)
        return stem;
    qsizetype keep = std::max<qsizetype>(max, 0);
    if (keep > 0 && stem[keep - 1].isHighSurrogate())
        --keep;
    return stem.first(keep);
}

} // namespace

QString nonExistingFilenameAtPath(const QString &path) {
    if (path.isNull())
        return QString();
    if (!somethingAt(path))
        return path;
    const QString name = lastPathComponent(path);
    if (name == u"/")
        return QString();
    const QString folder = stringByDeletingLastPathComponent(path);
    const QString extension = pathExtension(name);
    const QString stem = stringByDeletingPathExtension(name);
    for (qint64 n = 1;; ++n) {
        const QString suffix = u'-' + QString::number(n);
        const qsizetype room = extension.isEmpty()
                                   ? MaxNameUnits - suffix.size()
                                   : MaxNameUnits - suffix.size() - (extension.size() + 1);
        QString candidate = cutStem(stem, room).toString() + suffix;
        if (!extension.isEmpty())
            candidate += u'.' + extension;
        candidate = stringByAppendingPathComponent(folder, candidate);
        if (!somethingAt(candidate))
            return candidate;
    }
}

QString archiveDirectoryContentsAtPath(const QString &directory, const QString &prefix,
                                       int maxNumberOfArchives) {
    if (prefix.isEmpty())
        return QString();
    const QString name =
        prefix + QDateTime::currentDateTime().toString(QStringLiteral(" yyyy-MM-dd HH-mm-ss"));
    // The listing reads "*" and "?" in the prefix as wildcards; the prefix test takes them
    // literally.
    std::vector<std::pair<qint64, QString>> archives;
    for (const QString &path : pathsAtPathMatchingWildcard(directory, prefix + u'*')) {
        if (textlib::hasPrefixNoCase(lastPathComponent(path), prefix))
            archives.emplace_back(modificationTime(path), path);
    }
    // Newest first as sortByModificationDate orders, but with the dates read once, so a file
    // touched meanwhile cannot upset the sort; equal dates put the later name first.
    std::sort(archives.begin(), archives.end(), [](const auto &a, const auto &b) {
        return a.first != b.first ? a.first > b.first : a.second > b.second;
    });
    const size_t keep = size_t(std::max(maxNumberOfArchives, 0));
    for (size_t i = archives.size(); i > keep; --i)
        removePath(archives[i - 1].second);
    return name;
}

bool sortByModificationDate(const QString &a, const QString &b) {
    return modificationTime(a) > modificationTime(b);
}

} // namespace filelib
