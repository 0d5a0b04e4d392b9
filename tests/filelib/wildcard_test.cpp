#include "filelib/wildcard.h"

#include "../textlib/texttesting.h"

#include <string_view>
#include <tuple>

using namespace filelib;
using namespace std::literals;

TEST(Wildcard, MatchesWholeNamesIgnoringCase) {
    const std::tuple<std::u16string_view, std::u16string_view, bool> rows[] = {
        {{}, u"*"sv, true},
        {u"a"sv, {}, false},
        {u"report.txt"sv, u"R?PORT.*"sv, true},
        {u"abcbc"sv, u"*bc"sv, true},
        {u"a\0b"sv, u"a?b"sv, true},
        {u"\U0001F600"sv, u"??"sv, true},
        {u"a.b"sv, u"a\\.b"sv, false}}; // no escapes
    for (const auto &[name, pattern, expected] : rows)
        EXPECT_EQ(isCaseInsensitiveLikeWildcard(makeText(name), makeText(pattern)), expected)
            << quoted(name) << " ~ " << quoted(pattern);
    // Backtracking over every star would take ages here; the answer must still come.
    const QString as(64, u'a'), stars = QString("*a").repeated(15) + "*b";
    EXPECT_FALSE(isCaseInsensitiveLikeWildcard(as, stars));
    EXPECT_TRUE(isCaseInsensitiveLikeWildcard(as + "b", stars));
}
