#include "filelib/pathcomponents.h"

#include "../textlib/texttesting.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

using namespace std::literals;
using namespace filelib;
using namespace Qt::StringLiterals;

namespace {

TEST(PathComponentsTest, Splits) {
    const struct {
        std::u16string_view path;
        QStringList expected;
    } rows[] = {
        {u"/a/b"sv, {"/", "a", "b"}},
        {u"a/b"sv, {"a", "b"}},
        {u"/a//b/"sv, {"/", "a", "b", "/"}},
        {u"a///"sv, {"a", "/"}},
        {u"/"sv, {"/"}},
        {u"//"sv, {"/"}},
        {u"./a/../b"sv, {".", "a", "..", "b"}},
        {u"\U0001F600/\u00E9"sv, {u"\U0001F600"_s, u"\u00E9"_s}},
        {u""sv, {}},
        {{}, {}},
    };
    for (const auto &r : rows)
        EXPECT_EQ(pathComponents(makeText(r.path)), r.expected) << quoted(r.path);
}

const TextOp last{"last", nullptr, lastPathComponent};
const TextOp ext{"ext", nullptr, pathExtension};
const TextOp dropLast{"dropLast", nullptr, stringByDeletingLastPathComponent};
const TextOp dropExt{"dropExt", nullptr, stringByDeletingPathExtension};
const TextOp addX{"add x", nullptr,
                  [](const QString &s) { return stringByAppendingPathComponent(s, u"x"); }};
const TextOp addSlashed{"add /x/", nullptr,
                        [](const QString &s) { return stringByAppendingPathComponent(s, u"/x/"); }};
const TextOp addNone{"add empty", nullptr,
                     [](const QString &s) { return stringByAppendingPathComponent(s, u""); }};
const TextOp addTxt{"add .txt", nullptr,
                    [](const QString &s) { return stringByAppendingPathExtension(s, u"txt"); }};
const TextOp addBad{"add .a/b", nullptr,
                    [](const QString &s) { return stringByAppendingPathExtension(s, u"a/b"); }};
const TextOp expand{"expand", nullptr, [](const QString &s) {
                        return stringByExpandingTildeInPath(s, QStringLiteral("/home/u/"));
                    }};
const TextOp expandRoot{"expand root", nullptr, [](const QString &s) {
                            return stringByExpandingTildeInPath(s, QStringLiteral("/"));
                        }};
const TextOp abbreviate{"abbreviate", nullptr, [](const QString &s) {
                            return stringByAbbreviatingWithTildeInPath(s,
                                                                       QStringLiteral("/home/u"));
                        }};
const TextOp abbreviateRoot{"abbreviate root", nullptr, [](const QString &s) {
                                return stringByAbbreviatingWithTildeInPath(s, QStringLiteral("/"));
                            }};
const TextOp standardize{"standardize", nullptr, stringByStandardizingPath};

using C = TextOpCase;
class PathStringTest : public testing::TestWithParam<C> {};
TEST_P(PathStringTest, Edits) {
    expectTextOp(GetParam());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PathStringTest,
    testing::Values(
        C{last, u"/a/b.c"sv, u"b.c"sv}, C{last, u"/a/b//"sv, u"b"sv}, C{last, u"/"sv, u"/"sv},
        C{last, u"///"sv, u"/"sv}, C{last, u"b"sv, u"b"sv}, C{last, u""sv, u""sv}, C{last, {}, {}},

        C{ext, u"/a/b.tar.gz"sv, u"gz"sv}, C{ext, u"/a.d/b"sv, u""sv},
        C{ext, u"/a/.bashrc"sv, u""sv}, C{ext, u".x.y"sv, u"y"sv}, C{ext, u"b.txt/"sv, u"txt"sv},
        C{ext, u"b."sv, u""sv}, C{ext, u"a/.."sv, u""sv}, C{ext, u"/"sv, u""sv},
        C{ext, u""sv, u""sv}, C{ext, {}, {}}, C{ext, u"\u00E9.\U0001F600"sv, u"\U0001F600"sv},

        C{dropLast, u"/a/b"sv, u"/a"sv}, C{dropLast, u"/a/b/"sv, u"/a"sv},
        C{dropLast, u"/a"sv, u"/"sv}, C{dropLast, u"/"sv, u"/"sv}, C{dropLast, u"//a"sv, u"/"sv},
        C{dropLast, u"a"sv, u""sv}, C{dropLast, u"a//b"sv, u"a"sv}, C{dropLast, u""sv, u""sv},
        C{dropLast, {}, {}},

        C{dropExt, u"/a/b.tar.gz"sv, u"/a/b.tar"sv}, C{dropExt, u"b.bundle/"sv, u"b"sv},
        C{dropExt, u"b..c"sv, u"b."sv}, C{dropExt, u".bashrc"sv, u".bashrc"sv},
        C{dropExt, u"/a.d/b"sv, u"/a.d/b"sv}, C{dropExt, u"b."sv, u"b"sv},
        C{dropExt, u"/"sv, u"/"sv}, C{dropExt, u""sv, u""sv}, C{dropExt, {}, {}},

        C{addX, u"/a"sv, u"/a/x"sv}, C{addX, u"/a/"sv, u"/a/x"sv}, C{addX, u"/"sv, u"/x"sv},
        C{addX, u""sv, u"x"sv}, C{addX, {}, {}}, C{addSlashed, u"/a"sv, u"/a/x"sv},
        C{addSlashed, u""sv, u"/x"sv}, C{addNone, u"/a//b/"sv, u"/a/b"sv},
        C{addNone, u"/a"sv, u"/a"sv},

        C{addTxt, u"/a/b.old"sv, u"/a/b.old.txt"sv}, C{addTxt, u"b."sv, u"b..txt"sv},
        C{addTxt, u"/a/"sv, u"/a.txt"sv}, C{addTxt, u"/"sv, {}}, C{addTxt, u""sv, {}},
        C{addTxt, {}, {}}, C{addBad, u"/a"sv, {}},

        C{expand, u"~"sv, u"/home/u"sv}, C{expand, u"~/x/"sv, u"/home/u/x"sv},
        C{expand, u"a/~"sv, u"a/~"sv},
        C{expand, u"~no-such-user-here/x"sv, u"~no-such-user-here/x"sv},
        C{expand, u"~root"sv, u"/root"sv}, C{expand, u"~ro\0ot/x"sv, u"~ro\0ot/x"sv},
        C{expand, u""sv, u""sv}, C{expand, {}, {}}, C{expandRoot, u"~/x"sv, u"/x"sv},
        C{expandRoot, u"~"sv, u"/"sv},

        C{abbreviate, u"/home/u"sv, u"~"sv}, C{abbreviate, u"/home/u/"sv, u"~"sv},
        C{abbreviate, u"/home/u/x//y"sv, u"~/x/y"sv},
        C{abbreviate, u"/home/user"sv, u"/home/user"sv}, C{abbreviate, u"/home"sv, u"/home"sv},
        C{abbreviate, {}, {}}, C{abbreviateRoot, u"/x"sv, u"/x"sv},

        C{standardize, u"/a/./b/../c/"sv, u"/a/c"sv}, C{standardize, u"//a//b"sv, u"/a/b"sv},
        C{standardize, u"/.."sv, u"/"sv}, C{standardize, u"/a/../../b"sv, u"/b"sv},
        C{standardize, u"../a/../../b"sv, u"../../b"sv}, C{standardize, u"a/.."sv, u"."sv},
        C{standardize, u"./"sv, u"."sv}, C{standardize, u"/"sv, u"/"sv},
        C{standardize, u"/a/b"sv, u"/a/b"sv}, C{standardize, u"/a/..b"sv, u"/a/..b"sv},
        C{standardize, u""sv, u""sv}, C{standardize, {}, {}}));

TEST(PathComponentsTest, TildeUsesHome) {
    const QString home = QDir::homePath();
    EXPECT_EQ(stringByExpandingTildeInPath(QStringLiteral("~/x")),
              stringByAppendingPathComponent(home, u"x"));
    if (home != u"/") {
        EXPECT_EQ(stringByAbbreviatingWithTildeInPath(home + u"/x"_s), u"~/x");
    }
    EXPECT_EQ(stringByStandardizingPath(QStringLiteral("~/./x/")),
              stringByAppendingPathComponent(home, u"x"));
}

TEST(PathComponentsTest, ResolvesSymlinks) {
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    // The temporary folder may itself sit behind a link.
    const QString root = QFileInfo(tmp.path()).canonicalFilePath();
    ASSERT_TRUE(QDir(root).mkpath(u"real/sub"_s));
    const auto link = [&](const char *target, const QString &name) {
        ASSERT_EQ(symlink(target, QFile::encodeName(root + u'/' + name).constData()), 0) << target;
    };
    link("real", u"rel"_s);
    link(QFile::encodeName(root + u"/real/sub"_s).constData(), u"abs"_s);
    link("rel/sub", u"chain"_s);
    link("loop2", u"loop1"_s);
    link("loop1", u"loop2"_s);
    link("self", u"self"_s);
    link("missing", u"dangling"_s);
    link("sub/..", u"real/up"_s);
    link("\xC3\xA9t\xC3\xA9", u"\u00FC"_s);

    const struct {
        QString path, expected;
    } rows[] = {
        {u"/rel/sub"_s, u"/real/sub"_s},
        {u"/rel/"_s, u"/real"_s},
        {u"/abs/../x"_s, u"/real/x"_s}, // ".." leaves the target, not the link
        {u"/chain"_s, u"/real/sub"_s},
        {u"/real/up"_s, u"/real"_s},
        {u"/./rel//./sub/."_s, u"/real/sub"_s},
        {u"/dangling/x"_s, u"/missing/x"_s},
        {u"/none/../rel"_s, u"/real"_s},
        {u"/\u00FC"_s, u"/\u00E9t\u00E9"_s},
        {u"/loop1/x"_s, u"/loop1/x"_s},
        {u"/self"_s, u"/self"_s},
        {makeText(u"/rel\0/sub"sv), makeText(u"/rel\0/sub"sv)},
    };
    for (const auto &r : rows)
        EXPECT_EQ(stringByResolvingSymlinksInPath(root + r.path), root + r.expected)
            << quoted(r.path);

    const QString plain = root + u"/real"_s;
    EXPECT_EQ(stringByResolvingSymlinksInPath(plain).constData(), plain.constData());
    EXPECT_EQ(stringByResolvingSymlinksInPath(u"/"_s), u"/");
    EXPECT_EQ(stringByResolvingSymlinksInPath(u"/.."_s), u"/");
    EXPECT_EQ(stringByResolvingSymlinksInPath(u"rel/./x/"_s), u"rel/x");
    EXPECT_EQ(stringByResolvingSymlinksInPath(u""_s), u"");
    EXPECT_TRUE(stringByResolvingSymlinksInPath(QString()).isNull());
}

} // namespace
