#include "styledtesting.h"

#include "styledtext/editing.h"
#include "styledtext/highlighting.h"

#include "textlib/charactersets.h"

namespace {

using textlib::NotFound;
constexpr auto cs = Qt::CaseSensitive, ci = Qt::CaseInsensitive;
constexpr auto n = NonUmlauted::No, N = NonUmlauted::Yes;
constexpr auto a = Anchored::No, A = Anchored::Yes;
constexpr auto p = ExactPhrase::No, P = ExactPhrase::Yes;
constexpr auto m = MashedWords::No, M = MashedWords::Yes;
const AttributeDictionary highlight = highlightAttributesWithForeground();
const QUrl wiki("Quillmoor");

// One character per unit: '^' where the text (or the layout manager) holds the attribute.
QString marksInText(const AttributedString &s, Attribute name) {
    QString marks;
    for (qsizetype i = 0; i < s.length(); ++i)
        marks += s.attributesAtIndex(i).value(name).isValid() ? u'^' : u'.';
    return marks;
}
QString marksInManager(const LayoutManager &manager, Attribute name) {
    QString marks;
    for (qsizetype i = 0; i < manager.text().length(); ++i)
        marks += manager.temporaryAttributesAtCharacterIndex(i).contains(name) ? u'^' : u'.';
    return marks;
}

// A highlighter run on a text, with or without a layout manager; it answers the first hit.
using Highlighter = std::function<qsizetype(AttributedString &, LayoutManager *)>;
Highlighter strings(const QStringList &terms, Qt::CaseSensitivity sensitivity, NonUmlauted folded,
                    Anchored anchored, ExactPhrase phrase, const HitHandler &handler = {}) {
    return [=](AttributedString &s, LayoutManager *manager) {
        return highlightStrings(s, terms, highlight, sensitivity, folded, anchored, phrase, handler,
                                manager);
    };
}
Highlighter wildcards(const QStringList &patterns, Qt::CaseSensitivity sensitivity,
                      qsizetype minCharacters) {
    return [=](AttributedString &s, LayoutManager *manager) {
        return highlightWildcards(s, patterns, highlight, sensitivity, minCharacters, {}, manager);
    };
}
Highlighter mashed(qsizetype location, qsizetype length) {
    return [=](AttributedString &s, LayoutManager *manager) {
        highlightMashedWordsInRange(s, location, length, wikiLinkAttributes(), manager);
        return NotFound;
    };
}
Highlighter links(const QStringList &names, Qt::CaseSensitivity sensitivity, MashedWords words,
                  qsizetype location, qsizetype length) {
    return [=](AttributedString &s, LayoutManager *manager) {
        highlightLinks(s, names, sensitivity, words, location, length, wikiLinkAttributes(),
                       manager);
        return NotFound;
    };
}
// The handler sees the folded units, the text keeps its own.
const HitHandler folded = [](const AttributedString &s, QStringView units, qsizetype at,
                             qsizetype length) {
    return units.mid(at, length) == u"ab" && s.string().startsWith(u'\u00E4');
};

// Every highlighter marks the same units in the text and through a layout manager, which leaves
// the text alone. Both highlight and wiki link attributes hold a foreground colour.
TEST(HighlightingTest, MarksTheSameUnitsInTheTextAndAsTemporaryAttributes) {
    const struct {
        std::u16string_view characters;
        Highlighter highlighter;
        const char *marks;
        qsizetype first = NotFound;
    } cases[] = {
        {u"xabcab ab", strings({"ab"}, cs, n, A, p), ".......^^", 7},
        {u"\u00E4b ab ab", strings({"ab"}, cs, N, a, p, folded), "^^.^^.^^", 0},
        {u"a foo, fa F", wildcards({"f*"}, ci, 3), "..^^^......", 2},
        {u"WikiWord Wiki, WIKIWord wikiWord CamelCase.", mashed(0, 43),
         "^^^^^^^^.........................^^^^^^^^^."},
        {u"WikiWord", mashed(0, 9), "........"}, // past the end
        {u"foo, (foo) foo_", links({"foo"}, cs, m, 0, 15), "^^^...^^^..^^^."},
        // The longer name wins, whichever comes first.
        {u"Foo Bar", links({"Foo", "Foo Bar"}, cs, m, 0, 7), "^^^^^^^"},
        // Names of 1 or more than 256 units are skipped.
        {u"a b", links({"a", QString(257, u'b'), QString()}, cs, m, 0, 3), "..."},
        // Mashed words are found whatever the case sensitivity.
        {u"foo WikiWord", links({"foo"}, ci, M, 0, 12), "^^^.^^^^^^^^"},
    };
    for (const auto &c : cases) {
        const QString characters = u16(c.characters);
        SCOPED_TRACE(characters.toStdString() + " -> " + c.marks);
        AttributedString s(characters);
        EXPECT_EQ(c.highlighter(s, nullptr), c.first);
        EXPECT_EQ(marksInText(s, Attribute::ForegroundColor), QString::fromLatin1(c.marks));
        EXPECT_TRUE(runsAreSound(s));
        AttributedString untouched(characters);
        LayoutManager manager(untouched);
        EXPECT_EQ(c.highlighter(untouched, &manager), c.first);
        EXPECT_EQ(marksInManager(manager, Attribute::ForegroundColor),
                  QString::fromLatin1(c.marks));
        EXPECT_EQ(untouched, AttributedString(characters));
    }
}

TEST(HighlightingTest, NamesAreUsedBelowTheWorkLimit) {
    // 10,000 names × 200,000 units reach the limit; one name fewer stays below it.
    const QString characters = QStringLiteral("ab ") + QString(200'000 - 3, u'x');
    QStringList names = {QStringLiteral("ab")};
    for (int i = 0; i < 9'998; ++i)
        names << QStringLiteral("n%1").arg(i);
    for (bool atLimit : {false, true}) {
        if (atLimit)
            names << QStringLiteral("extra");
        AttributedString s(characters);
        highlightLinks(s, names, cs, m);
        EXPECT_EQ(s.attributesAtIndex(0).link.has_value(), !atLimit) << names.size();
    }
}

TEST(HighlightingTest, SetAttributesOfLinkInRange) {
    const AttributeDictionary mark = wikiLinkAttributes();
    const TextAttributes other = attrs().linkTo("https://example.org").underlined();
    const std::tuple<AttributedString, qsizetype, qsizetype, const char *> cases[] = {
        {styled({{"Foo Bar", other}}), 0, 3, "......."},           // inside a longer link
        {styled({{"Foo", other}, {" Bar", {}}}), 0, 7, "^^^^^^^"}, // shorter one overridden
    };
    for (const auto &[start, location, length, expected] : cases) {
        AttributedString s = start;
        setAttributesOfLinkInRange(s, location, length, mark);
        QString links;
        for (qsizetype i = 0; i < s.length(); ++i)
            links += s.attributesAtIndex(i).link == wiki ? u'^' : u'.';
        EXPECT_EQ(links, QString::fromLatin1(expected)) << location << "+" << length;
    }
}

} // namespace
