#include "filelib/typeddictionary.h"

#include "../textlib/texttesting.h"

#include <QLocale>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <tuple>

using namespace filelib;
using namespace Qt::StringLiterals;

namespace {

template<typename T> using L = std::numeric_limits<T>;

TEST(TypedDictionary, ValuesConvertThemselves) {
    const double nan = std::nan("");
    const struct {
        QVariant value;
        bool b;
        int i;
        qint64 ll;
        uint u;
        quint64 ull;
        double d;
    } rows[] = {{QVariant(), false, 0, 0, 0, 0, 0},
                {QString("3.7"), true, 3, 3, 3, 3, 3.7},
                {QString(" -12abc"), true, -12, -12, 0, 0, -12},
                {QString::fromUtf16(u"4\0002", 3), true, 4, 4, 4, 4, 4},
                {QString("99999999999999999999"), true, L<int>::max(), L<qint64>::max(),
                 L<uint>::max(), L<quint64>::max(), 1e20},
                {-1e20, true, L<int>::min(), L<qint64>::min(), 0, 0, -1e20},
                {nan, false, 0, 0, 0, 0, nan},
                {QVariant::fromValue(L<quint64>::max()), true, L<int>::max(), L<qint64>::max(),
                 L<uint>::max(), L<quint64>::max(), 0x1p64},
                {QVariantList{1}, false, 0, 0, 0, 0, 0}};
    for (const auto &r : rows) {
        SCOPED_TRACE(testing::Message() << r.value.toString().toStdString());
        const QVariant &v = r.value;
        EXPECT_EQ(std::tuple(valueAsBool(v), valueAsInt(v), valueAsInteger(v), valueAsLongLong(v)),
                  std::tuple(r.b, r.i, r.ll, r.ll));
        EXPECT_EQ(std::tuple(valueAsUnsignedInt(v), valueAsUnsignedInteger(v),
                             valueAsUnsignedLong(v), valueAsUnsignedLongLong(v)),
                  std::tuple(r.u, r.ull, r.ull, r.ull));
        if (std::isnan(r.d)) {
            EXPECT_TRUE(std::isnan(valueAsDouble(v)));
        } else {
            EXPECT_EQ(valueAsDouble(v), r.d);
            EXPECT_EQ(valueAsFloat(v), float(r.d));
        }
    }
    EXPECT_EQ(valueAsFloat(1e300), L<float>::infinity());
    EXPECT_EQ(valueAsFloat(QString("-1e39")), -L<float>::infinity());
}

TEST(TypedDictionary, TextForms) {
    const QString text("abc");
    EXPECT_EQ(valueAsString(text).constData(), text.constData());
    EXPECT_EQ((QStringList{valueAsString(QByteArray("h\xc3\xa9")), valueAsString(true),
                           valueAsString(1.5)}),
              (QStringList{QString::fromUtf16(u"h\u00e9"), "true", "1.5"}));
    EXPECT_TRUE(valueAsString(QStringList{"a"}).isNull() && valueAsString(QVariant()).isNull());
}

TEST(TypedDictionary, GettersUseDefaultsOnlyForAbsentKeys) {
    const QVariantMap d{{"n", QString("12.5")}, {"list", QVariantList{1}}, {"zero", 0}};
    EXPECT_EQ(
        (QVariantList{intForKey(d, "n"), intForKey(d, "missing", 9), intForKey(d, "zero", 9),
                      intForKey(d, "list", 9), boolForKey(d, "missing", true),
                      unsignedLongLongForKey(d, "missing", L<quint64>::max()),
                      floatForKey(d, "n", 2.5f), stringForKey(d, "zero"),
                      stringForKey(d, "list", "dflt"), objectForKey(d, "missing", QVariant(4))}),
        (QVariantList{12, 9, 0, 0, true, L<quint64>::max(), 12.5f, "0", "dflt", 4}));
    EXPECT_EQ(doubleForKey(d, "missing", 0.1), 0.1); // not rounded through a float
    EXPECT_TRUE(stringForKey(d, "missing").isNull());
}

TEST(TypedDictionary, CodesAreDecimalKeys) {
    QVariantMap d{{"name", "by key"}, {codeKey(-7), "minus seven"}, {"42", "answer"}};
    EXPECT_EQ(codeKey(L<qint32>::min()), "-2147483648");
    EXPECT_EQ(objectForCode(d, -7), QVariant("minus seven"));
    EXPECT_EQ(objectForCode(d, 1, "x"), QVariant("x"));
    EXPECT_EQ(objectForKeyOrCode(d, "name", 42), QVariant("answer"));
    EXPECT_FALSE(objectForKeyOrCode(d, "none", 1).isValid());
    // The same call under its usual name, where a code once became a default.
    EXPECT_EQ(objectForKey(d, "name", 42), QVariant("answer"));
    EXPECT_EQ(objectForKey(d, "name", 1), QVariant("by key"));
}

// Other numbers as the third argument are refused rather than taken for a code or a default.
template<class T>
concept ThirdArgument = requires(const QVariantMap &d, T value) {
    objectForKey(d, "k", value);
};
static_assert(ThirdArgument<qint32> && ThirdArgument<QVariant> && ThirdArgument<const char *>);
static_assert(
    !ThirdArgument<
        double> && !ThirdArgument<bool> && !ThirdArgument<qint64> && !ThirdArgument<uint>);

TEST(TypedDictionary, LocalizedStrings) {
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const QVariantMap both{{"English", "Hello"}, {"German", "Hallo"}};
    const std::pair<QVariant, QString> rows[] = {
        {"plain", "plain"},
        {both, "Hallo"},
        {QVariantMap{{"de", "Servus"}, {"English", "Hi"}}, "Servus"},
        {QVariantList{"a"}, "dflt"}};
    for (const auto &[value, expected] : rows)
        EXPECT_EQ(localizedStringForKey({{"k", value}}, "k", "dflt"), expected)
            << value.metaType().name();
    EXPECT_TRUE(localizedStringForKey({}, "k").isNull());
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    EXPECT_EQ(localizedStringForKey({{"k", both}}, "k"), "Hello");
    QLocale::setDefault(saved);
}

TEST(TypedDictionary, NullStringRemovesTheKey) {
    QVariantMap d;
    setString(d, "", "s");
    EXPECT_EQ(stringForKey(d, "s", "dflt"), "");
    setString(d, QString(), "s");
    EXPECT_FALSE(d.contains("s"));
}

} // namespace
