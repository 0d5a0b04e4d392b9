#include "filelib/links.h"

#include "../textlib/texttesting.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

using namespace filelib;
using namespace Qt::StringLiterals;

namespace {

class LinksTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp.isValid());
        root = QFileInfo(tmp.path()).canonicalFilePath();
        ASSERT_TRUE(QDir(root).mkpath(u"real/sub"_s));
        link("real", "rel");
        link(QFile::encodeName(root + u"/real/sub"_s).constData(), "abs");
        link("loop2", "loop1");
        link("loop1", "loop2");
        link("missing", "dangling");
        link("../..", "real/sub/up");
    }
    void link(const char *target, const char *name) {
        ASSERT_EQ(symlink(target, QFile::encodeName(root + u'/' + QString::fromUtf8(name))), 0)
            << name;
    }
    QTemporaryDir tmp;
    QString root;
};

TEST_F(LinksTest, ResolvesLinks) {
    const struct {
        QString path, link, links; // input below root; results of each function below root
    } rows[] = {
        {u"/rel/./sub/../sub/"_s, u"/real/sub"_s, u"/real/sub"_s},
        {u"/abs/../x"_s, u"/real/x"_s, u"/real/x"_s},
        {u"/real/sub/up/rel"_s, u"/real"_s, u"/real"_s},
        {u"/dangling"_s, u"/missing"_s, u"/missing"_s},
        {u"/loop2/../rel"_s, u"/rel"_s, u"/rel"_s}, // a loop leaves the text as it was
    };
    for (const auto &r : rows) {
        EXPECT_EQ(stringByResolvingLinkOfPath(root + r.path), root + r.link)
            << r.path.toStdString();
        EXPECT_EQ(stringByResolvingLinksInPath(root + r.path), root + r.links)
            << r.path.toStdString();
    }
}

TEST_F(LinksTest, Edges) {
    const QString plain = root + u"/real/sub"_s;
    EXPECT_EQ(stringByResolvingLinkOfPath(plain).constData(), plain.constData());
    EXPECT_EQ(stringByResolvingLinksInPath(plain).constData(), plain.constData());
    const struct {
        std::u16string_view path, link, links;
    } rows[] = {
        {u"/", u"/", u"/"},  {u"/..", u"/", u"/"}, {u"a/../b/", u"b", u"b"},
        {u"./", u".", u"."}, {u"", u"", u""},      {{}, {}, {}},
    };
    for (const auto &r : rows) {
        const QString path = makeText(r.path);
        expectText(path, stringByResolvingLinkOfPath(path), r.link);
        expectText(path, stringByResolvingLinksInPath(path), r.links);
    }
    EXPECT_EQ(stringByResolvingLinksInPath(u"~/."_s),
              stringByResolvingLinksInPath(QDir::homePath()));
}

} // namespace
