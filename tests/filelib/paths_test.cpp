#include "filelib/paths.h"

#include "../textlib/texttesting.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace std::literals;
using namespace filelib;
using namespace Qt::StringLiterals;

TEST(PathsTest, Containment) {
    const std::tuple<std::u16string_view, std::u16string_view, bool> rows[] = {
        {u"/a/b/c"sv, u"/a/b/"sv, true},
        {u"/a/bc"sv, u"/a/b"sv, false},
        {u"/\u00E9"sv, u"/e\u0301"sv, false} // compared unit by unit, no normalisation
    };
    for (const auto &[path, directory, expected] : rows)
        EXPECT_EQ(pathIsInDirectory(makeText(path), makeText(directory)), expected)
            << quoted(path) << " in " << quoted(directory);
    const QString path = u"/a/b"_s;
    EXPECT_FALSE(pathIsInDirectories(path, {path})); // in itself, but not below
    EXPECT_TRUE(pathIsInDirectories(path, {u"/a/b"_s, u"/a"_s}));
    EXPECT_TRUE(isPath(u"/a"_s) && !isPath(u"mp3"_s) && isValidPathExtension(u"mp3"_s));
    EXPECT_FALSE(isValidPathExtension(u"abcdefghijklmnopqr"_s) || isValidPathExtension(QString()));
    EXPECT_EQ(standardizedPathComponents(u"/a/./b/../c/"_s), (QStringList{"/", "a", "c"}));
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
        relative{"relative", nullptr, [](S s) { return relativePathToDirectory(s, u"/a/b"_s); }},
        toRelative{"to relative", nullptr, [](S s) { return relativePathToDirectory(s, u"a"_s); }},
        lower{"lowered", nullptr, [](S s) { return lowercasePathExtension(s); }},
        filename{"filename", createFilename, stringByCreatingFilename},
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
                   C{relative, u"/a/b/c/d"sv, u"./c/d"sv},
                   C{relative, u"/a/x"sv, u"../x"sv},
                   C{relative, Null, Null},
                   C{toRelative, u"/a"sv, Null},
                   C{standard, u"/a/.."sv, u""sv},
                   C{standard, u"/../a"sv, u"/a"sv},
                   C{append, u"a.md"sv, u"a.md.txt"sv},
                   C{append, u"dir/"sv, u"dir.txt"sv},
                   C{replace, u"/d/a.md"sv, u"/d/a.txt"sv},
                   C{replaceEmpty, u"a.md"sv, u"a"sv},
                   C{replaceNull, u"a.md"sv, u"a.md"sv},
                   C{valid, u"/x/page.html?x=1"sv, u"html"sv},
                   C{valid, u"a.abcdefghijklmnopqr"sv, u""sv},
                   C{lower, u"/a.B/c.D\u00C4"sv, u"d\u00E4"sv},
                   C{lower, u"/x/.bashrc"sv, {}}, // a dot file has no extension
                   C{filename, u"..:report/2024?.txt__"sv, u"report-2024-.txt"sv},
                   C{filename, u"e\u0301t\u00E9"sv, u"\u00E9t\u00E9"sv},
                   C{fsrExt, u"a.txt"sv, u"a.txt"sv},
                   C{fsrExt, u""sv, u""sv}, // no hidden ".txt"
                   C{fsrLongExt, u"a"sv, u"a"sv}});
}

// Long names: what survives, in units, and that the UTF-8 always fits 249 bytes with no lone
// surrogate half left at the cut.
TEST(PathsTest, LengthLimits) {
    // Names are cut to 249 bytes of UTF-8, never between the halves of a pair.
    QString pair = QString(247, u'a') + makeText(u"\U0001F600"sv),
            pairs = makeText(u"\U0001F600"sv).repeated(100);
    createFileSystemRepresentation(pair);
    createFileSystemRepresentationAndAppendExtension(pairs, u"txt");
    EXPECT_EQ(pair, QString(247, u'a'));
    EXPECT_EQ(pairs, makeText(u"\U0001F600"sv).repeated(61) + ".txt");
}

TEST(PathsTest, MatchingExtensions) {
    const QStringList list{u"txt"_s, u"'TEXT'"_s, u"MD"_s};
    const std::tuple<std::u16string_view, QStringList, bool> rows[] = {{u"/a/b.TXT"sv, list, true},
                                                                       {u"b.mdx"sv, list, false},
                                                                       {u"TEXT"sv, list, false},
                                                                       {u""sv, {u""_s}, false}};
    for (const auto &[path, extensions, expected] : rows) {
        EXPECT_EQ(pathMatchingExtensions(makeText(path), extensions), expected) << quoted(path);
        EXPECT_EQ(pathMatchingExtensionsOrTypes(makeText(path), extensions), expected);
    }
}
