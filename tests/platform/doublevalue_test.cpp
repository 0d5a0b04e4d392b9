#include "platform/doublevalue.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(DoubleValue, ReadsTheNumberTextBeginsWith) {
    struct {
        const char16_t *text;
        double value;
    } const cases[] = {
        {u"", 0},
        {u"abc", 0},
        {u"2.5", 2.5},
        {u"  2.5kg", 2.5},
        {u"-3", -3},
        {u".5", 0.5},
        {u"1e3", 1000},
        {u"1e+", 1},
        {u"2E-2x", 0.02},
        {u"1,5", 1},
        {u".", 0},
        {u"1e999", HUGE_VAL},
        {u"-inf", -HUGE_VAL},
        {u"1e-400", 0},
        {u"\u00a0"
         "7",
         7},
        {u"\u0663", 0},
    };
    for (const auto &c : cases)
        EXPECT_EQ(platform::doubleValue(QStringView(c.text)), c.value)
            << QString::fromUtf16(c.text).toStdString();
    EXPECT_TRUE(std::isnan(platform::doubleValue(QStringView(u"nan"))));
    EXPECT_TRUE(std::signbit(platform::doubleValue(QStringView(u"-0"))));
}

TEST(DoubleValue, ReadsObjectsByKind) {
    struct {
        QVariant object;
        double value;
        bool ok;
    } const cases[] = {
        {1.25, 1.25, true},
        {QStringLiteral("3"), 3, true},
        {QByteArray("4.5"), 4.5, true},
        {true, 1, true},
        {QStringList{QStringLiteral("1")}, 0, false},
        {QVariant(), 0, false},
    };
    for (const auto &c : cases) {
        bool ok = !c.ok;
        EXPECT_EQ(platform::doubleValue(c.object, &ok), c.value) << c.object.typeName();
        EXPECT_EQ(ok, c.ok) << c.object.typeName();
    }
}

} // namespace
