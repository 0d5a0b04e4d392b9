#include "filelib/paths.h"

#include "../textlib/texttesting.h"

#include <QFile>

#include <gtest/gtest.h>

#include <tuple>

using namespace std::literals;
using namespace filelib;
using namespace Qt::StringLiterals;

namespace {

constexpr std::u16string_view null; // stands for the null QString

TEST(PathsTest, Containment) {
    const std::tuple<std::u16string_view, std::u16string_view, bool> rows[] = {
        {u"/a/b/c"sv, u"/a/b/"sv, true},
        {u"/a/bc"sv, u"/a/b"sv, false},
        {u"/A/b"sv, u"/a"sv, false},
        {u""sv, u"/a"sv, false},
        {u"/\u00E9"sv, u"/e\u0301"sv, false} // compared unit by unit, no normalisation
    };
    for (const auto &[path, directory, expected] : rows)
        EXPECT_EQ(pathIsInDirectory(makeText(path), makeText(directory)), expected)
            << quoted(path) << " in " << quoted(directory);
    const QString path = u"/a/b"_s;
    EXPECT_TRUE(pathIsInDirectory(path, path));
    EXPECT_FALSE(pathIsInDirectories(path, {path}));
    EXPECT_TRUE(pathIsInDirectories(path, {u"/a/b"_s, u"/a"_s}));
    EXPECT_FALSE(pathIsInDirectories(QString(), {QString(), u"/"_s}));
}

TEST(PathsTest, RelativePaths) {
    const std::tuple<std::u16string_view, std::u16string_view, std::u16string_view> rows[] = {
        {u"/a/b/c/d"sv, u"/a/b"sv, u"./c/d"sv},
        {u"/a/x"sv, u"/a/b/c"sv, u"../../x"sv},
        {u"/"sv, u"/a"sv, u"../"sv},
        {u"/a"sv, u"a"sv, null},
        {null, u"/a"sv, null}};
    for (const auto &[path, directory, expected] : rows)
        expectText(relativePathToDirectory(makeText(path), makeText(directory)), expected);
    EXPECT_EQ(relativePathToDirectory(u"~/x"_s, u"~"_s), u"./x");
}

TEST(PathsTest, StandardizedComponents) {
    const std::pair<std::u16string_view, QStringList> rows[] = {
        {u"/a/./b/../c/"sv, {"/", "a", "c"}}, {u"./a//."sv, {"a"}}, {u""sv, {}}, {{}, {}}};
    for (const auto &[path, expected] : rows)
        EXPECT_EQ(standardizedPathComponents(makeText(path)), expected) << quoted(path);
}

TEST(PathsTest, Edits) {
    using S = const QString &;
    const TextOp dropFile{"dropFile", nullptr, stringByDeletingFileComponent},
        standard{"standard", nullptr, standardizedPath},
        append{"append", nullptr,
               [](S s) { return stringByAppendingPathExtensionIfNecessary(s, u"txt"_s); }},
        replace{"replace", nullptr,
                [](S s) { return stringByReplacingPathExtensionWith(s, u"txt"_s); }},
        replaceEmpty{"replace empty", nullptr,
                     [](S s) { return stringByReplacingPathExtensionWith(s, u""_s); }},
        replaceNull{"replace null", nullptr,
                    [](S s) { return stringByReplacingPathExtensionWith(s, QString()); }},
        valid{"valid", nullptr, validPathExtension},
        lower{"lowered", nullptr, [](S s) { return lowercasePathExtension(s); }},
        filename{"filename", createFilename, stringByCreatingFilename},
        fsr{"fsr", createFileSystemRepresentation, stringByCreatingFileSystemRepresentation},
        fsrExt{"fsr txt",
               [](QString &s) { createFileSystemRepresentationAndAppendExtension(s, u"txt"); },
               [](S s) {
                   return stringByCreatingFileSystemRepresentationByAppendingExtension(s, u"txt");
               }},
        fsrLongExt{"fsr 18-unit ext",
                   [](QString &s) {
                       createFileSystemRepresentationAndAppendExtension(s, u"abcdefghijklmnopqr");
                   },
                   nullptr};
    using C = TextOpCase;
    expectTextOps({C{dropFile, u"/a/b/"sv, u"/a/b"sv},
                   C{standard, u"/a/.."sv, u""sv},
                   C{standard, u"/../a"sv, u"/a"sv},
                   C{append, u"a.md"sv, u"a.md.txt"sv},
                   C{append, u"a.TXT"sv, u"a.TXT"sv},
                   C{append, u"dir/"sv, u"dir.txt"sv},
                   C{replace, u"/d/a.md"sv, u"/d/a.txt"sv},
                   C{replace, u".bashrc"sv, u".bashrc.txt"sv},
                   C{replaceEmpty, u"a.md"sv, u"a"sv},
                   C{replaceNull, u"a.md"sv, u"a.md"sv},
                   C{valid, u"/x/page.html?x=1"sv, u"html"sv},
                   C{valid, u"a.abcdefghijklmnopqr"sv, u""sv},
                   C{valid, u"a.b-c"sv, u""sv},
                   C{lower, u"/A.B/README"sv, {}},
                   C{lower, u"/a.B/c.D\u00C4"sv, u"d\u00E4"sv},
                   C{lower, u"/x/.bashrc"sv, {}}, // a dot file has no extension
                   C{filename, u"..:report/2024?.txt__"sv, u"report-2024-.txt"sv},
                   C{filename, u"a\0b"sv, u"a-b"sv},
                   C{filename, u"e\u0301t\u00E9"sv, u"\u00E9t\u00E9"sv},
                   C{fsr, u"a/b\u00E9"sv, u"a/b\u00E9"sv},
                   C{fsrExt, u"a.txt"sv, u"a.txt"sv},
                   C{fsrExt, u""sv, u""sv}, // no hidden ".txt"
                   C{fsrLongExt, u"a"sv, u"a"sv}});
}

// Long names: what survives, in units, and that the UTF-8 always fits 249 bytes with no lone
// surrogate half left at the cut.
TEST(PathsTest, LengthLimits) {
    const auto times = [](std::u16string_view unit, int n) { return makeText(unit).repeated(n); };
    const QString emoji = makeText(u"\U0001F600"sv);
    const auto txt = [](QString &s) {
        createFileSystemRepresentationAndAppendExtension(s, u"txt");
    };
    const auto two = [](QString &s) {
        createFileSystemRepresentationAndAppendExtension(s, u"\u00E9");
    };
    const struct {
        const char *name;
        QString text;
        void (*edit)(QString &);
        qsizetype expectedUnits;
        std::u16string_view suffix;
    } rows[] = {
        {"ascii", times(u"a", 300), createFileSystemRepresentation, 249, u""sv},
        {"pair over bytes", times(u"a", 247) + emoji, createFileSystemRepresentation, 247, u""sv},
        {"ext pairs", times(u"\U0001F600", 100), txt, 126, u".txt"sv},
        {"ext two-byte", times(u"a", 300), two, 248, u".\u00E9"sv},
        {"name three-byte", times(u"\u4E2D", 300), createFilename, 83, u""sv},
        {"name pairs", u"."_s + times(u"\U0001F600", 200), createFilename, 124, u""sv}};
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
    const std::tuple<std::u16string_view, bool, bool> rows[] = {
        {u"/a"sv, true, false},
        {u"a/b"sv, false, false},
        {u"mp3"sv, false, true},
        {u"abcdefghijklmnopq"sv, false, true},
        {u"abcdefghijklmnopqr"sv, false, false},
        {null, false, false}};
    for (const auto &[text, path, extension] : rows) {
        EXPECT_EQ(isPath(makeText(text)), path) << quoted(text);
        EXPECT_EQ(isValidPathExtension(makeText(text)), extension) << quoted(text);
    }
    EXPECT_EQ(validPathExtension(QString()), u"");
    EXPECT_FALSE(validPathExtension(QString()).isNull());
}

TEST(PathsTest, MatchingExtensions) {
    const QStringList list{u"txt"_s, u"'TEXT'"_s, u"MD"_s};
    const std::tuple<std::u16string_view, QStringList, bool> rows[] = {
        {u"/a/b.TXT"sv, list, true}, {u"b.mdx"sv, list, false}, {u"b.txt"sv, QStringList(), false},
        {u"TEXT"sv, list, false},    {u""sv, {u""_s}, false},   {null, list, false}};
    for (const auto &[path, extensions, expected] : rows) {
        EXPECT_EQ(pathMatchingExtensions(makeText(path), extensions), expected) << quoted(path);
        EXPECT_EQ(pathMatchingExtensionsOrTypes(makeText(path), extensions), expected);
    }
}

} // namespace
