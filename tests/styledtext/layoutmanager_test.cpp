#include "styledtesting.h"

#include "styledtext/layoutmanager.h"

#include "textlib/charactersets.h"

#include <limits>

namespace {

using textlib::NotFound;
constexpr qsizetype huge = std::numeric_limits<qsizetype>::max();

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
        // Ranges outside the text are clipped; empty and negative ones change nothing.
        {{{Add, background, 8, huge}}, "0+8: 8+2:b"},
        {{{Add, background, huge, 5}, {Add, background, 3, 0}, {Add, background, 3, -2}}, "0+10:"},
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
}

TEST(LayoutManagerTest, IndexesOutsideTheTextHaveNoAttributes) {
    const AttributedString s(QStringLiteral("abc"));
    LayoutManager manager(s);
    manager.addTemporaryAttributes(background, 0, 3);
    EXPECT_EQ(manager.temporaryAttributesAtCharacterIndex(2), background);
    for (qsizetype index : {qsizetype(3), -huge}) {
        qsizetype start = 0, length = 7;
        EXPECT_TRUE(manager.temporaryAttributesAtCharacterIndex(index, &start, &length).isEmpty());
        EXPECT_EQ(std::pair(start, length), std::pair(NotFound, qsizetype(0)));
    }
}

} // namespace
