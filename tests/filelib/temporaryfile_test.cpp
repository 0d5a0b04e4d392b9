#include "filelib/temporaryfile.h"

#include "filetesting.h"

using namespace filelib;

using TemporaryFileTest = TempFolderTest;

TEST_F(TemporaryFileTest, MovingHandsThePathOn) {
    const QString a = put("a"), b = put("b");
    auto owner = TemporaryFile::temporaryFileWithPath(a);
    {
        TemporaryFile moved(std::move(*owner));
        EXPECT_TRUE(owner->path().isNull());
        TemporaryFile other(b);
        other = std::move(moved);
        EXPECT_FALSE(there("b"));
        EXPECT_TRUE(there("a"));
        EXPECT_EQ(other.path(), a);
    }
    EXPECT_FALSE(there("a"));
    put("a");
    owner.reset();
    EXPECT_TRUE(there("a"));
}

// Through a trailing slash the system would reach the link's target.
TEST_F(TemporaryFileTest, RemovesALinkNotItsTarget) {
    put("d/x");
    ASSERT_TRUE(QFile::link(p("d"), p("l")));
    TemporaryFile(p("l/"));
    EXPECT_TRUE(there("d/x"));
    EXPECT_FALSE(there("l"));
}
