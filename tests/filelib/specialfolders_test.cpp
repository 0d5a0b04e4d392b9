#include "filelib/specialfolders.h"

#include "filelib/pathcomponents.h"

#include "../textlib/texttesting.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>

using namespace std::literals;
using namespace filelib;
using namespace Qt::StringLiterals;

namespace {

TEST(SpecialFoldersTest, FromEnvironment) {
    FolderEnvironment full;
    full.home = u"/home/u/"_s;
    full.passwordHome = u"/home/pw"_s;
    full.desktop = u"/home/u/Schreibtisch/"_s;
    full.downloads = u"/home/u/Downloads"_s;
    full.dataHome = u"/x/data"_s;
    full.configHome = u"/x/config"_s;
    full.cacheHome = u"/x//cache"_s;
    FolderEnvironment bare; // every search failed
    bare.home = u"/home/u"_s;
    FolderEnvironment relative = full; // relative XDG values are invalid and ignored
    relative.desktop = relative.dataHome = relative.configHome = relative.cacheHome = u"rel"_s;
    FolderEnvironment snap = full;
    snap.home = u"/home/u/snap/app/12"_s;
    snap.snapRealHome = u"/home/u"_s;
    FolderEnvironment noHome = bare;
    noHome.home = u"/"_s;
    noHome.passwordHome = u"/home/pw"_s;
    FolderEnvironment nothing;

    const struct {
        const char *name;
        FolderEnvironment environment;
        SpecialFolders expected;
    } rows[] = {
        {"full",
         full,
         {u"/home/u/Schreibtisch"_s, u"/home/u/Downloads"_s, u"/x/data"_s, u"/x/config"_s,
          u"/x/cache"_s, u"/x/data"_s, u"/home/u"_s, u"/home/u/.local/share"_s}},
        {"bare",
         bare,
         {u"/home/u/Desktop"_s, u"/home/u/Downloads"_s, u"/home/u/.local/share"_s,
          u"/home/u/.config"_s, u"/home/u/.cache"_s, u"/home/u/.local/share"_s, u"/home/u"_s,
          u"/home/u/.local/share"_s}},
        {"relative",
         relative,
         {u"/home/u/Desktop"_s, u"/home/u/Downloads"_s, u"/home/u/.local/share"_s,
          u"/home/u/.config"_s, u"/home/u/.cache"_s, u"/home/u/.local/share"_s, u"/home/u"_s,
          u"/home/u/.local/share"_s}},
        {"snap",
         snap,
         {u"/home/u/Schreibtisch"_s, u"/home/u/Downloads"_s, u"/x/data"_s, u"/x/config"_s,
          u"/x/cache"_s, u"/x/data"_s, u"/home/u"_s, u"/home/u/.local/share"_s}},
        {"no home",
         noHome,
         {u"/home/pw/Desktop"_s, u"/home/pw/Downloads"_s, u"/home/pw/.local/share"_s,
          u"/home/pw/.config"_s, u"/home/pw/.cache"_s, u"/home/pw/.local/share"_s, u"/home/pw"_s,
          u"/home/pw/.local/share"_s}},
        {"nothing",
         nothing,
         {u"/Desktop"_s, u"/Downloads"_s, u"/.local/share"_s, u"/.config"_s, u"/.cache"_s,
          u"/.local/share"_s, u"/"_s, u"/.local/share"_s}},
    };
    const auto fields = [](const SpecialFolders &f) {
        return QStringList{f.desktop, f.downloads,          f.library,  f.preferences,
                           f.caches,  f.applicationSupport, f.userHome, f.userLibrary};
    };
    for (const auto &r : rows)
        EXPECT_EQ(fields(specialFoldersFor(r.environment)), fields(r.expected)) << r.name;
}

// The real environment is read through QStandardPaths; changed here and put back at once.
TEST(SpecialFoldersTest, ReadsTheProcessEnvironment) {
    const char *names[] = {"HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "SNAP_REAL_HOME"};
    std::optional<QByteArray> saved[4];
    for (int i = 0; i < 4; ++i) {
        if (qEnvironmentVariableIsSet(names[i]))
            saved[i] = qgetenv(names[i]);
    }
    qputenv("HOME", "/nowhere/home");
    qputenv("XDG_DATA_HOME", "/nowhere/data");
    qputenv("XDG_CACHE_HOME", "relative/cache");
    qputenv("SNAP_REAL_HOME", "/nowhere/real");
    const SpecialFolders f = specialFoldersFor(currentFolderEnvironment());
    for (int i = 0; i < 4; ++i) {
        if (saved[i])
            qputenv(names[i], *saved[i]);
        else
            qunsetenv(names[i]);
    }
    EXPECT_EQ(f.library, u"/nowhere/data");
    EXPECT_EQ(f.caches, u"/nowhere/home/.cache");
    EXPECT_EQ(f.userHome, u"/nowhere/real");
    EXPECT_EQ(f.userLibrary, u"/nowhere/real/.local/share");
}

TEST(SpecialFoldersTest, CachedFolders) {
    const SpecialFolders now = specialFoldersFor(currentFolderEnvironment());
    EXPECT_EQ(userHomeDirectory(), now.userHome);
    EXPECT_EQ(desktopDirectory(), now.desktop);
    EXPECT_EQ(downloadsDirectory(), now.downloads);
    EXPECT_EQ(libraryDirectory(), now.library);
    EXPECT_EQ(applicationSupportDirectory(), now.applicationSupport);
    EXPECT_EQ(userLibraryDirectory(), now.userLibrary);
    // The test main points XDG_CONFIG_HOME at a scratch folder.
    EXPECT_EQ(preferencesDirectory(),
              stringByStandardizingPath(qEnvironmentVariable("XDG_CONFIG_HOME")));
    EXPECT_EQ(homeDirectory(), QDir::homePath());
    EXPECT_EQ(pathInHomeDirectory(u"x/"_s), homeDirectory() + u"/x"_s);
    EXPECT_EQ(pathInLibraryDirectory(u"x"_s), libraryDirectory() + u"/x"_s);
    EXPECT_EQ(pathInPreferencesDirectory(u"x"_s), preferencesDirectory() + u"/x"_s);
    EXPECT_EQ(pathInCachesDirectory(u"x"_s), cachesDirectory() + u"/x"_s);
    EXPECT_EQ(pathInApplicationSupportDirectory(QString()), applicationSupportDirectory());
    EXPECT_TRUE(iCloudFolder().isNull());
    EXPECT_EQ(dropboxFolders(), dropboxFoldersFor(userHomeDirectory()));
    const QString dropbox = dropboxFolders().front() + u"/a"_s;
    EXPECT_TRUE(isCloudFolder(dropbox));
    EXPECT_TRUE(isVolatileFolder(dropbox));
    EXPECT_FALSE(isVolatileFolder(u"/usr/share"_s));
    EXPECT_TRUE(isTemporaryPath(QDir::tempPath() + u"/x"_s));
    EXPECT_FALSE(isTemporaryPath(QString()));
}

TEST(SpecialFoldersTest, DropboxInfo) {
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    ASSERT_TRUE(QDir(home.path()).mkdir(u".dropbox"_s));
    const QString fallback = home.path() + u"/Dropbox"_s;
    const struct {
        const char *json; // null: no file at all
        QStringList expected;
    } rows[] = {
        {nullptr, {fallback}},
        {"", {fallback}},
        {"{not json", {fallback}},
        {"[\"/a\"]", {fallback}},
        {R"({"personal": {"path": 7}})", {fallback}},
        {R"({"personal": {"path": "relative"}})", {fallback}},
        {R"({"personal": {"path": ""}, "business": "/b"})", {fallback}},
        {R"({"personal": {"path": "/p/Dropbox/"}})", {u"/p/Dropbox"_s}},
        {R"({"business": {"path": "/b"}, "personal": {"path": "/p"}})", {u"/p"_s, u"/b"_s}},
        {R"({"business": {"path": "/b"}})", {u"/b"_s}},
        {R"({"personal": {"path": "/s"}, "business": {"path": "/s"}})", {u"/s"_s}},
        {R"({"personal": {"path": "/h\u00e9"}})", {u"/h\u00E9"_s}},
    };
    const QString infoPath = home.path() + u"/.dropbox/info.json"_s;
    for (const auto &r : rows) {
        QFile::remove(infoPath);
        if (r.json) {
            QFile info(infoPath);
            ASSERT_TRUE(info.open(QIODevice::WriteOnly));
            info.write(r.json);
        }
        EXPECT_EQ(dropboxFoldersFor(home.path()), r.expected) << (r.json ? r.json : "<none>");
    }
}

TEST(SpecialFoldersTest, CloudFolders) {
    const QString home = u"/h"_s;
    const QStringList dropbox{u"/h/Dropbox (Personal)"_s, u"/d/Biz"_s};
    const struct {
        std::u16string_view path;
        bool expected;
    } rows[] = {
        {u"/h/Documents/CloudMe/x"sv, true},
        {u"/h/Documents/CloudMe"sv, true},
        {u"/h/Documents/CloudMex"sv, false},
        {u"/h/Documents"sv, false},
        {u"/h/Box Sync/a"sv, true},
        {u"/h/Box Syncs"sv, false},
        {u"/x/OneDrive/y"sv, true},
        {u"/x/OneDrive - Firma"sv, true},
        {u"/x/onedrive"sv, false},
        {u"/mnt/Google Drive/a"sv, true},
        {u"/h/Dropbox (Personal)/a"sv, true},
        {u"/h/Dropbox"sv, false},
        {u"/d/Biz"sv, true},
        {u"/d/Bizz"sv, false},
        {u"OneDrive"sv, false},
        {u""sv, false},
        {{}, false},
    };
    for (const auto &r : rows)
        EXPECT_EQ(isCloudFolderFor(makeText(r.path), home, dropbox), r.expected) << quoted(r.path);
}

TEST(SpecialFoldersTest, TemporaryPaths) {
    const struct {
        std::u16string_view path, temp;
        bool expected;
    } rows[] = {
        {u"/tmpfile"sv, u"/tmp"sv, true},
        {u"/tmp"sv, u"/tmp"sv, true},
        {u"/var/tmp/x"sv, u"/tmp"sv, true},
        {u"/var/tmpx"sv, u"/tmp"sv, false},
        {u"/var/tmp"sv, u"/tmp"sv, false},
        {u"/scratch/a"sv, u"/scratch/"sv, true},
        {u"/scratch"sv, u"/scratch"sv, true},
        {u"/scratchy"sv, u"/scratch"sv, false},
        {u"/x"sv, u"/"sv, false},
        {u"/x"sv, u""sv, false},
        {u"/h/.cache/TemporaryItems/a"sv, u"/tmp"sv, true},
        {u"/h/.cache/TemporaryItemsX"sv, u"/tmp"sv, true}, // a prefix test, as for /tmp
        {u"/h/.cache/Other/TemporaryItems"sv, u"/tmp"sv, false},
        {u"tmp/x"sv, u"/tmp"sv, false},
        {u""sv, u"/tmp"sv, false},
        {{}, u"/tmp"sv, false},
    };
    for (const auto &r : rows)
        EXPECT_EQ(isTemporaryPathFor(makeText(r.path), makeText(r.temp), u"/h/.cache"_s),
                  r.expected)
            << quoted(r.path) << " with " << quoted(r.temp);
    EXPECT_FALSE(isTemporaryPathFor(u"/TemporaryItems/a"_s, u"/tmp"_s, u""_s));
}

} // namespace
