#include "listing.h"

#include "pathcomponents.h"
#include "wildcard.h"

#include "textlib/fastcompare.h"

#include <QFile>

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace filelib {

namespace {

QStringList entryNames(const QString &folder, QString *error) {
    if (error)
        *error = QString();
    QStringList names;
    std::error_code ec;
    if (folder.isEmpty() || folder.contains(QChar(0)))
        ec = std::make_error_code(std::errc::invalid_argument);
    else
        for (fs::directory_iterator it(QFile::encodeName(folder).toStdString(), ec), end;
             !ec && it != end; it.increment(ec))
            names.append(QFile::decodeName(it->path().filename().c_str()));
    if (ec) {
        if (error)
            *error = QString::fromStdString(ec.message());
        return {};
    }
    return names;
}

template<class Keep> QStringList pathsOf(const QString &folder, QString *error, Keep keep) {
    QStringList paths;
    for (const QString &name : entryNames(folder, error)) {
        if (keep(name))
            paths.append(stringByAppendingPathComponent(folder, name));
    }
    return paths;
}

} // namespace

QStringList pathsAtPath(const QString &folder, QString *error) {
    return pathsOf(folder, error, [](const QString &) { return true; });
}

QStringList pathsAtPathMatchingExtension(const QString &folder, const QString &extension) {
    if (extension.isNull())
        return {};
    return pathsOf(folder, nullptr, [&](const QString &name) {
        return textlib::isEqualToStringNoCase(pathExtension(name), extension);
    });
}

QStringList pathsAtPathMatchingWildcard(const QString &folder, const QString &pattern) {
    if (pattern.isNull())
        return {};
    return pathsOf(folder, nullptr, [&](const QString &name) {
        return isCaseInsensitiveLikeWildcard(name, pattern);
    });
}

} // namespace filelib
