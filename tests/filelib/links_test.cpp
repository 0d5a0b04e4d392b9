#include "filelib/links.h"

#include "../textlib/texttesting.h"
#include "filetesting.h"

using namespace std::literals;
using namespace filelib;
using namespace Qt::StringLiterals;

TEST_F(LinkTree, ResolvesLinksOfPaths) {
    const std::pair<QString, QString> rows[] = {
        {u"/rel/./sub/../sub/"_s, u"/real/sub"_s},
        {u"/real/sub/up/rel"_s, u"/real"_s},
        {u"/loop2/../rel"_s, u"/rel"_s} // a loop leaves the text as it was
    };
    for (const auto &[path, expected] : rows)
        EXPECT_EQ(stringByResolvingLinksInPath(root + path), root + expected) << quoted(path);
    const std::pair<std::u16string_view, std::u16string_view> edges[] = {
        {u"/..", u"/"}, {u"a/../b/", u"b"}, {u"./", u"."}, {{}, {}}};
    for (const auto &[path, expected] : edges) {
        expectText(makeText(path), stringByResolvingLinkOfPath(makeText(path)), expected);
        expectText(makeText(path), stringByResolvingLinksInPath(makeText(path)), expected);
    }
    EXPECT_EQ(stringByResolvingLinksInPath(u"~/."_s),
              stringByResolvingLinksInPath(QDir::homePath()));
}
