#include "filelib/listing.h"
#include "filelib/wildcard.h"

#include "../textlib/texttesting.h"
#include "filetesting.h"

#include <string_view>
#include <tuple>

using namespace filelib;
using namespace std::literals;

namespace {

constexpr std::u16string_view null; // stands for the null QString

TEST(Wildcard, MatchesWholeNamesIgnoringCase) {
    const QString as = QString(64, u'a');
    const std::tuple<std::u16string_view, std::u16string_view, bool> rows[] = {
        {u""sv, u""sv, true},
        {null, u"*"sv, true},
        {u"a"sv, null, false},
        {u""sv, u"?"sv, false},
        {u"report.txt"sv, u"R?PORT.*"sv, true},
        {u"abcbc"sv, u"*bc"sv, true},
        {u"abab"sv, u"*ab*ab"sv, true},
        {u"a\0b"sv, u"a?b"sv, true},
        {u"\u00E9t\u00C9"sv, u"\u00C9T\u00E9"sv, true},
        {u"\U0001F600"sv, u"??"sv, true},
        {u"a.b"sv, u"a\\.b"sv, false}};
    for (const auto &[name, pattern, expected] : rows)
        EXPECT_EQ(isCaseInsensitiveLikeWildcard(makeText(name), makeText(pattern)), expected)
            << quoted(name) << " ~ " << quoted(pattern);
    // Backtracking over every star would take ages here; the answer must still come.
    const QString stars = QString("*a").repeated(15) + "*b";
    EXPECT_FALSE(isCaseInsensitiveLikeWildcard(as, stars));
    EXPECT_TRUE(isCaseInsensitiveLikeWildcard(as + "b", stars));
}

class ListingTest : public TempFolderTest {
protected:
    void SetUp() override {
        for (const char *name : {"a.TXT", "b.txt", ".hidden", "c.md", "noext", "dot.", "sub.txt/x"})
            put(name);
    }
    QStringList paths(std::initializer_list<const char *> names) const {
        QStringList list;
        for (const char *name : names)
            list.append(p(name));
        return list;
    }
};

TEST_F(ListingTest, FiltersEntries) {
    const QStringList txt = paths({"a.TXT", "b.txt", "sub.txt"});
    const std::pair<QStringList, QStringList> rows[] = {
        {pathsAtPath(dir.path() + "/"),
         paths({".hidden", "a.TXT", "b.txt", "c.md", "dot.", "noext", "sub.txt"})},
        {pathsAtPathMatchingExtension(dir.path(), "TxT"), txt},
        {pathsAtPathMatchingExtension(dir.path(), ""), paths({".hidden", "dot.", "noext"})},
        {pathsAtPathMatchingExtension(dir.path(), QString()), {}},
        {pathsAtPathMatchingWildcard(dir.path(), "*.T?T"), txt},
        {pathsAtPathMatchingWildcard(p("missing"), "*"), {}}};
    for (auto [result, expected] : rows) {
        result.sort();
        EXPECT_EQ(result, expected);
    }
}

TEST_F(ListingTest, ReportsWhyNothingCameBack) {
    QString error = "stale";
    EXPECT_EQ(pathsAtPath(p("sub.txt"), &error).size(), 1);
    EXPECT_TRUE(error.isNull());
    for (const QString &folder : {p("missing"), p("b.txt"), QString()}) {
        EXPECT_TRUE(pathsAtPath(folder, &error).isEmpty());
        EXPECT_FALSE(error.isEmpty()) << folder.toStdString();
    }
}

} // namespace
