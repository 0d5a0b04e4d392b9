#include "styledtesting.h"

#include "styledtext/layoutmanager.h"
#include "styledtext/querysearch.h"

#include "textlib/charactersets.h"

#include <limits>
#include <string_view>

namespace {

using namespace std::literals;
using textlib::NotFound;
using textlib::Range;
constexpr qsizetype huge = std::numeric_limits<qsizetype>::max();
const Range none{NotFound, 0}, all{0, huge};
constexpr auto cs = Qt::CaseSensitive, ci = Qt::CaseInsensitive;

// The temporary runs as "start+length:names" pieces, names as letters (b background, f
// foreground, u underline), walked through the effective ranges.
QString describe(const LayoutManager &manager) {
    QStringList pieces;
    for (qsizetype i = 0, start = -1, length = -1; i < manager.text().length(); i += length) {
        const AttributeDictionary d =
            manager.temporaryAttributesAtCharacterIndex(i, &start, &length);
        if (start != i || length <= 0)
            return QStringLiteral("bad run at %1").arg(i);
        pieces << QStringLiteral("%1+%2:%3%4%5")
                      .arg(start)
                      .arg(length)
                      .arg(d.contains(Attribute::BackgroundColor) ? "b" : "")
                      .arg(d.contains(Attribute::ForegroundColor) ? "f" : "")
                      .arg(d.contains(Attribute::UnderlineStyle) ? "u" : "");
    }
    return pieces.join(u' ');
}

const AttributeDictionary background{{Attribute::BackgroundColor, QColor(Qt::yellow)}};
const AttributeDictionary foreground{{Attribute::ForegroundColor, QColor(Qt::red)}};
const AttributeDictionary both = {{Attribute::BackgroundColor, QColor(Qt::yellow)},
                                  {Attribute::ForegroundColor, QColor(Qt::red)}};
// An invalid value: override removes, add ignores, set leaves out.
const AttributeDictionary noBackground{{Attribute::BackgroundColor, QVariant()},
                                       {Attribute::UnderlineStyle, 1}};

TEST(LayoutManagerTest, ChangesKeepRunsJoinedAndClipped) {
    using Change = void (LayoutManager::*)(const AttributeDictionary &, qsizetype, qsizetype);
    const Change Set = &LayoutManager::setTemporaryAttributes,
                 Add = &LayoutManager::addTemporaryAttributes,
                 Override = &LayoutManager::overrideTemporaryAttributes, Remove = nullptr;
    struct Step {
        Change change;
        AttributeDictionary attributes;
        qsizetype location, length;
    };
    const struct {
        std::initializer_list<Step> steps;
        const char *expected;
    } cases[] = {
        {{{Override, background, 2, 3}}, "0+2: 2+3:b 5+5:"},
        // Equal neighbours join into one effective range.
        {{{Add, background, 2, 3}, {Add, background, 5, 2}}, "0+2: 2+5:b 7+3:"},
        {{{Add, background, 0, 10}, {Add, foreground, 3, 2}}, "0+3:b 3+2:bf 5+5:b"},
        {{{Add, both, 0, 10}, {Remove, both, 3, 2}}, "0+3:bf 3+2: 5+5:bf"},
        {{{Add, background, 0, 10}, {Override, noBackground, 4, 2}}, "0+4:b 4+2:u 6+4:b"},
        {{{Add, background, 0, 10}, {Add, noBackground, 4, 2}}, "0+4:b 4+2:bu 6+4:b"},
        {{{Add, background, 0, 10}, {Set, noBackground, 4, 2}}, "0+4:b 4+2:u 6+4:b"},
        {{{Add, background, 0, 10}, {Set, {}, 0, 10}}, "0+10:"},
        // Ranges outside the text are clipped; empty and negative ones change nothing.
        {{{Add, background, -3, 5}}, "0+2:b 2+8:"},
        {{{Add, background, 8, huge}}, "0+8: 8+2:b"},
        {{{Add, background, huge, 5}, {Add, background, 3, 0}, {Add, background, 3, -2}}, "0+10:"},
        {{{Add, background, -huge, huge}}, "0+10:"},
    };
    const AttributedString s(QStringLiteral("0123456789"));
    for (const auto &c : cases) {
        LayoutManager manager(s);
        for (const Step &step : c.steps) {
            if (step.change)
                (manager.*step.change)(step.attributes, step.location, step.length);
            for (Attribute name : step.change ? QList<Attribute>() : step.attributes.keys())
                manager.removeTemporaryAttribute(name, step.location, step.length);
        }
        EXPECT_EQ(describe(manager), QString::fromLatin1(c.expected)) << c.expected;
    }
}

TEST(LayoutManagerTest, RunsFollowTheTextsLength) {
    AttributedString s(QStringLiteral("0123456789"));
    LayoutManager manager(s);
    manager.addTemporaryAttributes(background, 6, 4);
    s.replaceCharacters(7, 3, QString());
    EXPECT_EQ(describe(manager), "0+6: 6+1:b");
    s.appendString(QStringLiteral("abc"));
    EXPECT_EQ(describe(manager), "0+6: 6+1:b 7+3:");
    s.replaceCharacters(0, s.length(), QString());
    EXPECT_EQ(describe(manager), "");
    manager.addTemporaryAttributes(background, 0, 5); // nothing to mark
    s.appendString(QStringLiteral("xy"));
    EXPECT_EQ(describe(manager), "0+2:");
    EXPECT_EQ(&manager.text(), &s);
}

TEST(LayoutManagerTest, IndexesOutsideTheTextHaveNoAttributes) {
    const AttributedString s(QStringLiteral("abc"));
    LayoutManager manager(s);
    manager.addTemporaryAttributes(background, 0, 3);
    EXPECT_EQ(manager.temporaryAttributesAtCharacterIndex(2), background);
    for (qsizetype index : {qsizetype(-1), qsizetype(3), huge, -huge}) {
        qsizetype start = 0, length = 7;
        EXPECT_TRUE(manager.temporaryAttributesAtCharacterIndex(index, &start, &length).isEmpty());
        EXPECT_EQ(std::pair(start, length), std::pair(NotFound, qsizetype(0)));
    }
}

TEST(QuerySearchTest, WordSeparators) {
    // White space, controls, punctuation, symbols; not letters, marks, digits, surrogates or
    // private use.
    for (char16_t c : u" \0\n\x7F._+$*?\u00A0\u2014\uFFFC"sv)
        EXPECT_TRUE(textlib::isMember(defaultWordSeparators(), c)) << std::hex << unsigned(c);
    for (char16_t c : u"aZ5\u00E9\u0301\u65E5\xD83D\xDE00\uE000"sv)
        EXPECT_FALSE(textlib::isMember(defaultWordSeparators(), c)) << std::hex << unsigned(c);
}

TEST(QuerySearchTest, FindNextQueryTerm) {
    constexpr Anchored A = Anchored::Yes, a = Anchored::No;
    constexpr ExactPhrase P = ExactPhrase::Yes, p = ExactPhrase::No;
    const struct {
        QStringList terms;
        std::u16string_view characters;
        Range range;
        Qt::CaseSensitivity cs;
        Anchored anchored;
        ExactPhrase phrase;
        Range expected;
    } cases[] = {
        {{"FOO"}, u"a foo", all, cs, a, p, none},
        {{"FOO"}, u"a foo", all, ci, a, p, {2, 3}},
        {{u16(u"\u00C4RGER")}, u"\u00E4rger", all, ci, a, p, {0, 5}},
        {{"STRASSE"}, u"stra\u00DFe", all, ci, a, p, none}, // unit by unit: no full folding
        // Leftmost hit of any term; the longest where several start together.
        {{"bar", "foo"}, u"foo bar", all, cs, a, p, {0, 3}},
        {{"o", "foo", "fo"}, u"foo", all, cs, a, p, {0, 3}},
        {{"a b"}, u"a  b a b", all, cs, a, p, {5, 3}}, // literal without ExactPhrase
        {{QString(), "", "x"}, u"abx", all, cs, a, p, {2, 1}},
        // Anchored: only at word starts, judged on all the characters.
        {{"oo"}, u"foo oops", all, cs, A, p, {4, 2}},
        {{"oo"}, u"foo", {1, 2}, cs, A, p, none},
        {{"#tag"}, u"x #tag", all, cs, A, p, {2, 4}},
        // Exact phrase: words in order, gaps of any white run.
        {{"hello world"}, u"say hello \n\t world!", all, cs, a, P, {4, 14}},
        {{"hello", "world"}, u"helloworld hello world", all, cs, a, P, {11, 11}},
        {{" hello  ", "WORLD"}, u"Hello World", all, ci, a, P, {0, 11}},
        {{"hello", "world"}, u"hello\0world"sv, all, cs, a, P, {0, 11}},
        {{"hello world"}, u"xhello world", all, cs, A, P, none},
        {{"hello world"}, u"hello world", {0, 10}, cs, a, P, none},
        {{" ", "\t"}, u"a b", all, cs, a, P, none},
        // Bad input.
        {{"", QString()}, u"abc", all, cs, a, p, none},
        {{"a"}, {}, all, cs, a, p, none},
        {{"a"}, u"abc", {-5, 6}, cs, a, p, {0, 1}},
        {{"a"}, u"abc", {0, -1}, cs, a, p, none},
        {{"a"}, u"abc", {huge, 1}, cs, a, p, none},
        {{"a"}, u"abc", {-huge, huge}, cs, a, p, none},
        {{u16(u"a\0b"sv)}, u"xa\0b"sv, all, cs, a, p, {1, 3}},
        // Never half a surrogate pair.
        {{u16(u"\xDE00")}, u"\U0001F600", all, cs, a, p, none},
        {{u16(u"\xD83D")}, u"\U0001F600", all, cs, a, p, none},
        {{u16(u"\xD83D")}, u"\xD83Dx", all, cs, a, p, {0, 1}},
    };
    for (const auto &c : cases) {
        const QString characters = u16(c.characters);
        EXPECT_EQ(findNextQueryTerm(c.terms, characters, c.range, c.cs, c.anchored, c.phrase),
                  c.expected)
            << c.terms.join(u'|').toStdString() << " in " << characters.toStdString();
    }
}

TEST(QuerySearchTest, RangeOfNextWildcard) {
    const struct {
        QStringList patterns;
        std::u16string_view characters;
        Range range;
        Qt::CaseSensitivity cs;
        qsizetype minCharacters;
        Range expected;
    } cases[] = {
        {{"f*o"}, u"a fooo b", all, cs, 0, {2, 4}},
        {{"*"}, u"a bb ccc", all, cs, 3, {5, 3}},
        {{"*"}, u"a bb", all, cs, -4, {0, 1}},
        {{"a*b*c"}, u"axxbyyc", all, cs, 0, {0, 7}},
        {{"a*b"}, u"abab abba", all, cs, 0, {0, 4}},
        {{"*b"}, u"abba", all, cs, 0, none},
        {{"F*"}, u"foo", all, ci, 0, {0, 3}},
        {{"x", "b*"}, u"a bc x", all, cs, 0, {2, 2}},
        // Words wholly inside the range, judged on all the characters.
        {{"bar"}, u"foobar bar", {3, 7}, cs, 0, {7, 3}},
        {{"foo*"}, u"foobar", {0, 3}, cs, 0, none},
        {{"*"}, u"ab, cd", {2, huge}, cs, 0, {4, 2}},
        // A character outside the BMP is two units.
        {{"?"}, u"\U0001F600", all, cs, 0, none},
        {{"??"}, u"\U0001F600", all, cs, 0, {0, 2}},
        // Bad input.
        {{"", QString()}, u"abc", all, cs, 0, none},
        {{"*"}, {}, all, cs, 0, none},
        {{"*"}, u"  ..  ", all, cs, 0, none},
        {{"*"}, u"abc", {huge, huge}, cs, 0, none},
        {{"*"}, u"abc", {1, -1}, cs, 0, none},
        {{"*"}, u"ab\0cd"sv, all, cs, 3, none},
    };
    for (const auto &c : cases) {
        const QString characters = u16(c.characters);
        EXPECT_EQ(rangeOfNextWildcard(c.patterns, characters, c.range, c.cs, c.minCharacters),
                  c.expected)
            << c.patterns.join(u'|').toStdString() << " in " << characters.toStdString();
    }
}

} // namespace
