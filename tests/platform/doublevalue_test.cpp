#include "platform/doublevalue.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(DoubleValue, ReadsTheNumberTextBeginsWith) {
    const std::pair<const char16_t *, double> cases[] = {
        {u"", 0.0},           {u"  2.5kg", 2.5},    {u"-3", -3.0},     {u".5", 0.5},
        {u"1e+", 1.0},        {u"2E-2x", 0.02},     {u"1,5", 1.0},     {u".", 0.0},
        {u"1e999", HUGE_VAL}, {u"-inf", -HUGE_VAL}, {u"\u00a07", 7.0}, {u"\u0663", 0.0}};
    for (const auto &[text, value] : cases)
        EXPECT_EQ(platform::doubleValue(QStringView(text)), value)
            << QString::fromUtf16(text).toStdString();
    EXPECT_TRUE(std::isnan(platform::doubleValue(QStringView(u"nan"))));
    EXPECT_TRUE(std::signbit(platform::doubleValue(QStringView(u"-0"))));
}

TEST(DoubleValue, ReadsObjectsByKind) {
    const struct {
        QVariant object;
        double value;
        bool ok;
    } cases[] = {{QByteArray("4.5"), 4.5, true}, {true, 1, true}, {QStringList{"1"}, 0, false}};
    for (const auto &c : cases) {
        bool ok = !c.ok;
        EXPECT_EQ(platform::doubleValue(c.object, &ok), c.value) << c.object.typeName();
        EXPECT_EQ(ok, c.ok) << c.object.typeName();
    }
}

} // namespace
