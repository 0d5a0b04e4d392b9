#include "filelib/specialfolders.h"

#include "filelib/pathcomponents.h"

#include "../textlib/texttesting.h"
#include "filetesting.h"

#include <optional>
#include <tuple>

using namespace std::literals;
using namespace filelib;
using namespace Qt::StringLiterals;

namespace {

constexpr std::u16string_view null; // stands for the null QString

QStringList fields(const SpecialFolders &f) {
    return {f.desktop, f.downloads,          f.library,  f.preferences,
            f.caches,  f.applicationSupport, f.userHome, f.userLibrary};
}

// What every folder falls back to below home.
QStringList fallbacks(const QString &home) {
    return QString("%1/Desktop %1/Downloads %2 %1/.config %1/.cache %2 %3 %2")
        .arg(home, home + "/.local/share", home.isEmpty() ? "/" : home)
        .split(' ');
}

TEST(SpecialFoldersTest, FromEnvironment) {
    // home, snap's real home, the password database's, desktop, downloads, data, config, cache.
    const FolderEnvironment full{
        "/home/u/",          {},        "/home/pw",  "/home/u/Schreibtisch/",
        "/home/u/Downloads", "/x/data", "/x/config", "/x//cache"},
        bare{"/home/u", {}, {}, {}, {}, {}, {}, {}}, // every search failed
        snap{"/home/u/snap/app/12", "/home/u",     "/home/pw",      full.desktop,
             full.downloads,        full.dataHome, full.configHome, full.cacheHome},
        noHome{"/", {}, "/home/pw", {}, {}, {}, {}, {}};
    const QStringList fromFull = QString("/home/u/Schreibtisch /home/u/Downloads /x/data /x/config "
                                         "/x/cache /x/data /home/u /home/u/.local/share")
                                     .split(' ');
    const std::tuple<const char *, FolderEnvironment, QStringList> rows[] = {
        {"bare", bare, fallbacks(u"/home/u"_s)},
        {"snap", snap, fromFull},
        {"no home", noHome, fallbacks(u"/home/pw"_s)},
        {"nothing", FolderEnvironment(), fallbacks(u""_s)}};
    for (const auto &[name, environment, expected] : rows)
        EXPECT_EQ(fields(specialFoldersFor(environment)), expected) << name;
}

// The real environment is read through QStandardPaths; changed here and put back at once.
TEST(SpecialFoldersTest, ReadsTheProcessEnvironment) {
    const std::pair<const char *, const char *> values[] = {{"HOME", "/nowhere/home"},
                                                            {"XDG_DATA_HOME", "/nowhere/data"},
                                                            {"XDG_CACHE_HOME", "relative/cache"},
                                                            {"SNAP_REAL_HOME", "/nowhere/real"}};
    std::optional<QByteArray> saved[4];
    for (int i = 0; i < 4; ++i) {
        if (qEnvironmentVariableIsSet(values[i].first))
            saved[i] = qgetenv(values[i].first);
        qputenv(values[i].first, values[i].second);
    }
    const SpecialFolders f = specialFoldersFor(currentFolderEnvironment());
    for (int i = 0; i < 4; ++i) {
        if (saved[i])
            qputenv(values[i].first, *saved[i]);
        else
            qunsetenv(values[i].first);
    }
    EXPECT_EQ(QStringList({f.library, f.caches, f.userHome, f.userLibrary}),
              QStringList({"/nowhere/data", "/nowhere/home/.cache", "/nowhere/real",
                           "/nowhere/real/.local/share"}));
}

TEST(SpecialFoldersTest, CachedFolders) {
    const SpecialFolders now = specialFoldersFor(currentFolderEnvironment());
    EXPECT_EQ(QStringList({desktopDirectory(), userHomeDirectory(), userLibraryDirectory()}),
              QStringList({now.desktop, now.userHome, now.userLibrary}));
    // The test main points XDG_CONFIG_HOME at a scratch folder.
    EXPECT_EQ(preferencesDirectory(),
              stringByStandardizingPath(qEnvironmentVariable("XDG_CONFIG_HOME")));
    EXPECT_EQ(pathInHomeDirectory(u"x/"_s), homeDirectory() + u"/x"_s);
    EXPECT_EQ(pathInApplicationSupportDirectory(QString()), applicationSupportDirectory());
    const QString dropbox = dropboxFolders().front() + u"/a"_s;
    EXPECT_TRUE(isCloudFolder(dropbox) && isVolatileFolder(dropbox));
    EXPECT_FALSE(isVolatileFolder(u"/usr/share"_s) || isTemporaryPath(QString()));
    EXPECT_TRUE(isTemporaryPath(QDir::tempPath() + u"/x"_s));
}

TEST(SpecialFoldersTest, DropboxInfo) {
    QTemporaryDir home;
    ASSERT_TRUE(QDir(home.path()).mkdir(u".dropbox"_s));
    const QString fallback = home.path() + u"/Dropbox"_s;
    const std::pair<const char *, QStringList> rows[] = {
        {"{not json", {fallback}},
        {R"({"personal": {"path": "/p/Dropbox/"}})", {u"/p/Dropbox"_s}},
        {R"({"business": {"path": "/b"}, "personal": {"path": "/p"}})", {u"/p"_s, u"/b"_s}},
        {R"({"personal": {"path": "/s"}, "business": {"path": "/s"}})", {u"/s"_s}}};
    const QString infoPath = home.path() + u"/.dropbox/info.json"_s;
    for (const auto &[json, expected] : rows) {
        QFile::remove(infoPath);
        if (json)
            putFile(infoPath, json);
        EXPECT_EQ(dropboxFoldersFor(home.path()), expected) << (json ? json : "<none>");
    }
}

TEST(SpecialFoldersTest, CloudFolders) {
    const QStringList dropbox{u"/h/Dropbox (Personal)"_s, u"/d/Biz"_s};
    const std::pair<std::u16string_view, bool> rows[] = {{u"/h/Documents/CloudMe"sv, true},
                                                         {u"/x/OneDrive - Firma"sv, true},
                                                         {u"/h/Dropbox (Personal)/a"sv, true},
                                                         {u"/h/Dropbox"sv, false},
                                                         {{}, false}};
    for (const auto &[path, expected] : rows)
        EXPECT_EQ(isCloudFolderFor(makeText(path), u"/h"_s, dropbox), expected) << quoted(path);
}

TEST(SpecialFoldersTest, TemporaryPaths) {
    const std::tuple<std::u16string_view, std::u16string_view, bool> rows[] = {
        {u"/tmpfile"sv, u"/tmp"sv, true},
        {u"/var/tmp/x"sv, u"/tmp"sv, true},
        {u"/scratch/a"sv, u"/scratch/"sv, true},
        {u"/h/.cache/TemporaryItemsX"sv, u"/tmp"sv, true}, // a prefix test, as for /tmp
        {u"/h/.cache/Other/TemporaryItems"sv, u"/tmp"sv, false},
        {null, u"/tmp"sv, false}};
    for (const auto &[path, temp, expected] : rows)
        EXPECT_EQ(isTemporaryPathFor(makeText(path), makeText(temp), u"/h/.cache"_s), expected)
            << quoted(path) << " with " << quoted(temp);
    EXPECT_FALSE(isTemporaryPathFor(u"/TemporaryItems/a"_s, u"/tmp"_s, u""_s));
}

} // namespace
