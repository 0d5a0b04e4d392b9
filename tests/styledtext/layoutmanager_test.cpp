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
        pieces << QStringLiteral("%1+%2:").arg(start).arg(length);
        for (const auto &[name, letter] : {std::pair{Attribute::BackgroundColor, u'b'},
                                           {Attribute::ForegroundColor, u'f'},
                                           {Attribute::UnderlineStyle, u'u'}})
            pieces.last() += d.contains(name) ? QString(letter) : QString();
    }
    return pieces.join(u' ');
}

const AttributeDictionary background{{Attribute::BackgroundColor, QColor(Qt::yellow)}};
const AttributeDictionary both = {{Attribute::BackgroundColor, QColor(Qt::yellow)},
                                  {Attribute::ForegroundColor, QColor(Qt::red)}};
// An invalid value: override removes, add ignores, set leaves out.
const AttributeDictionary noBackground{{Attribute::BackgroundColor, QVariant()},
                                       {Attribute::UnderlineStyle, 1}};

TEST(LayoutManagerTest, ChangesKeepRunsJoinedAndClipped) {
    const AttributedString s(QStringLiteral("0123456789"));
    LayoutManager m(s);
    // Equal neighbours join into one effective range.
    m.addTemporaryAttributes(background, 2, 3);
    m.addTemporaryAttributes(background, 5, 2);
    EXPECT_EQ(describe(m), "0+2: 2+5:b 7+3:");
    // Ranges outside the text are clipped; empty and negative ones change nothing.
    m.addTemporaryAttributes(background, 8, huge);
    m.addTemporaryAttributes(background, huge, 5);
    m.addTemporaryAttributes(background, 3, -2);
    EXPECT_EQ(describe(m), "0+2: 2+5:b 7+1: 8+2:b");
    m.addTemporaryAttributes(both, 0, 10);
    m.removeTemporaryAttribute(Attribute::ForegroundColor, 3, 2);
    EXPECT_EQ(describe(m), "0+3:bf 3+2:b 5+5:bf");
    m.addTemporaryAttributes(noBackground, 0, 1);
    m.overrideTemporaryAttributes(noBackground, 1, 1);
    m.setTemporaryAttributes(noBackground, 2, 1);
    EXPECT_EQ(describe(m), "0+1:bfu 1+1:fu 2+1:u 3+2:b 5+5:bf");
}

TEST(LayoutManagerTest, RunsFollowTheTextsLength) {
    AttributedString s(QStringLiteral("0123456789"));
    LayoutManager manager(s);
    manager.addTemporaryAttributes(background, 6, 4);
    s.replaceCharacters(7, 3, QString());
    EXPECT_EQ(describe(manager), "0+6: 6+1:b");
    s.appendString(QStringLiteral("abc"));
    EXPECT_EQ(describe(manager), "0+6: 6+1:b 7+3:");
    // Indexes outside the text have no attributes.
    for (qsizetype index : {qsizetype(10), -huge}) {
        qsizetype start = 0, length = 7;
        EXPECT_TRUE(manager.temporaryAttributesAtCharacterIndex(index, &start, &length).isEmpty());
        EXPECT_EQ(std::pair(start, length), std::pair(NotFound, qsizetype(0)));
    }
    s.replaceCharacters(0, s.length(), QString());
    EXPECT_EQ(describe(manager), "");
    manager.addTemporaryAttributes(background, 0, 5); // nothing to mark
    s.appendString(QStringLiteral("xy"));
    EXPECT_EQ(describe(manager), "0+2:");
}

} // namespace
