#include "styledtext/wikilinks.h"

#include "styledtesting.h"

namespace {

// Rows spell null as nullptr.
QString text(const char16_t *s) {
    return s ? QString::fromUtf16(s) : QString();
}

// The scheme is process-wide: every test leaves the default behind.
class WikiLinksTest : public testing::Test {
protected:
    void TearDown() override { setQuillmoorScheme(QString()); }
};

// One web prefix is skipped and prefixes are case-sensitive; the scheme set last counts, an empty
// one matches nothing and null restores the default. URLs come with their scheme in lower case.
TEST_F(WikiLinksTest, StringURLsAndURLsFollowTheScheme) {
    const std::tuple<const char16_t *, const char16_t *, const char16_t *, const char16_t *,
                     const char *, bool>
        rows[] = {
            {nullptr, u"http://x-quillmoor://Page", u"x-quillmoor://Page", nullptr, "x-quillmoor:P",
             true},
            {nullptr, u"http://Quillmoor_Start", u"Quillmoor_Start", u"Quillmoor_Start", "wiki:P",
             false},
            {nullptr, u"HTTP://Quillmoor_Start", nullptr, nullptr, "", false},
            {u"WiKi", u"WiKi:P", u"WiKi:P", nullptr, "wiki:Page", true},
            {u"", u"anything", nullptr, nullptr, "relative/path", false},
            {nullptr, nullptr, nullptr, nullptr, "relative/path", false},
        };
    for (const auto &[scheme, units, any, old, url, isWiki] : rows) {
        const QString s = text(units);
        SCOPED_TRACE(s.toStdString());
        setQuillmoorScheme(text(scheme));
        EXPECT_EQ(quillmoorScheme(), scheme ? text(scheme) : QString("x-quillmoor"));
        const QString found = isQuillmoorStringURL(s), oldFound = isOldQuillmoorStringURL(s);
        EXPECT_TRUE(found == text(any) && found.isNull() == !any);
        EXPECT_TRUE(oldFound == text(old) && oldFound.isNull() == !old);
        EXPECT_EQ(isQuillmoorURL(QUrl(QString::fromUtf8(url))), isWiki);
    }
}

TEST_F(WikiLinksTest, PageNames) {
    const std::tuple<const char16_t *, const char16_t *> rows[] = {
        {u"x-quillmoor://Page/sub", u"Page"},
        {u"Quillmoor_Start/x?y", u"Start"},
        {u"a_b:c", u"c"}, // ":" wins over an earlier "_"
        {u"NoSeparators", nullptr},
        {u"Quillmoor_", nullptr},
        {nullptr, nullptr},
    };
    for (const auto &[s, expected] : rows) {
        const QString id = quillmoorID(text(s));
        EXPECT_TRUE(id == text(expected) && id.isNull() == !expected) << text(s).toStdString();
    }
    EXPECT_EQ(quillmoorID(QStringView(u"x:a\0b/c", 7)), QStringView(u"a\0b", 3));
}

} // namespace
