#include "filelib/listing.h"
#include "filelib/wildcard.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string_view>

using namespace filelib;
using namespace std::literals;

namespace {

struct WildcardRow {
    std::u16string_view name, pattern;
    bool expected;
};

QString text(std::u16string_view s) {
    return s.data() ? QString(reinterpret_cast<const QChar *>(s.data()), qsizetype(s.size()))
                    : QString();
}

TEST(Wildcard, MatchesWholeNamesIgnoringCase) {
    const WildcardRow rows[] = {
        {u""sv, u""sv, true},
        {{}, {}, true},
        {u"a"sv, {}, false},
        {{}, u"*"sv, true},
        {u""sv, u"?"sv, false},
        {u"Report.TXT"sv, u"*.txt"sv, true},
        {u"report.txt"sv, u"R?PORT.*"sv, true},
        {u"report.txt"sv, u"report"sv, false},
        {u"ac"sv, u"a*c"sv, true},
        {u"ab"sv, u"a*c"sv, false},
        {u"abcbc"sv, u"*bc"sv, true},
        {u"abcb"sv, u"*bc"sv, false},
        {u"x"sv, u"***"sv, true},
        {u"abab"sv, u"*ab*ab"sv, true},
        {u"a\0b"sv, u"a?b"sv, true},
        {u"\u00E9t\u00C9"sv, u"\u00C9T\u00E9"sv, true},
        {u"\u00DF"sv, u"SS"sv, false},
        {u"\U0001F600"sv, u"?"sv, false},
        {u"\U0001F600"sv, u"??"sv, true},
        {u"a.b"sv, u"a\\.b"sv, false},
        // Backtracking over every star would take ages here; the answer must still come.
        {u"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"sv,
         u"*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*b"sv, false},
        {u"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaab"sv,
         u"*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*b"sv, true},
    };
    for (const WildcardRow &r : rows)
        EXPECT_EQ(isCaseInsensitiveLikeWildcard(text(r.name), text(r.pattern)), r.expected)
            << QString(text(r.name)).toStdString() << " ~ " << text(r.pattern).toStdString();
}

class ListingTest : public testing::Test {
protected:
    void SetUp() override {
        for (const char *name :
             {"a.TXT", "b.txt", ".hidden", "c.md", "noext", "dot.", "sub.txt/x"}) {
            QDir().mkpath(QFileInfo(dir.filePath(name)).path());
            QFile f(dir.filePath(name));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        }
    }
    QStringList paths(std::initializer_list<const char *> names) const {
        QStringList list;
        for (const char *name : names)
            list.append(dir.filePath(name));
        return list;
    }
    QTemporaryDir dir;
};

QStringList sorted(QStringList list) {
    list.sort();
    return list;
}

TEST_F(ListingTest, FiltersEntries) {
    const QStringList txt = paths({"a.TXT", "b.txt", "sub.txt"});
    struct {
        QStringList result, expected;
    } rows[] = {
        {pathsAtPath(dir.path()),
         paths({".hidden", "a.TXT", "b.txt", "c.md", "dot.", "noext", "sub.txt"})},
        {pathsAtPath(dir.path() + "/"),
         paths({".hidden", "a.TXT", "b.txt", "c.md", "dot.", "noext", "sub.txt"})},
        {pathsAtPathMatchingExtension(dir.path(), "txt"), txt},
        {pathsAtPathMatchingExtension(dir.path(), "TxT"), txt},
        {pathsAtPathMatchingExtension(dir.path(), ""), paths({".hidden", "dot.", "noext"})},
        {pathsAtPathMatchingExtension(dir.path(), QString()), {}},
        {pathsAtPathMatchingExtension(dir.path(), ".txt"), {}},
        {pathsAtPathMatchingWildcard(dir.path(), "*.T?T"), txt},
        {pathsAtPathMatchingWildcard(dir.path(), "?o*"), paths({"dot.", "noext"})},
        {pathsAtPathMatchingWildcard(dir.path(), ""), {}},
        {pathsAtPathMatchingWildcard(dir.path(), QString()), {}},
        {pathsAtPathMatchingWildcard(dir.filePath("missing"), "*"), {}},
        {pathsAtPath(QString()), {}},
    };
    for (const auto &r : rows)
        EXPECT_EQ(sorted(r.result), r.expected);
}

TEST_F(ListingTest, ReportsWhyNothingCameBack) {
    QString error = "stale";
    EXPECT_EQ(pathsAtPath(dir.filePath("sub.txt"), &error).size(), 1);
    EXPECT_TRUE(error.isNull());
    for (const QString &folder : {dir.filePath("missing"), dir.filePath("b.txt"), QString()}) {
        EXPECT_TRUE(pathsAtPath(folder, &error).isEmpty());
        EXPECT_FALSE(error.isEmpty()) << folder.toStdString();
    }
}

} // namespace
