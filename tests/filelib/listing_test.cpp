#include "filelib/listing.h"

#include "filetesting.h"

using namespace filelib;

struct ListingTest : TempFolderTest {
    void SetUp() override {
        for (const char *name : {"a.TXT", "b.txt", ".hidden", "c.md", "noext", "dot.", "sub.txt/x"})
            put(name);
    }
    QStringList paths(QStringList names) const {
        for (QString &name : names)
            name = p(name);
        return names;
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
    // A NUL would cut the name short, here to a folder that exists.
    for (const QString &folder : {p("missing"), p("b.txt"), p("sub.txt") + QChar(0)}) {
        EXPECT_TRUE(pathsAtPath(folder, &error).isEmpty());
        EXPECT_FALSE(error.isEmpty()) << folder.toStdString();
    }
}
