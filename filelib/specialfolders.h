// The user's special folders and the cloud and file-sync folders.
#pragma once

#include <QString>
#include <QStringList>

namespace filelib {

// Linux counterparts of the classic user folders (QStandardPaths reads the XDG base and user
// directories):
//   desktop, downloads     XDG user dirs, else home + "Desktop" / "Downloads"
//   library                XDG data home (~/.local/share), else home + ".local/share"
//   preferences            XDG config home (~/.config), else home + ".config"
//   caches                 XDG cache home (~/.cache), else home + ".cache"
//   application support    the XDG data home as well: the shared folder that applications
//                          add their own name to, like the library
// "Else" covers an empty or relative (hence invalid, by the XDG rules) answer. The cached
// functions compute once per process (thread-safe statics) and never refresh, so a later
// change of $HOME or $XDG_* is not seen; the ...For functions below compute from given values.

/// QDir::homePath() ($HOME), not cached.
QString homeDirectory();
QString pathInHomeDirectory(const QString &component);
QString desktopDirectory();
QString downloadsDirectory();
QString libraryDirectory();
QString pathInLibraryDirectory(const QString &component);
QString preferencesDirectory();
QString pathInPreferencesDirectory(const QString &component);
QString cachesDirectory();
QString pathInCachesDirectory(const QString &component);
QString applicationSupportDirectory();
QString pathInApplicationSupportDirectory(const QString &component);

/// The user's real home even inside a sandbox: a snap moves $HOME into ~/snap/<name>/<rev> and
/// leaves the real one in $SNAP_REAL_HOME; Flatpak keeps $HOME. Else $HOME, else the password
/// database, else "/". Cached.
QString userHomeDirectory();
/// userHomeDirectory + ".local/share": the XDG default under the real home, since a sandbox
/// points $XDG_DATA_HOME inside itself. Cached.
QString userLibraryDirectory();
/// Always null: there is no iCloud Drive client for Linux, and a made-up path could only ever
/// match a folder of the same name that something else created.
QString iCloudFolder();
/// The Dropbox folders named by ~/.dropbox/info.json of the real home ("personal", then
/// "business"), else the real home + "Dropbox". Cached.
QStringList dropboxFolders();

/// Whether path lies in a cloud or file-sync folder: the real home's "Documents/CloudMe" or
/// "Box Sync", anything containing "/OneDrive" or "/Google Drive" (case-sensitive, as the
/// clients name them), or a Dropbox folder. False for null or "".
bool isCloudFolder(const QString &path);
/// Whether a sync service may move or evict the content: on Linux exactly isCloudFolder, as no
/// client syncs Desktop and Documents in place.
bool isVolatileFolder(const QString &path);
/// Whether path lies in a temporary location: it starts with "/tmp" (so "/tmpdata" counts) or
/// "/var/tmp/", lies in QDir::tempPath() ($TMPDIR, read once), or in caches + "TemporaryItems".
/// False for null; a temporary folder of "/" counts for nothing.
bool isTemporaryPath(const QString &path);

/// What the special folders are computed from: the answers of QDir::homePath(), the
/// environment and QStandardPaths, "" where there is none.
struct FolderEnvironment {
    QString home;         ///< QDir::homePath()
    QString snapRealHome; ///< $SNAP_REAL_HOME
    QString passwordHome; ///< the password database's home for the user
    QString desktop;      ///< DesktopLocation
    QString downloads;    ///< DownloadLocation
    QString dataHome;     ///< GenericDataLocation (writable)
    QString configHome;   ///< GenericConfigLocation (writable)
    QString cacheHome;    ///< GenericCacheLocation (writable)
};

struct SpecialFolders {
    QString desktop, downloads, library, preferences, caches, applicationSupport;
    QString userHome, userLibrary;
};

/// The environment of this process, read now.
FolderEnvironment currentFolderEnvironment();
SpecialFolders specialFoldersFor(const FolderEnvironment &environment);
/// The folders of dropboxFolders for a real home folder, read now; info.json that is missing,
/// empty, over 1 MiB, not JSON or without a usable "path" string gives the fallback.
QStringList dropboxFoldersFor(const QString &userHome);
bool isCloudFolderFor(const QString &path, const QString &userHome,
                      const QStringList &dropboxFolders);
bool isTemporaryPathFor(const QString &path, const QString &tempDirectory,
                        const QString &cachesDirectory);

} // namespace filelib
