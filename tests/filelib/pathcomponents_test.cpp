#include "filelib/pathcomponents.h"

#include "../textlib/texttesting.h"
#include "filetesting.h"

using namespace std::literals;
using namespace filelib;
using namespace Qt::StringLiterals;

TEST(PathComponentsTest, Splits) {
    const std::pair<std::u16string_view, QStringList> rows[] = {{u"/a//b/"sv, {"/", "a", "b", "/"}},
                                                                {{}, {}}};
    for (const auto &[path, expected] : rows)
        EXPECT_EQ(pathComponents(makeText(path)), expected) << quoted(path);
}

TEST(PathComponentsTest, Edits) {
    using S = const QString &;
    const TextOp last{"last", nullptr, lastPathComponent}, ext{"ext", nullptr, pathExtension},
        dropLast{"dropLast", nullptr, stringByDeletingLastPathComponent},
        dropExt{"dropExt", nullptr, stringByDeletingPathExtension},
        standardize{"standardize", nullptr, stringByStandardizingPath},
        addSlashed{"add /x/", nullptr,
                   [](S s) { return stringByAppendingPathComponent(s, u"/x/"); }},
        addTxt{"add .txt", nullptr, [](S s) { return stringByAppendingPathExtension(s, u"txt"); }},
        addBad{"add .a/b", nullptr, [](S s) { return stringByAppendingPathExtension(s, u"a/b"); }},
        expand{"expand", nullptr,
               [](S s) { return stringByExpandingTildeInPath(s, u"/home/u/"_s); }},
        expandRoot{"expand root", nullptr,
                   [](S s) { return stringByExpandingTildeInPath(s, u"/"_s); }},
        abbreviate{"abbreviate", nullptr,
                   [](S s) { return stringByAbbreviatingWithTildeInPath(s, u"/home/u"_s); }},
        abbreviateRoot{"abbreviate root", nullptr,
                       [](S s) { return stringByAbbreviatingWithTildeInPath(s, u"/"_s); }};
    using C = TextOpCase;
    expectTextOps({
        C{last, u"/a/b//"sv, u"b"sv},
        C{ext, u"/a/b.tar.gz"sv, u"gz"sv},
        C{dropLast, u"/a/b/"sv, u"/a"sv},
        C{dropExt, u"b.bundle/"sv, u"b"sv},
        C{dropExt, u".bashrc"sv, u".bashrc"sv},
        C{addSlashed, u"/a"sv, u"/a/x"sv},
        C{addTxt, u"/a/"sv, u"/a.txt"sv},
        C{addBad, u"/a"sv, {}},
        C{expand, u"~/x/"sv, u"/home/u/x"sv},
        C{expand, u"~ro\0ot/x"sv, u"~ro\0ot/x"sv},
        C{expandRoot, u"~/x"sv, u"/x"sv},
        C{abbreviate, u"/home/u/x//y"sv, u"~/x/y"sv},
        C{abbreviate, u"/home/uu/x"sv, u"/home/uu/x"sv}, // another user's home
        C{abbreviateRoot, u"/x"sv, u"/x"sv},
        C{standardize, u"/a/./b/../c/"sv, u"/a/c"sv},
    });
}

TEST_F(LinkTree, ResolvesSymlinks) {
    const std::pair<QString, QString> rows[] = {
        {u"/rel/"_s, u"/real"_s},
        {u"/abs/../x"_s, u"/real/x"_s}, // ".." leaves the target, not the link
        {u"/loop1/x"_s, u"/loop1/x"_s},
        {makeText(u"/rel\0/sub"sv), makeText(u"/rel\0/sub"sv)}};
    for (const auto &[path, expected] : rows)
        EXPECT_EQ(stringByResolvingSymlinksInPath(root + path), root + expected) << quoted(path);
    EXPECT_EQ(stringByResolvingSymlinksInPath(u"rel/./x/"_s), u"rel/x");
    EXPECT_TRUE(stringByResolvingSymlinksInPath(QString()).isNull());
}
