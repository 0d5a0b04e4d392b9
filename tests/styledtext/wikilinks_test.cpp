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

TEST_F(WikiLinksTest, StringURLsSkipOneWebPrefixAndTestPrefixesCaseSensitively) {
    const struct {
        const char16_t *s, *any, *old; // expected results
    } rows[] = {
        {u"x-quillmoor://Page/sub", u"x-quillmoor://Page/sub", nullptr},
        {u"http://x-quillmoor://Page", u"x-quillmoor://Page", nullptr},
        {u"http://Quillmoor_Start", u"Quillmoor_Start", u"Quillmoor_Start"},
        {u"HTTP://Quillmoor_Start", nullptr, nullptr},
        {u"http://http://Quillmoor", nullptr, nullptr},
        {nullptr, nullptr, nullptr},
    };
    for (const auto &r : rows) {
        const QString s = text(r.s), any = isQuillmoorStringURL(s),
                      old = isOldQuillmoorStringURL(s);
        SCOPED_TRACE(s.toStdString());
        EXPECT_TRUE(any == text(r.any) && any.isNull() == !r.any);
        EXPECT_TRUE(old == text(r.old) && old.isNull() == !r.old);
        if (!any.isNull() && any.size() == s.size()) { // no web prefix: the receiver itself
            EXPECT_EQ(any.constData(), s.constData());
        }
    }
}

TEST_F(WikiLinksTest, PageNames) {
    const struct {
        const char16_t *s, *id;
    } rows[] = {
        {u"x-quillmoor://Page/sub", u"Page"},
        {u"Quillmoor_Start/x?y", u"Start"},
        {u"a_b:c", u"c"}, // ":" wins over an earlier "_"
        {u"x:\U0001F600/y", u"\U0001F600"},
        {u"NoSeparators", nullptr},
        {u"Quillmoor_", nullptr},
        {nullptr, nullptr},
    };
    for (const auto &r : rows) {
        const QString id = quillmoorID(text(r.s));
        EXPECT_TRUE(id == text(r.id) && id.isNull() == !r.id) << text(r.s).toStdString();
    }
    EXPECT_EQ(quillmoorID(QStringView(u"x:a\0b/c", 7)), QStringView(u"a\0b", 3));
}

TEST_F(WikiLinksTest, SchemeIsProcessWideAndNullRestoresTheDefault) {
    EXPECT_EQ(quillmoorScheme(), u"x-quillmoor");
    const struct {
        QString scheme; // set before the checks
        const char *url;
        bool isWiki;
        const char16_t *s, *any;
    } rows[] = {
        {QString(), "x-quillmoor://Page", true, u"wiki://P", nullptr},
        // URLs come with their scheme in lower case: only the stored one can differ.
        {"WiKi", "wiki:Page", true, u"WiKi:P", u"WiKi:P"},
        {"wiki", "wikis:Page", false, u"Quillmoor_P", u"Quillmoor_P"},
        // An empty scheme matches nothing, not even URLs without a scheme.
        {"", "relative/path", false, u"anything", nullptr},
        {QString(), "relative/path", false, u"x-quillmoor", u"x-quillmoor"},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.url);
        setQuillmoorScheme(r.scheme);
        EXPECT_EQ(quillmoorScheme(), r.scheme.isNull() ? QString("x-quillmoor") : r.scheme);
        EXPECT_EQ(isQuillmoorURL(QUrl(QString::fromUtf8(r.url))), r.isWiki);
        EXPECT_EQ(isQuillmoorStringURL(text(r.s)), text(r.any));
    }
    EXPECT_FALSE(isQuillmoorURL(QUrl()));
}

} // namespace
