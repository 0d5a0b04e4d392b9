#include "filelib/paths.h"

#include "../textlib/texttesting.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace std::literals;
using namespace filelib;
using namespace Qt::StringLiterals;

namespace {

TEST(PathsTest, Containment) {
    const struct {
        std::u16string_view path, directory;
        bool expected;
    } rows[] = {
        {u"/a/b/c"sv, u"/a/b"sv, true},
        {u"/a/b/c"sv, u"/a/b/"sv, true},
        {u"/a/b"sv, u"/a/b/"sv, true},
        {u"/a/b/"sv, u"/a/b"sv, true},
        {u"/a/b"sv, u"/a/b//"sv, true},
        {u"/a/bc"sv, u"/a/b"sv, false},
        {u"/a"sv, u"/a/b"sv, false},
        {u"/A/b"sv, u"/a"sv, false},
        {u"/a/b"sv, u"/"sv, false},
        {u"/a/b"sv, u"///"sv, false},
        {u"/a/b"sv, u""sv, false},
        {u"/a/b"sv, {}, false},
        {{}, u"/a"sv, false},
        {u""sv, u"/a"sv, false},
        {u"a/b"sv, u"a"sv, true},
        {u"/\u00E9/\U0001F600"sv, u"/\u00E9"sv, true},
        {u"/\u00E9"sv, u"/e\u0301"sv, false}, // compared unit by unit, no normalisation
    };
    for (const auto &r : rows)
        EXPECT_EQ(pathIsInDirectory(makeText(r.path), makeText(r.directory)), r.expected)
            << quoted(r.path) << " in " << quoted(r.directory);

    const QString path = u"/a/b"_s;
    EXPECT_TRUE(pathIsInDirectory(path, path));
    EXPECT_FALSE(pathIsInDirectories(path, {path}));
    EXPECT_FALSE(pathIsInDirectories(path, {u"/a/b"_s, u"/c"_s}));
    EXPECT_TRUE(pathIsInDirectories(path, {u"/a/b"_s, u"/a"_s}));
    EXPECT_TRUE(pathIsInDirectories(path, {u"/a/b/"_s}));
    EXPECT_FALSE(pathIsInDirectories(path, {}));
    EXPECT_FALSE(pathIsInDirectories(QString(), {QString(), u"/"_s}));
}

TEST(PathsTest, RelativePaths) {
    const struct {
        std::u16string_view path, directory, expected;
    } rows[] = {
        {u"/a/b/c/d"sv, u"/a/b"sv, u"./c/d"sv},
        {u"/a/x"sv, u"/a/b/c"sv, u"../../x"sv},
        {u"/a/b"sv, u"/a/b"sv, u"./"sv},
        {u"/a/b/"sv, u"/a/./b/c/.."sv, u"./"sv},
        {u"/a/b"sv, u"/"sv, u"./a/b"sv},
        {u"/"sv, u"/a"sv, u"../"sv},
        {u"/a"sv, u"/a/b"sv, u"../"sv},
        {u"/x/y"sv, u"/a/b"sv, u"../../x/y"sv},
        {u"/a/B"sv, u"/a/b"sv, u"../B"sv},
        {u"a/b"sv, u"a"sv, u"./b"sv},
        {u"/a"sv, u"a"sv, {}},
        {u"a"sv, u"/a"sv, {}},
        {u""sv, u"/a"sv, {}},
        {u"/a"sv, {}, {}},
        {{}, u"/a"sv, {}},
    };
    for (const auto &r : rows)
        expectText(QString(), relativePathToDirectory(makeText(r.path), makeText(r.directory)),
                   r.expected);
    EXPECT_EQ(relativePathToDirectory(u"~/x"_s, u"~"_s), u"./x");
}

TEST(PathsTest, StandardizedComponents) {
    const struct {
        std::u16string_view path;
        QStringList expected;
    } rows[] = {
        {u"/a/./b/../c/"sv, {"/", "a", "c"}},
        {u"/../a"sv, {"/", "a"}},
        {u"../a/../.."sv, {"..", ".."}},
        {u"a/b/../../.."sv, {".."}},
        {u"./a//."sv, {"a"}},
        {u"/"sv, {"/"}},
        {u""sv, {}},
        {{}, {}},
    };
    for (const auto &r : rows)
        EXPECT_EQ(standardizedPathComponents(makeText(r.path)), r.expected) << quoted(r.path);
}

const TextOp dropFile{"dropFile", nullptr, stringByDeletingFileComponent};
const TextOp standard{"standard", nullptr, standardizedPath};
const TextOp appendTxt{"append txt", nullptr, [](const QString &s) {
                           return stringByAppendingPathExtensionIfNecessary(s, u"txt"_s);
                       }};
const TextOp appendNone{"append empty", nullptr, [](const QString &s) {
                            return stringByAppendingPathExtensionIfNecessary(s, u""_s);
                        }};
const TextOp replaceTxt{"replace txt", nullptr, [](const QString &s) {
                            return stringByReplacingPathExtensionWith(s, u"txt"_s);
                        }};
const TextOp replaceEmpty{"replace empty", nullptr, [](const QString &s) {
                              return stringByReplacingPathExtensionWith(s, u""_s);
                          }};
const TextOp replaceNull{"replace null", nullptr, [](const QString &s) {
                             return stringByReplacingPathExtensionWith(s, QString());
                         }};
const TextOp valid{"valid", nullptr, validPathExtension};
const TextOp lowered{"lowered", nullptr,
                     [](const QString &s) { return lowercasePathExtension(s); }};
const TextOp filename{"filename", createFilename, stringByCreatingFilename};
const TextOp fsr{"fsr", createFileSystemRepresentation, stringByCreatingFileSystemRepresentation};
const TextOp fsrTxt{
    "fsr txt", [](QString &s) { createFileSystemRepresentationAndAppendExtension(s, u"txt"); },
    [](const QString &s) {
        return stringByCreatingFileSystemRepresentationByAppendingExtension(s, u"txt");
    }};
const TextOp fsrLongExt{
    "fsr 18-unit ext",
    [](QString &s) { createFileSystemRepresentationAndAppendExtension(s, u"abcdefghijklmnopqr"); },
    nullptr};

using C = TextOpCase;
class PathEditTest : public testing::TestWithParam<C> {};
TEST_P(PathEditTest, Edits) {
    expectTextOp(GetParam());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PathEditTest,
    testing::Values(
        C{dropFile, u"/a/b/"sv, u"/a/b"sv}, C{dropFile, u"/"sv, u""sv},
        C{dropFile, u"/a/b"sv, u"/a"sv}, C{dropFile, u"/a//"sv, u"/a/"sv},
        C{dropFile, u"a"sv, u""sv}, C{dropFile, u""sv, u""sv}, C{dropFile, {}, {}},

        C{standard, u"/a/./b/../c/"sv, u"/a/c"sv}, C{standard, u"/"sv, u""sv},
        C{standard, u"/a/.."sv, u""sv}, C{standard, u"/../a"sv, u"/a"sv},
        C{standard, u"../a"sv, u"../a"sv}, C{standard, u"a//b/"sv, u"a/b"sv},
        C{standard, u"./a"sv, u"a"sv}, C{standard, u""sv, u""sv}, C{standard, {}, {}},

        C{appendTxt, u"a"sv, u"a.txt"sv}, C{appendTxt, u"a.TXT"sv, u"a.TXT"sv},
        C{appendTxt, u"a.txt/"sv, u"a.txt/"sv}, C{appendTxt, u"a.md"sv, u"a.md.txt"sv},
        C{appendTxt, u"dir/"sv, u"dir.txt"sv}, C{appendTxt, u".txt"sv, u".txt.txt"sv},
        C{appendTxt, u"/"sv, u"/"sv}, C{appendTxt, u""sv, u""sv}, C{appendTxt, {}, {}},
        C{appendNone, u"a.md"sv, u"a.md"sv},

        C{replaceTxt, u"/d/a.md"sv, u"/d/a.txt"sv}, C{replaceTxt, u"a.txt"sv, u"a.txt"sv},
        C{replaceTxt, u"a.TXT"sv, u"a.txt"sv}, C{replaceTxt, u"a"sv, u"a.txt"sv},
        C{replaceTxt, u"a."sv, u"a.txt"sv}, C{replaceTxt, u".bashrc"sv, u".bashrc.txt"sv},
        C{replaceTxt, u"d.x/"sv, u"d.txt"sv}, C{replaceTxt, u"/"sv, u"/"sv},
        C{replaceTxt, u""sv, u""sv}, C{replaceTxt, {}, {}}, C{replaceEmpty, u"a.md"sv, u"a"sv},
        C{replaceEmpty, u"a"sv, u"a"sv}, C{replaceNull, u"a.md"sv, u"a.md"sv},

        C{valid, u"/x/page.html?x=1"sv, u"html"sv}, C{valid, u"a.php;id=2"sv, u"php"sv},
        C{valid, u"a.abcdefghijklmnopq"sv, u"abcdefghijklmnopq"sv},
        C{valid, u"a.abcdefghijklmnopqr"sv, u""sv}, C{valid, u"a.b-c"sv, u""sv},
        C{valid, u"a.?x"sv, u""sv}, C{valid, u"a.\u00E9t\u00E9"sv, u"\u00E9t\u00E9"sv},
        C{valid, u"a"sv, u""sv}, C{valid, u""sv, u""sv},

        C{lowered, u"/A.B/README"sv, {}}, C{lowered, u"Photo.JPG"sv, u"jpg"sv},
        C{lowered, u"name."sv, u""sv}, C{lowered, u".bashrc"sv, {}},
        C{lowered, u"/x/.bashrc"sv, {}}, C{lowered, u"a.TXT/"sv, {}},
        C{lowered, u"/a.B/c.D\u00C4"sv, u"d\u00E4"sv}, C{lowered, u"a"sv, {}},
        C{lowered, u""sv, {}}, C{lowered, {}, {}},

        C{filename, u"..:report/2024?.txt__"sv, u"report-2024-.txt"sv},
        C{filename, u"a<b>c|d\\e*f"sv, u"a-b-c-d-e-f"sv}, C{filename, u"a\0b"sv, u"a-b"sv},
        C{filename, u"e\u0301t\u00E9"sv, u"\u00E9t\u00E9"sv}, C{filename, u"_/.:"sv, u""sv},
        C{filename, u".."sv, u""sv}, C{filename, u"a b"sv, u"a b"sv}, C{filename, u""sv, u""sv},
        C{filename, {}, {}},

        C{fsr, u"a/b\u00E9"sv, u"a/b\u00E9"sv}, C{fsr, u""sv, u""sv}, C{fsr, {}, {}},
        C{fsrTxt, u"a"sv, u"a.txt"sv}, C{fsrTxt, u"a.txt"sv, u"a.txt"sv},
        C{fsrTxt, u"a.TXT"sv, u"a.TXT.txt"sv}, C{fsrTxt, u"atxt"sv, u"atxt.txt"sv},
        C{fsrTxt, u"txt"sv, u"txt.txt"sv}, C{fsrTxt, u""sv, u""sv}, C{fsrTxt, {}, {}},
        C{fsrLongExt, u"a"sv, u"a"sv}));

// Long names: what survives, in units, and that the UTF-8 always fits 249 bytes with no lone
// surrogate half left at the cut.
TEST(PathsTest, LengthLimits) {
    const auto times = [](std::u16string_view unit, int n) {
        QString s;
        for (int i = 0; i < n; ++i)
            s += makeText(unit);
        return s;
    };
    const QString emoji = makeText(u"\U0001F600"sv);
    const struct {
        const char *name;
        QString text;
        void (*edit)(QString &);
        qsizetype expectedUnits;
        std::u16string_view suffix;
    } rows[] = {
        {"ascii", times(u"a", 300), createFileSystemRepresentation, 249, u""sv},
        {"ascii 249", times(u"a", 249), createFileSystemRepresentation, 249, u""sv},
        {"two-byte fits", times(u"\u00E9", 100), createFileSystemRepresentation, 100, u""sv},
        {"two-byte", times(u"\u00E9", 200), createFileSystemRepresentation, 124, u""sv},
        {"three-byte", times(u"\u4E2D", 100), createFileSystemRepresentation, 83, u""sv},
        {"pairs", times(u"\U0001F600", 100), createFileSystemRepresentation, 124, u""sv},
        {"pair at 250", times(u"a", 249) + emoji, createFileSystemRepresentation, 249, u""sv},
        {"pair over bytes", times(u"a", 247) + emoji, createFileSystemRepresentation, 247, u""sv},
        {"pair fits", times(u"a", 245) + emoji, createFileSystemRepresentation, 247, u""sv},
        {"ext ascii", times(u"a", 300),
         [](QString &s) { createFileSystemRepresentationAndAppendExtension(s, u"txt"); }, 249,
         u".txt"sv},
        {"ext pairs", times(u"\U0001F600", 100),
         [](QString &s) { createFileSystemRepresentationAndAppendExtension(s, u"txt"); }, 126,
         u".txt"sv},
        {"ext two-byte", times(u"a", 300),
         [](QString &s) { createFileSystemRepresentationAndAppendExtension(s, u"\u00E9"); }, 248,
         u".\u00E9"sv},
        {"name three-byte", times(u"\u4E2D", 300), createFilename, 83, u""sv},
        {"name pairs", u"."_s + times(u"\U0001F600", 200), createFilename, 124, u""sv},
    };
    for (const auto &r : rows) {
        QString s = r.text;
        r.edit(s);
        EXPECT_EQ(s.size(), r.expectedUnits) << r.name;
        EXPECT_TRUE(s.endsWith(makeText(r.suffix))) << r.name;
        EXPECT_LE(QFile::encodeName(s).size(), 249) << r.name;
        EXPECT_EQ(QString::fromUtf8(s.toUtf8()), s) << r.name; // no lone half
        EXPECT_TRUE(r.text.contains(s.chopped(qsizetype(r.suffix.size())))) << r.name;
    }
}

TEST(PathsTest, Predicates) {
    const struct {
        std::u16string_view text;
        bool path, extension;
    } rows[] = {
        {u"/a"sv, true, false},
        {u"~"sv, true, false},
        {u"a/b"sv, false, false},
        {u"txt"sv, false, true},
        {u"mp3"sv, false, true},
        {u"\u00E9"sv, false, true},
        {u"a b"sv, false, false},
        {u"a.b"sv, false, false},
        {u"abcdefghijklmnopq"sv, false, true},
        {u"abcdefghijklmnopqr"sv, false, false},
        {u""sv, false, false},
        {{}, false, false},
    };
    for (const auto &r : rows) {
        EXPECT_EQ(isPath(makeText(r.text)), r.path) << quoted(r.text);
        EXPECT_EQ(isValidPathExtension(makeText(r.text)), r.extension) << quoted(r.text);
    }
    EXPECT_EQ(validPathExtension(QString()), u"");
    EXPECT_FALSE(validPathExtension(QString()).isNull());
}

TEST(PathsTest, MatchingExtensions) {
    const QStringList list{u"txt"_s, u"'TEXT'"_s, u"MD"_s};
    const struct {
        std::u16string_view path;
        QStringList list;
        bool expected;
    } rows[] = {
        {u"/a/b.TXT"sv, list, true}, {u"b.md"sv, list, true}, {u"b.mdx"sv, list, false},
        {u"b"sv, list, false},       {u"b."sv, list, false},  {u"b.txt"sv, {}, false},
        {u"TEXT"sv, list, false},    {u""sv, {u""_s}, false}, {{}, list, false},
    };
    for (const auto &r : rows) {
        EXPECT_EQ(pathMatchingExtensions(makeText(r.path), r.list), r.expected) << quoted(r.path);
        EXPECT_EQ(pathMatchingExtensionsOrTypes(makeText(r.path), r.list), r.expected)
            << quoted(r.path);
    }
}

} // namespace
