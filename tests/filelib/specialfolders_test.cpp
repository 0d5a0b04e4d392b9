#include "filelib/specialfolders.h"

#include "../textlib/texttesting.h"
#include "filetesting.h"

#include <tuple>

using namespace std::literals;
using namespace filelib;
using namespace Qt::StringLiterals;

QStringList fields(const SpecialFolders &f) {
    return {f.desktop, f.downloads,          f.library,  f.preferences,
            f.caches,  f.applicationSupport, f.userHome, f.userLibrary};
}

// What every folder falls back to below home.
QStringList fallbacks(const QString &home) {
    return QString("%1/Desktop %1/Downloads %2 %1/.config %1/.cache %2 %3 %2")
        .arg(home, home + "/.local/share", home)
        .split(' ');
}

TEST(SpecialFoldersTest, FromEnvironment) {
    // home, snap's real home, the password database's, desktop, downloads, data, config, cache.
    const FolderEnvironment bare{"/home/u", {}, {}, {}, {}, {}, {}, {}}, // every search failed
        snap{"/home/u/snap/app/12", "/home/u", "/home/pw",  "/home/u/Schreibtisch/",
             "/home/u/Downloads",   "/x/data", "/x/config", "/x//cache"},
        noHome{"/", {}, "/home/pw", {}, {}, {}, {}, {}};
    const QStringList fromFull = QString("/home/u/Schreibtisch /home/u/Downloads /x/data /x/config "
                                         "/x/cache /x/data /home/u /home/u/.local/share")
                                     .split(' ');
    const std::tuple<const char *, FolderEnvironment, QStringList> rows[] = {
        {"bare", bare, fallbacks(u"/home/u"_s)},
        {"snap", snap, fromFull},
        {"no home", noHome, fallbacks(u"/home/pw"_s)}};
    for (const auto &[name, environment, expected] : rows)
        EXPECT_EQ(fields(specialFoldersFor(environment)), expected) << name;
}

// The real environment is read through QStandardPaths; changed for this test alone.
TEST(SpecialFoldersTest, ReadsTheProcessEnvironment) {
    Environment env;
    env.set("HOME", "/nowhere/home");
    env.set("XDG_CACHE_HOME", "relative/cache");
    env.set("SNAP_REAL_HOME", "/nowhere/real");
    const SpecialFolders f = specialFoldersFor(currentFolderEnvironment());
    EXPECT_EQ(QStringList({f.caches, f.userHome}),
              QStringList({"/nowhere/home/.cache", "/nowhere/real"}));
}

TEST(SpecialFoldersTest, DropboxInfo) {
    QTemporaryDir home;
    ASSERT_TRUE(QDir(home.path()).mkdir(u".dropbox"_s));
    const QString fallback = home.path() + u"/Dropbox"_s;
    const std::pair<const char *, QStringList> rows[] = {
        {"{not json", {fallback}},
        {R"({"business": {"path": "/b"}, "personal": {"path": "/p"}})", {u"/p"_s, u"/b"_s}},
        {R"({"personal": {"path": "/s"}, "business": {"path": "/s"}})", {u"/s"_s}}};
    const QString infoPath = home.path() + u"/.dropbox/info.json"_s;
    for (const auto &[json, expected] : rows) {
        QFile::remove(infoPath);
        putFile(infoPath, json);
        EXPECT_EQ(dropboxFoldersFor(home.path()), expected) << json;
    }
}

TEST(SpecialFoldersTest, CloudAndTemporaryPaths) {
    const QStringList dropbox{u"/h/Dropbox (Personal)"_s, u"/d/Biz"_s};
    // A path, then whether it is in a cloud folder and whether it is temporary.
    const std::tuple<std::u16string_view, bool, bool> rows[] = {
        {u"/h/Documents/CloudMe"sv, true, false},
        {u"/h/Dropbox (Personal)/a"sv, true, false},
        {u"/h/Dropbox"sv, false, false},
        {u"/tmpfile"sv, false, true},
        {u"/h/.cache/TemporaryItemsX"sv, false, true}, // a prefix test, as for /tmp
        {Null, false, false}};
    for (const auto &[path, cloud, temporary] : rows)
        EXPECT_EQ(std::pair(isCloudFolderFor(makeText(path), u"/h"_s, dropbox),
                            isTemporaryPathFor(makeText(path), u"/tmp"_s, u"/h/.cache"_s)),
                  std::pair(cloud, temporary))
            << quoted(path);
}
