#include "styledtesting.h"

#include "styledtext/editing.h"
#include "styledtext/highlighting.h"

#include "textlib/conversiontables.h"

#include <limits>
#include <random>
#include <string_view>
#include <vector>

namespace {

using namespace std::literals;
using textlib::NotFound;
using textlib::Range;
constexpr qsizetype huge = std::numeric_limits<qsizetype>::max();
const TextAttributes plain;
const QColor yellow = backgroundHighlightingColor();

QString text(std::u16string_view units) {
    return QString(reinterpret_cast<const QChar *>(units.data()), qsizetype(units.size()));
}

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

// Runs a highlighter once on the text and once through a layout manager: both must mark the
// same units and answer the same, and the layout manager must leave the text alone.
template<typename Highlight>
void expectSameMarksBothWays(const QString &characters, Highlight highlight, const char *marks,
                             qsizetype first, Attribute name = Attribute::BackgroundColor) {
    SCOPED_TRACE(characters.toStdString());
    AttributedString s(characters);
    EXPECT_EQ(highlight(s, nullptr), first);
    EXPECT_EQ(marksInText(s, name), QString::fromLatin1(marks));
    EXPECT_TRUE(runsAreSound(s));
    const AttributedString original(characters);
    AttributedString untouched = original;
    LayoutManager manager(untouched);
    EXPECT_EQ(highlight(untouched, &manager), first);
    EXPECT_EQ(marksInManager(manager, name), QString::fromLatin1(marks));
    EXPECT_EQ(untouched, original);
}

TEST(HighlightingTest, HighlightAttributesDefaultToTheHighlightColours) {
    EXPECT_EQ(highlightAttributesWithForeground(),
              (AttributeDictionary{{Attribute::ForegroundColor, foregroundHighlightingColor()},
                                   {Attribute::BackgroundColor, yellow}}));
    EXPECT_EQ(
        highlightAttributesWithForeground(Qt::red, QColor()).value(Attribute::ForegroundColor),
        QColor(Qt::red));
    const AttributeDictionary wiki = wikiLinkAttributes();
    EXPECT_EQ(wiki.value(Attribute::Link).toUrl(), QUrl("Quillmoor"));
    EXPECT_EQ(wiki.value(Attribute::UnderlineColor), QVariant(autoLinkColor()));
}

TEST(HighlightingTest, HighlightStrings) {
    const auto no = NonUmlauted::No;
    struct {
        QStringList terms;
        const char16_t *characters;
        Qt::CaseSensitivity cs;
        NonUmlauted nonUmlauted;
        Anchored anchored;
        ExactPhrase phrase;
        const char *marks;
        qsizetype first;
    } cases[] = {
        {{"ab"}, u"abcab ab", Qt::CaseSensitive, no, Anchored::No, ExactPhrase::No, "^^.^^.^^", 0},
        {{"ab"},
         u"xabcab ab",
         Qt::CaseSensitive,
         no,
         Anchored::Yes,
         ExactPhrase::No,
         ".......^^",
         7},
        {{"AB", "c"}, u"abc", Qt::CaseInsensitive, no, Anchored::No, ExactPhrase::No, "^^^", 0},
        {{"arger"},
         u"\u00C4rger",
         Qt::CaseInsensitive,
         NonUmlauted::Yes,
         Anchored::No,
         ExactPhrase::No,
         "^^^^^",
         0},
        {{"arger"},
         u"\u00C4rger",
         Qt::CaseInsensitive,
         no,
         Anchored::No,
         ExactPhrase::No,
         ".....",
         NotFound},
        {{"\u00E9t\u00E9"},
         u"ete",
         Qt::CaseSensitive,
         NonUmlauted::Yes,
         Anchored::No,
         ExactPhrase::No,
         "^^^",
         0},
        {{"a", "b"}, u"b  a b", Qt::CaseSensitive, no, Anchored::No, ExactPhrase::Yes, "...^^^", 3},
        {{"aa"}, u"aaa", Qt::CaseSensitive, no, Anchored::No, ExactPhrase::No, "^^.", 0},
        {{}, u"abc", Qt::CaseSensitive, no, Anchored::No, ExactPhrase::No, "...", NotFound},
        {{""}, u"abc", Qt::CaseSensitive, no, Anchored::No, ExactPhrase::No, "...", NotFound},
        {{"a"}, u"", Qt::CaseSensitive, no, Anchored::No, ExactPhrase::No, "", NotFound},
    };
    for (const auto &c : cases) {
        expectSameMarksBothWays(
            QString::fromUtf16(c.characters),
            [&](AttributedString &s, LayoutManager *manager) {
                return highlightStrings(s, c.terms, highlightAttributesWithForeground(), c.cs,
                                        c.nonUmlauted, c.anchored, c.phrase, {}, manager);
            },
            c.marks, c.first);
    }
}

TEST(HighlightingTest, HandlersChooseTheHitsToMark) {
    const QString characters = QStringLiteral("\u00E4b ab ab");
    struct {
        HitHandler handler;
        const char *marks;
        qsizetype first;
    } cases[] = {
        {[](const AttributedString &, QStringView, qsizetype, qsizetype) { return false; },
         "........", NotFound},
        {[](const AttributedString &, QStringView, qsizetype location, qsizetype) {
             return location > 0;
         },
         "...^^.^^", 3},
        // The handler sees the folded units, the text keeps its own.
        {[](const AttributedString &s, QStringView units, qsizetype location, qsizetype length) {
             return units.mid(location, length) == u"ab" && s.string().startsWith(u'\u00E4');
         },
         "^^.^^.^^", 0},
    };
    for (const auto &c : cases) {
        expectSameMarksBothWays(
            characters,
            [&](AttributedString &s, LayoutManager *manager) {
                return highlightStrings(s, {"ab"}, highlightAttributesWithForeground(),
                                        Qt::CaseSensitive, NonUmlauted::Yes, Anchored::No,
                                        ExactPhrase::No, c.handler, manager);
            },
            c.marks, c.first);
    }
    // Without attributes nothing is searched.
    AttributedString s(characters);
    bool asked = false;
    const HitHandler ask = [&](const AttributedString &, QStringView, qsizetype, qsizetype) {
        return asked = true;
    };
    EXPECT_EQ(highlightStrings(s, {"ab"}, AttributeDictionary(), Qt::CaseSensitive, NonUmlauted::No,
                               Anchored::No, ExactPhrase::No, ask),
              NotFound);
    EXPECT_FALSE(asked);
    EXPECT_EQ(s, AttributedString(characters));
}

TEST(HighlightingTest, MarksInTheTextComposeLikeSuccessiveOverrides) {
    // Overlapping and adjacent hits over several runs, with an entry that removes bold.
    const AttributedString start =
        styled({{"abab ", attrs().bolded()}, {"ab", attrs().italics()}, {"\u00A0ab", plain}});
    const AttributeDictionary attributes{{Attribute::BackgroundColor, yellow},
                                         {Attribute::Font, QVariant()}};
    AttributedString expected = start;
    for (qsizetype location : {0, 2, 5, 8})
        overrideAttributes(expected, attributes, location, 2);
    AttributedString s = start;
    EXPECT_EQ(highlightStrings(s, {"ab"}, attributes, Qt::CaseSensitive, NonUmlauted::No,
                               Anchored::No, ExactPhrase::No),
              0);
    EXPECT_EQ(s, expected);
    EXPECT_TRUE(runsAreSound(s));
}

TEST(HighlightingTest, HighlightWildcards) {
    struct {
        QStringList patterns;
        const char16_t *characters;
        Qt::CaseSensitivity cs;
        qsizetype minCharacters;
        const char *marks;
        qsizetype first;
    } cases[] = {
        {{"f*"}, u"a foo, fa F", Qt::CaseSensitive, 0, "..^^^..^^..", 2},
        {{"f*"}, u"a foo, fa F", Qt::CaseInsensitive, 3, "..^^^......", 2},
        {{"?"}, u"a bc d", Qt::CaseSensitive, 0, "^....^", 0},
        {{"x*"}, u"abc", Qt::CaseSensitive, 0, "...", NotFound},
        {{}, u"abc", Qt::CaseSensitive, 0, "...", NotFound},
    };
    for (const auto &c : cases) {
        expectSameMarksBothWays(
            QString::fromUtf16(c.characters),
            [&](AttributedString &s, LayoutManager *manager) {
                return highlightWildcards(s, c.patterns, highlightAttributesWithForeground(), c.cs,
                                          c.minCharacters, {}, manager);
            },
            c.marks, c.first);
    }
    AttributedString s(QStringLiteral("foo"));
    EXPECT_EQ(highlightWildcards(s, {"*"}, Qt::red, QColor(), Qt::CaseSensitive, 0), 0);
    EXPECT_EQ(s, styled({{"foo", attrs().fg(0xffff0000).bg(yellow.rgb())}}));
}

TEST(HighlightingTest, MashedWords) {
    struct {
        const char16_t *run;
        bool mashed;
    } cases[] = {
        {u"WikiWord", true},
        {u"CamelCaseWords", true},
        {u"WikiWo", true},
        {u"WikiWord2", true},
        {u"\u00C4rger\u00DCber", true},
        {u"WikiWORD", false},
        {u"Wiki", false},
        {u"WIKIWord", false},
        {u"wikiWord", false},
        {u"WikiW", false},
        {u"Wiki2Word", false},
        {u"Wi-Word", false},
        {u"", false},
        {u"WiW", false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(isMashedWord(QString::fromUtf16(c.run)), c.mashed)
            << QString::fromUtf16(c.run).toStdString();

    struct {
        const char16_t *characters;
        qsizetype location, length;
        const char *marks;
    } ranges[] = {
        {u"WikiWord Wiki, WIKIWord wikiWord CamelCase.", 0, huge,
         "^^^^^^^^.........................^^^^^^^^^."},
        {u"xWikiWord", 1, 8, ".^^^^^^^^"}, // runs are cut at the range's ends
        {u"xWikiWord", 0, 9, "........."},
        {u"WikiWord", 0, 9, "........"},  // past the end
        {u"WikiWord", -1, 5, "........"}, // before the start
        {u"AbCd", 0, 3, "...."},          // shorter than 4 units
        {u"AbCd", 0, 4, "^^^^"},
    };
    for (const auto &c : ranges) {
        const qsizetype length =
            c.length == huge ? QString::fromUtf16(c.characters).size() : c.length;
        expectSameMarksBothWays(
            QString::fromUtf16(c.characters),
            [&](AttributedString &s, LayoutManager *manager) {
                highlightMashedWordsInRange(s, c.location, length, wikiLinkAttributes(), manager);
                return NotFound;
            },
            c.marks, NotFound, Attribute::UnderlineStyle);
    }
    AttributedString s(QStringLiteral("a WikiWord"));
    highlightMashedWordsInRange(s, 0, s.length());
    EXPECT_EQ(s.attributesAtIndex(5).link, QUrl("Quillmoor"));
    EXPECT_EQ(s.attributesAtIndex(1), plain);
}

TEST(HighlightingTest, HighlightLinks) {
    const auto cs = Qt::CaseSensitive, ci = Qt::CaseInsensitive;
    struct {
        QStringList names;
        const char16_t *characters;
        Qt::CaseSensitivity cs;
        MashedWords mashed;
        qsizetype location, length;
        const char *marks;
    } cases[] = {
        {{"foo"}, u"foo foobar barfoo foo", cs, MashedWords::No, 0, 21, "^^^...............^^^"},
        {{"foo"}, u"foo, (foo) foo_", cs, MashedWords::No, 0, 15, "^^^...^^^..^^^."},
        {{"FOO"}, u"foo Foo", ci, MashedWords::No, 0, 7, "^^^.^^^"},
        {{"FOO"}, u"foo Foo", cs, MashedWords::No, 0, 7, "......."},
        {{"foo"}, u"xfoo foo", cs, MashedWords::No, 1, 3, ".^^^...."}, // range start counts
        {{"foo"}, u"foo foox", cs, MashedWords::No, 4, 3, "....^^^."}, // so does its end
        // The longer name wins, whichever comes first; a later overlapping one is left out.
        {{"Foo", "Foo Bar"}, u"Foo Bar", cs, MashedWords::No, 0, 7, "^^^^^^^"},
        {{"Foo Bar", "Foo"}, u"Foo Bar", cs, MashedWords::No, 0, 7, "^^^^^^^"},
        {{"Foo Bar", "Bar Baz"}, u"Foo Bar Baz", cs, MashedWords::No, 0, 11, "^^^^^^^...."},
        // Names of 1 or more than 256 units are skipped.
        {{"a", QString(257, u'b'), QString()}, u"a b", cs, MashedWords::No, 0, 3, "..."},
        {{"ab"}, u"ab", cs, MashedWords::No, 0, 1, ".."},
        {{"ab"}, u"ab", cs, MashedWords::No, 1, 2, ".."},
        // Mashed words, also when case is ignored.
        {{"foo"}, u"foo WikiWord", ci, MashedWords::Yes, 0, 12, "^^^.^^^^^^^^"},
        {{}, u"WikiWord", cs, MashedWords::Yes, 0, 8, "^^^^^^^^"},
        {{}, u"WikiWord", cs, MashedWords::No, 0, 8, "........"},
    };
    for (const auto &c : cases) {
        expectSameMarksBothWays(
            QString::fromUtf16(c.characters),
            [&](AttributedString &s, LayoutManager *manager) {
                highlightLinks(s, c.names, c.cs, c.mashed, c.location, c.length,
                               wikiLinkAttributes(), manager);
                return NotFound;
            },
            c.marks, NotFound, Attribute::UnderlineStyle);
    }
    AttributedString s(QStringLiteral("see WikiWord"));
    LayoutManager manager(s);
    highlightLinks(s, {"see"}, cs, MashedWords::Yes, 0, s.length(), wikiLinkAttributes(), &manager);
    EXPECT_EQ(marksInManager(manager, Attribute::Cursor), "^^^.^^^^^^^^");
    highlightLinks(s, {"see"}, cs, MashedWords::No);
    EXPECT_EQ(marksInText(s, Attribute::Link), "^^^.........");
}

TEST(HighlightingTest, NamesAreUsedBelowTheWorkLimit) {
    // 10,000 names × 200,000 units reach the limit; one name fewer stays below it.
    QString characters = QStringLiteral("ab ");
    characters += QString(200'000 - characters.size(), u'x');
    QStringList names;
    for (int i = 0; i < 9'998; ++i)
        names << QStringLiteral("n%1").arg(i);
    names.prepend(QStringLiteral("ab"));
    for (bool atLimit : {false, true}) {
        if (atLimit)
            names << QStringLiteral("extra");
        AttributedString s(characters);
        highlightLinks(s, names, Qt::CaseSensitive, MashedWords::No);
        EXPECT_EQ(s.attributesAtIndex(0).link.has_value(), !atLimit) << names.size();
    }
}

TEST(HighlightingTest, SetAttributesOfLinkInRange) {
    const AttributeDictionary mark = wikiLinkAttributes();
    const TextAttributes other = attrs().linkTo("https://example.org").underlined();
    struct {
        AttributedString start;
        qsizetype location, length;
        const char *links; // '^' where the mark's link ends up
    } cases[] = {
        {styled({{"Foo Bar", other}}), 0, 3, "......."}, // inside a longer link
        {styled({{"x", plain}, {"Foo Bar", other}}), 4, 3, "........"},
        {styled({{"Foo", other}, {" Bar", plain}}), 0, 7, "^^^^^^^"}, // shorter one overridden
        {styled({{"Foo", other}, {" Bar", plain}}), 0, 3, "^^^...."}, // the same range
        {styled({{"Fo", plain}, {"o Bar", other}}), 0, 7, "^^^^^^^"}, // link not at the start
        {styled({{"Foo Bar", plain}}), -2, 5, "^^^...."},             // clipped
        {styled({{"Foo Bar", plain}}), 5, huge, ".....^^"},
        {styled({{"Foo Bar", plain}}), 3, 0, "......."},
        {AttributedString(), 0, 3, ""},
    };
    const auto wikiLinks = [](const AttributedString &s) {
        QString marks;
        for (qsizetype i = 0; i < s.length(); ++i)
            marks += s.attributesAtIndex(i).link == QUrl("Quillmoor") ? u'^' : u'.';
        return marks;
    };
    for (const auto &c : cases) {
        AttributedString s = c.start;
        setAttributesOfLinkInRange(s, c.location, c.length, mark);
        EXPECT_EQ(wikiLinks(s), QString::fromLatin1(c.links)) << c.location << "+" << c.length;
    }
    // With a layout manager: temporary underlines and the text's own links guard their range.
    const AttributedString s = styled({{"Foo", other}, {" Bar Baz", plain}});
    AttributedString text = s;
    LayoutManager manager(text);
    manager.addTemporaryAttributes({{Attribute::UnderlineStyle, 1}}, 4, 7);
    setAttributesOfLinkInRange(text, 0, 3, mark, &manager); // the text's link
    setAttributesOfLinkInRange(text, 4, 3, mark, &manager); // inside a longer underline
    setAttributesOfLinkInRange(text, 8, 3, mark, &manager); // begins inside one
    EXPECT_EQ(marksInManager(manager, Attribute::Link), "...........");
    setAttributesOfLinkInRange(text, 4, 7, mark, &manager); // the same range
    EXPECT_EQ(marksInManager(manager, Attribute::Link), "....^^^^^^^");
    EXPECT_EQ(text, s);
}

// The link-name search as first designed: names in list order, each tried at every word start
// found through a skip table.
QList<Range> literalLinkNames(QStringView characters, const QStringList &names,
                              Qt::CaseSensitivity cs) {
    const qsizetype size = characters.size();
    const auto fold = [cs](QStringView s) {
        std::u16string out;
        for (QChar c : s)
            out.push_back(cs == Qt::CaseInsensitive ? textlib::toUpper(c.unicode()) : c.unicode());
        return out;
    };
    const std::u16string units = fold(characters);
    const auto separator = [&](qsizetype i) {
        return textlib::isMember(defaultWordSeparators(), units[size_t(i)]);
    };
    std::vector<qsizetype> skip(size_t(size), 1);
    for (qsizetype p = 0; p < size;) {
        qsizetype q = p;
        while (q < size && !separator(q))
            ++q;
        while (q < size && separator(q))
            ++q;
        skip[size_t(p)] = q - p;
        p = q;
    }
    QList<Range> found;
    for (const QString &name : names) {
        const qsizetype n = name.size();
        if (n < 2 || n > size || n > 256)
            continue;
        const std::u16string folded = fold(name);
        for (qsizetype p = 0; p <= size - n; p += skip[size_t(p)]) {
            if (units.compare(size_t(p), size_t(n), folded) == 0
                && (p + n == size || separator(p + n)))
                found.append({p, n});
        }
    }
    return found;
}

TEST(HighlightingTest, FindLinkNamesAgreesWithTheLiteralSearch) {
    std::mt19937 random(7);
    const std::u16string_view alphabet = u"aAb .,\0\xD83D\xDE00-"sv;
    const auto draw = [&](qsizetype length) {
        QString s;
        for (qsizetype i = 0; i < length; ++i)
            s += QChar(alphabet[random() % alphabet.size()]);
        return s;
    };
    for (int round = 0; round < 300; ++round) {
        const QString characters = draw(qsizetype(random() % 60));
        QStringList names;
        for (int i = int(random() % 8); i > 0; --i)
            names << draw(qsizetype(random() % 5));
        for (auto cs : {Qt::CaseSensitive, Qt::CaseInsensitive}) {
            ASSERT_EQ(findLinkNames(characters, names, cs), literalLinkNames(characters, names, cs))
                << characters.toStdString() << " / " << names.join(u'|').toStdString();
        }
    }
    EXPECT_TRUE(findLinkNames(QString(), {"ab"}, Qt::CaseSensitive).isEmpty());
    EXPECT_TRUE(findLinkNames(u"ab", {}, Qt::CaseSensitive).isEmpty());
    EXPECT_EQ(findLinkNames(text(u"\0ab ab"sv), {"ab"}, Qt::CaseSensitive),
              (QList<Range>{{1, 2}, {4, 2}}));
}

} // namespace
