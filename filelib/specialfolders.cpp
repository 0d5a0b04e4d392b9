#include "specialfolders.h"

#include "pathcomponents.h"
#include "paths.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>

#include <pwd.h>
#include <unistd.h>

#include <vector>

namespace filelib {

namespace {

// An absolute location with its slashes tidied; null for anything else, which by the XDG
// rules must be ignored.
QString usable(const QString &location) {
    return location.startsWith(u'/') ? stringByStandardizingPath(location) : QString();
}

QString passwordHome() {
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? size_t(size) : 16384);
    passwd entry{};
    passwd *found = nullptr;
    while (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == ERANGE
           && buffer.size() < (1u << 20))
        buffer.resize(buffer.size() * 2);
    return found && found->pw_dir ? QFile::decodeName(found->pw_dir) : QString();
}

QString writable(QStandardPaths::StandardLocation location) {
    return QStandardPaths::writableLocation(location);
}

const SpecialFolders &cachedFolders() {
    static const SpecialFolders folders = specialFoldersFor(currentFolderEnvironment());
    return folders;
}

} // namespace

FolderEnvironment currentFolderEnvironment() {
    FolderEnvironment e;
    e.home = QDir::homePath();
    e.snapRealHome = qEnvironmentVariable("SNAP_REAL_HOME");
    e.passwordHome = passwordHome();
    e.desktop = writable(QStandardPaths::DesktopLocation);
    e.downloads = writable(QStandardPaths::DownloadLocation);
    e.dataHome = writable(QStandardPaths::GenericDataLocation);
    e.configHome = writable(QStandardPaths::GenericConfigLocation);
    e.cacheHome = writable(QStandardPaths::GenericCacheLocation);
    return e;
}

SpecialFolders specialFoldersFor(const FolderEnvironment &e) {
    SpecialFolders f;
    // Qt answers "/" for an unset $HOME; the password database knows better then.
    QString home = usable(e.home);
    if (home.isEmpty() || home == u"/")
        home = usable(e.passwordHome);
    if (home.isEmpty())
        home = QStringLiteral("/");
    f.userHome = usable(e.snapRealHome);
    if (f.userHome.isEmpty())
        f.userHome = home;
    f.userLibrary = stringByAppendingPathComponent(f.userHome, u".local/share");

    const auto either = [](const QString &location, const QString &fallback) {
        const QString found = usable(location);
        return found.isEmpty() ? fallback : found;
    };
    f.desktop = either(e.desktop, stringByAppendingPathComponent(home, u"Desktop"));
    f.downloads = either(e.downloads, stringByAppendingPathComponent(home, u"Downloads"));
    f.library = either(e.dataHome, stringByAppendingPathComponent(home, u".local/share"));
    f.preferences = either(e.configHome, stringByAppendingPathComponent(home, u".config"));
    f.caches = either(e.cacheHome, stringByAppendingPathComponent(home, u".cache"));
    f.applicationSupport = either(e.dataHome, f.library);
    return f;
}

QString homeDirectory() {
    return QDir::homePath();
}

QString pathInHomeDirectory(const QString &component) {
    return stringByAppendingPathComponent(homeDirectory(), component);
}

QString desktopDirectory() {
    return cachedFolders().desktop;
}

QString downloadsDirectory() {
    return cachedFolders().downloads;
}

QString libraryDirectory() {
    return cachedFolders().library;
}

QString pathInLibraryDirectory(const QString &component) {
    return stringByAppendingPathComponent(libraryDirectory(), component);
}

QString preferencesDirectory() {
    return cachedFolders().preferences;
}

QString pathInPreferencesDirectory(const QString &component) {
    return stringByAppendingPathComponent(preferencesDirectory(), component);
}

QString cachesDirectory() {
    return cachedFolders().caches;
}

QString pathInCachesDirectory(const QString &component) {
    return stringByAppendingPathComponent(cachesDirectory(), component);
}

QString applicationSupportDirectory() {
    return cachedFolders().applicationSupport;
}

QString pathInApplicationSupportDirectory(const QString &component) {
    return stringByAppendingPathComponent(applicationSupportDirectory(), component);
}

QString userHomeDirectory() {
    return cachedFolders().userHome;
}

QString userLibraryDirectory() {
    return cachedFolders().userLibrary;
}

QString iCloudFolder() {
    return QString();
}

QStringList dropboxFoldersFor(const QString &userHome) {
    QStringList folders;
    QFile info(stringByAppendingPathComponent(userHome, u".dropbox/info.json"));
    if (info.size() > 0 && info.size() <= (1 << 20) && info.open(QIODevice::ReadOnly)) {
        const QJsonObject root = QJsonDocument::fromJson(info.readAll()).object();
        for (const char *account : {"personal", "business"}) {
            const QString path =
                usable(root.value(QLatin1String(account)).toObject().value(u"path").toString());
            if (!path.isEmpty() && !folders.contains(path))
                folders.append(path);
        }
    }
    if (folders.isEmpty())
        folders.append(stringByAppendingPathComponent(userHome, u"Dropbox"));
    return folders;
}

QStringList dropboxFolders() {
    static const QStringList folders = dropboxFoldersFor(userHomeDirectory());
    return folders;
}

bool isCloudFolderFor(const QString &path, const QString &userHome,
                      const QStringList &dropboxFolders) {
    if (path.isEmpty())
        return false;
    if (pathIsInDirectory(path, iCloudFolder())
        || pathIsInDirectory(path, stringByAppendingPathComponent(userHome, u"Documents/CloudMe"))
        || pathIsInDirectory(path, stringByAppendingPathComponent(userHome, u"Box Sync"))
        || path.contains(u"/OneDrive") || path.contains(u"/Google Drive"))
        return true;
    for (const QString &folder : dropboxFolders) {
        if (pathIsInDirectory(path, folder))
            return true;
    }
    return false;
}

bool isCloudFolder(const QString &path) {
    return isCloudFolderFor(path, userHomeDirectory(), dropboxFolders());
}

bool isVolatileFolder(const QString &path) {
    return isCloudFolder(path);
}

bool isTemporaryPathFor(const QString &path, const QString &tempDirectory,
                        const QString &cachesDirectory) {
    if (path.isEmpty())
        return false;
    if (path.startsWith(u"/tmp") || path.startsWith(u"/var/tmp/")
        || pathIsInDirectory(path, tempDirectory))
        return true;
    return !cachesDirectory.isEmpty() && path.contains(u"/TemporaryItems")
           && path.startsWith(stringByAppendingPathComponent(cachesDirectory, u"TemporaryItems"));
}

bool isTemporaryPath(const QString &path) {
    static const QString temp = QDir::tempPath();
    return isTemporaryPathFor(path, temp, cachesDirectory());
}

} // namespace filelib
