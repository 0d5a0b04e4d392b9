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
const Range none{NotFound, 0};

QString text(std::u16string_view units) {
    return QString(reinterpret_cast<const QChar *>(units.data()), qsizetype(units.size()));
}

// The temporary runs as "start+length:names" pieces, names as letters (b background, f
// foreground, u underline, c cursor), walked through the effective ranges.
QString describe(const LayoutManager &manager) {
    QStringList pieces;
    for (qsizetype i = 0; i < manager.text().length();) {
        qsizetype start = -1, length = -1;
        const AttributeDictionary d =
            manager.temporaryAttributesAtCharacterIndex(i, &start, &length);
        if (start != i || length <= 0)
            return QStringLiteral("bad run at %1").arg(i);
        QString names;
        static const std::pair<Attribute, char16_t> letters[] = {{Attribute::BackgroundColor, u'b'},
                                                                 {Attribute::ForegroundColor, u'f'},
                                                                 {Attribute::UnderlineStyle, u'u'},
                                                                 {Attribute::Cursor, u'c'}};
        for (const auto &[name, letter] : letters) {
            if (d.contains(name))
                names += QChar(letter);
        }
        pieces << QStringLiteral("%1+%2:%3").arg(start).arg(length).arg(names);
        i += length;
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
    enum Op { Set, Add, Override, Remove };
    struct Step {
        Op op;
        AttributeDictionary attributes;
        qsizetype location, length;
    };
    struct {
        std::initializer_list<Step> steps;
        const char *expected;
    } cases[] = {
        {{}, "0+10:"},
        {{{Override, background, 2, 3}}, "0+2: 2+3:b 5+5:"},
        // Equal neighbours join into one effective range.
        {{{Add, background, 2, 3}, {Add, background, 5, 2}}, "0+2: 2+5:b 7+3:"},
        {{{Add, background, 0, 10}, {Add, foreground, 3, 2}}, "0+3:b 3+2:bf 5+5:b"},
        {{{Add, both, 0, 10}, {Remove, both, 3, 2}}, "0+3:bf 3+2: 5+5:bf"},
        {{{Add, both, 0, 10}, {Set, foreground, 3, 2}}, "0+3:bf 3+2:f 5+5:bf"},
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
            switch (step.op) {
            case Set:
                manager.setTemporaryAttributes(step.attributes, step.location, step.length);
                break;
            case Add:
                manager.addTemporaryAttributes(step.attributes, step.location, step.length);
                break;
            case Override:
                manager.overrideTemporaryAttributes(step.attributes, step.location, step.length);
                break;
            case Remove:
                for (Attribute name : step.attributes.keys())
                    manager.removeTemporaryAttribute(name, step.location, step.length);
                break;
            }
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
    for (qsizetype index : {qsizetype(-1), qsizetype(3), huge, -huge}) {
        qsizetype start = 0, length = 7;
        EXPECT_TRUE(manager.temporaryAttributesAtCharacterIndex(index, &start, &length).isEmpty());
        EXPECT_EQ(start, NotFound);
        EXPECT_EQ(length, 0);
    }
    EXPECT_EQ(manager.temporaryAttributesAtCharacterIndex(2), background);
    const AttributedString empty;
    EXPECT_TRUE(LayoutManager(empty).temporaryAttributesAtCharacterIndex(0).isEmpty());
}

TEST(QuerySearchTest, WordSeparators) {
    struct {
        char16_t unit;
        bool separator;
    } cases[] = {
        {u' ', true},       {u'\0', true},      {u'\n', true},      {u'\x7F', true},
        {u'.', true},       {u'_', true},       {u'+', true},       {u'$', true},
        {u'*', true},       {u'?', true},       {u'\u00A0', true},  {u'\u2014', true},
        {u'\uFFFC', true},  {u'a', false},      {u'Z', false},      {u'5', false},
        {u'\u00E9', false}, {u'\u0301', false}, {u'\u65E5', false}, {u'\xD83D', false},
        {u'\xDE00', false}, {u'\uE000', false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(textlib::isMember(defaultWordSeparators(), c.unit), c.separator)
            << std::hex << unsigned(c.unit);
    EXPECT_EQ(defaultWordSeparators(), defaultWordSeparators());
}

TEST(QuerySearchTest, FindNextQueryTerm) {
    using CS = Qt::CaseSensitivity;
    constexpr CS cs = Qt::CaseSensitive, ci = Qt::CaseInsensitive;
    constexpr Anchored A = Anchored::Yes, a = Anchored::No;
    constexpr ExactPhrase P = ExactPhrase::Yes, p = ExactPhrase::No;
    const Range all{0, huge};
    struct {
        QStringList terms;
        std::u16string_view characters;
        Range range;
        CS cs;
        Anchored anchored;
        ExactPhrase phrase;
        Range expected;
    } cases[] = {
        {{"foo"}, u"a foo b", all, cs, a, p, {2, 3}},
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
        {{"oo"}, u"f.oo", all, cs, A, p, {2, 2}},
        {{"#tag"}, u"x #tag", all, cs, A, p, {2, 4}},
        // Exact phrase: words in order, gaps of any white run.
        {{"hello world"}, u"say hello \n\t world!", all, cs, a, P, {4, 14}},
        {{"hello", "world"}, u"helloworld hello world", all, cs, a, P, {11, 11}},
        {{" hello  ", "WORLD"}, u"Hello World", all, ci, a, P, {0, 11}},
        {{"hello", "world"}, u"hello-world", all, cs, a, P, none},
        {{"hello", "world"}, u"hello\0world"sv, all, cs, a, P, {0, 11}},
        {{"hello world"}, u"xhello world", all, cs, A, P, none},
        {{"hello world"}, u"hello world", {0, 10}, cs, a, P, none},
        {{" ", "\t"}, u"a b", all, cs, a, P, none},
        // Bad input.
        {{}, u"abc", all, cs, a, p, none},
        {{"", QString()}, u"abc", all, cs, a, p, none},
        {{"a"}, {}, all, cs, a, p, none},
        {{"a"}, u"abc", {-5, 6}, cs, a, p, {0, 1}},
        {{"c"}, u"abc", {1, huge}, cs, a, p, {2, 1}},
        {{"a"}, u"abc", {0, -1}, cs, a, p, none},
        {{"a"}, u"abc", {huge, 1}, cs, a, p, none},
        {{"a"}, u"abc", {-huge, huge}, cs, a, p, none},
        {{"foo"}, u"foo", {0, 2}, cs, a, p, none},
        {{text(u"a\0b"sv)}, u"xa\0b"sv, all, cs, a, p, {1, 3}},
        // Never half a surrogate pair.
        {{text(u"\xDE00")}, u"\U0001F600", all, cs, a, p, none},
        {{text(u"\xD83D")}, u"\U0001F600", all, cs, a, p, none},
        {{text(u"\xD83D")}, u"\xD83Dx", all, cs, a, p, {0, 1}},
        {{u16(u"\U0001F600")}, u"a\U0001F600", all, cs, a, p, {1, 2}},
    };
    for (const auto &c : cases) {
        const QString characters = c.characters.data() ? text(c.characters) : QString();
        EXPECT_EQ(findNextQueryTerm(c.terms, characters, c.range, c.cs, c.anchored, c.phrase),
                  c.expected)
            << c.terms.join(u'|').toStdString() << " in " << characters.toStdString();
    }
}

TEST(QuerySearchTest, RangeOfNextWildcard) {
    constexpr Qt::CaseSensitivity cs = Qt::CaseSensitive, ci = Qt::CaseInsensitive;
    const Range all{0, huge};
    struct {
        QStringList patterns;
        std::u16string_view characters;
        Range range;
        Qt::CaseSensitivity cs;
        qsizetype minCharacters;
        Range expected;
    } cases[] = {
        {{"f*o"}, u"a fooo b", all, cs, 0, {2, 4}},
        {{"f?o"}, u"fo fooo foo", all, cs, 0, {8, 3}},
        {{"*"}, u"a bb ccc", all, cs, 3, {5, 3}},
        {{"*"}, u"a bb", all, cs, -4, {0, 1}},
        {{"foo"}, u"foobar foo", all, cs, 0, {7, 3}},
        {{"a*b*c"}, u"axxbyyc", all, cs, 0, {0, 7}},
        {{"a*b"}, u"abab abba", all, cs, 0, {0, 4}},
        {{"*b"}, u"abba", all, cs, 0, none},
        {{"don"}, u"don't", all, cs, 0, {0, 3}},
        {{"F*"}, u"foo", all, cs, 0, none},
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
        {{}, u"abc", all, cs, 0, none},
        {{"", QString()}, u"abc", all, cs, 0, none},
        {{"*"}, {}, all, cs, 0, none},
        {{"*"}, u"  ..  ", all, cs, 0, none},
        {{"*"}, u"abc", {huge, huge}, cs, 0, none},
        {{"*"}, u"abc", {1, -1}, cs, 0, none},
        {{"*"}, u"ab\0cd"sv, all, cs, 3, none},
    };
    for (const auto &c : cases) {
        const QString characters = c.characters.data() ? text(c.characters) : QString();
        EXPECT_EQ(rangeOfNextWildcard(c.patterns, characters, c.range, c.cs, c.minCharacters),
                  c.expected)
            << c.patterns.join(u'|').toStdString() << " in " << characters.toStdString();
    }
}

} // namespace
