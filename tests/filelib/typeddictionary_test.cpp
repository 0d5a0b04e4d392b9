#include "filelib/typeddictionary.h"

#include "../textlib/texttesting.h"

#include <QLocale>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <tuple>

using namespace filelib;
using namespace Qt::StringLiterals;

template<typename T> using L = std::numeric_limits<T>;

TEST(TypedDictionary, ValuesConvertThemselves) {
    // A value, then as bool, int, uint, quint64 and double.
    using As = std::tuple<bool, int, uint, quint64, double>;
    const std::pair<QVariant, As> rows[] = {
        {QVariant(), {false, 0, 0, 0, 0}},
        {QString(" -12abc"), {true, -12, 0, 0, -12}},
        {QString::fromUtf16(u"4\0002", 3), {true, 4, 4, 4, 4}},
        {QString("99999999999999999999"),
         {true, L<int>::max(), L<uint>::max(), L<quint64>::max(), 1e20}},
        {QVariant::fromValue(L<quint64>::max()),
         {true, L<int>::max(), L<uint>::max(), L<quint64>::max(), 0x1p64}}};
    for (const auto &[v, as] : rows)
        EXPECT_EQ(std::tuple(valueAsBool(v), valueAsInt(v), valueAsUnsignedInt(v),
                             valueAsUnsignedLongLong(v), valueAsDouble(v)),
                  as)
            << v.toString().toStdString();
    EXPECT_EQ(valueAsLongLong(-1e20), L<qint64>::min());
    EXPECT_TRUE(std::isnan(valueAsDouble(std::nan(""))) && !valueAsBool(std::nan("")));
    EXPECT_EQ(valueAsFloat(QString("-1e39")), -L<float>::infinity());
}

TEST(TypedDictionary, GettersUseDefaultsOnlyForAbsentKeys) {
    QVariantMap d{{"n", QString("12.5")}, {"list", QVariantList{1}}, {"zero", 0}};
    EXPECT_EQ(
        (QVariantList{intForKey(d, "n"), intForKey(d, "missing", 9), intForKey(d, "zero", 9),
                      intForKey(d, "list", 9), boolForKey(d, "missing", true),
                      unsignedLongLongForKey(d, "missing", L<quint64>::max()),
                      floatForKey(d, "n", 2.5f), stringForKey(d, "zero"),
                      stringForKey(d, "list", "dflt"), objectForKey(d, "missing", QVariant(4))}),
        (QVariantList{12, 9, 0, 0, true, L<quint64>::max(), 12.5f, "0", "dflt", 4}));
    EXPECT_EQ(doubleForKey(d, "missing", 0.1), 0.1); // not rounded through a float
    EXPECT_TRUE(stringForKey(d, "missing").isNull());
    EXPECT_EQ(valueAsString(QByteArray("h\xc3\xa9")) + valueAsString(true), u"h\u00e9true");
    // Null removes the key, unlike "".
    setString(d, "", "n");
    EXPECT_EQ(stringForKey(d, "n", "dflt"), "");
    setString(d, QString(), "n");
    EXPECT_FALSE(d.contains("n"));
}

TEST(TypedDictionary, CodesAreDecimalKeys) {
    QVariantMap d{{"name", "by key"}, {codeKey(-7), "minus seven"}, {"42", "answer"}};
    EXPECT_EQ(objectForCode(d, -7), QVariant("minus seven"));
    EXPECT_EQ(objectForKeyOrCode(d, "name", 42), QVariant("answer"));
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
static_assert(!(ThirdArgument<double> || ThirdArgument<bool>));
static_assert(!(ThirdArgument<qint64> || ThirdArgument<uint>));

TEST(TypedDictionary, LocalizedStrings) {
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const QVariantMap both{{"English", "Hello"}, {"German", "Hallo"}};
    const std::pair<QVariant, QString> rows[] = {{both, "Hallo"}, {QVariantList{"a"}, "dflt"}};
    for (const auto &[value, expected] : rows)
        EXPECT_EQ(localizedStringForKey({{"k", value}}, "k", "dflt"), expected)
            << value.metaType().name();
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    EXPECT_EQ(localizedStringForKey({{"k", both}}, "k"), "Hello");
    QLocale::setDefault(saved);
}
