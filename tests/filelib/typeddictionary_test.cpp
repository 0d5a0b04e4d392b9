#include "filelib/typeddictionary.h"

#include "../textlib/texttesting.h"

#include <QLocale>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace filelib;

namespace {

template<typename T> using L = std::numeric_limits<T>;

struct ConversionRow {
    QVariant value;
    bool b;
    int i;
    qint64 ll;
    uint u;
    quint64 ull;
    double d;
};

TEST(TypedDictionary, ValuesConvertThemselves) {
    const double nan = std::nan("");
    const ConversionRow rows[] = {
        {QVariant(), false, 0, 0, 0, 0, 0},
        {QString("3.7"), true, 3, 3, 3, 3, 3.7},
        {QString(" -12abc"), true, -12, -12, 0, 0, -12},
        {QString("YES"), true, 0, 0, 0, 0, 0},
        {QString("0"), false, 0, 0, 0, 0, 0},
        {QString("1e3"), true, 1, 1, 1, 1, 1000},
        {QString::fromUtf16(u"4\0002", 3), true, 4, 4, 4, 4, 4},
        {QString("99999999999999999999"), true, L<int>::max(), L<qint64>::max(), L<uint>::max(),
         L<quint64>::max(), 1e20},
        {QString("-99999999999999999999"), true, L<int>::min(), L<qint64>::min(), 0, 0, -1e20},
        {QString("-9223372036854775808"), true, L<int>::min(), L<qint64>::min(), 0, 0, -0x1p63},
        {QByteArray("42"), true, 42, 42, 42, 42, 42},
        {3.9, true, 3, 3, 3, 3, 3.9},
        {-1, true, -1, -1, 0, 0, -1},
        {1e20, true, L<int>::max(), L<qint64>::max(), L<uint>::max(), L<quint64>::max(), 1e20},
        {-1e20, true, L<int>::min(), L<qint64>::min(), 0, 0, -1e20},
        {nan, false, 0, 0, 0, 0, nan},
        {QVariant::fromValue(qint64(1) << 40), true, L<int>::max(), qint64(1) << 40, L<uint>::max(),
         quint64(1) << 40, 0x1p40},
        {QVariant::fromValue(L<quint64>::max()), true, L<int>::max(), L<qint64>::max(),
         L<uint>::max(), L<quint64>::max(), 0x1p64},
        {true, true, 1, 1, 1, 1, 1},
        {QVariantList{1}, false, 0, 0, 0, 0, 0},
        {QVariantMap{{"a", 1}}, false, 0, 0, 0, 0, 0}};
    int row = 0;
    for (const ConversionRow &r : rows) {
        SCOPED_TRACE(testing::Message() << "row " << row++);
        EXPECT_EQ(valueAsBool(r.value), r.b);
        EXPECT_EQ(valueAsInt(r.value), r.i);
        EXPECT_EQ(valueAsInteger(r.value), r.ll);
        EXPECT_EQ(valueAsLongLong(r.value), r.ll);
        EXPECT_EQ(valueAsUnsignedInt(r.value), r.u);
        EXPECT_EQ(valueAsUnsignedInteger(r.value), r.ull);
        EXPECT_EQ(valueAsUnsignedLong(r.value), r.ull);
        EXPECT_EQ(valueAsUnsignedLongLong(r.value), r.ull);
        if (std::isnan(r.d)) {
            EXPECT_TRUE(std::isnan(valueAsDouble(r.value)));
        } else {
            EXPECT_EQ(valueAsDouble(r.value), r.d);
            EXPECT_EQ(valueAsFloat(r.value), float(r.d));
        }
    }
    EXPECT_EQ(valueAsFloat(1e300), L<float>::infinity());
    EXPECT_EQ(valueAsFloat(QString("-1e39")), -L<float>::infinity());
}

TEST(TypedDictionary, TextForms) {
    const QString text("abc");
    EXPECT_EQ(valueAsString(text).constData(), text.constData());
    EXPECT_EQ(valueAsString(QByteArray("h\xc3\xa9")), QString::fromUtf16(u"h\u00e9"));
    EXPECT_EQ(valueAsString(true), "true");
    EXPECT_EQ(valueAsString(1.5), "1.5");
    EXPECT_EQ(valueAsString(-7), "-7");
    EXPECT_TRUE(valueAsString(QStringList{"a"}).isNull());
    EXPECT_TRUE(valueAsString(QVariant()).isNull());
}

TEST(TypedDictionary, GettersUseDefaultsOnlyForAbsentKeys) {
    const QVariantMap d{{"n", QString("12.5")}, {"list", QVariantList{1}}, {"zero", 0}};
    EXPECT_EQ(intForKey(d, "n"), 12);
    EXPECT_EQ(intForKey(d, "missing", 9), 9);
    EXPECT_EQ(intForKey(d, "zero", 9), 0);
    EXPECT_EQ(intForKey(d, "list", 9), 0);
    EXPECT_TRUE(boolForKey(d, "missing", true));
    EXPECT_FALSE(boolForKey(d, "missing"));
    EXPECT_EQ(unsignedLongLongForKey(d, "missing", L<quint64>::max()), L<quint64>::max());
    EXPECT_EQ(doubleForKey(d, "missing", 0.1), 0.1); // not rounded through a float
    EXPECT_EQ(doubleForKey(d, "n"), 12.5);
    EXPECT_EQ(floatForKey(d, "missing", 2.5f), 2.5f);
    EXPECT_EQ(stringForKey(d, "n"), "12.5");
    EXPECT_EQ(stringForKey(d, "zero"), "0");
    EXPECT_EQ(stringForKey(d, "list", "dflt"), "dflt");
    EXPECT_TRUE(stringForKey(d, "missing").isNull());
    EXPECT_EQ(objectForKey(d, "list"), QVariant(QVariantList{1}));
    EXPECT_EQ(objectForKey(d, "missing", 4), QVariant(4));
    EXPECT_EQ(dictionaryRepresentation(d), d);
}

TEST(TypedDictionary, CodesAreDecimalKeys) {
    QVariantMap d{{"name", "by key"}, {codeKey(-7), "minus seven"}, {"42", "answer"}};
    EXPECT_EQ(codeKey(L<qint32>::min()), "-2147483648");
    EXPECT_EQ(objectForCode(d, -7), QVariant("minus seven"));
    EXPECT_EQ(objectForCode(d, 42), QVariant("answer"));
    EXPECT_FALSE(objectForCode(d, 1).isValid());
    EXPECT_EQ(objectForCode(d, 1, "x"), QVariant("x"));
    EXPECT_EQ(objectForKeyOrCode(d, "name", 42), QVariant("answer"));
    EXPECT_EQ(objectForKeyOrCode(d, "name", 1), QVariant("by key"));
    EXPECT_FALSE(objectForKeyOrCode(d, "none", 1).isValid());
}

TEST(TypedDictionary, LocalizedStrings) {
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const QVariantMap both{{"English", "Hello"}, {"German", "Hallo"}};
    const struct {
        QVariant value;
        QString expected;
    } rows[] = {{"plain", "plain"},
                {both, "Hallo"},
                {QVariantMap{{"de", "Servus"}, {"English", "Hi"}}, "Servus"},
                {QVariantMap{{"de_DE", "Moin"}, {"German", "Hallo"}}, "Moin"},
                {QVariantHash{{"de-DE", "Tag"}}, "Tag"},
                {QVariantMap{{"German", 5}, {"English", "Hello"}}, "Hello"},
                {QVariantMap{{"French", "Salut"}}, "dflt"},
                {QVariantMap{{"English", QVariantList{}}}, "dflt"},
                {12, "dflt"},
                {QVariantList{"a"}, "dflt"}};
    for (const auto &r : rows) {
        const QVariantMap d{{"k", r.value}};
        EXPECT_EQ(localizedStringForKey(d, "k", "dflt"), r.expected) << r.value.metaType().name();
    }
    EXPECT_TRUE(localizedStringForKey({}, "k").isNull());
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    EXPECT_EQ(localizedStringForKey({{"k", both}}, "k"), "Hello");
    QLocale::setDefault(saved);
}

TEST(TypedDictionary, SettersStoreTheirOwnType) {
    QVariantMap d;
    setBool(d, true, "b");
    setInt(d, -1, "i");
    setInteger(d, 1, "ll");
    setUnsignedInt(d, 1, "u");
    setUnsignedLong(d, 1, "ul");
    setUnsignedLongLong(d, L<quint64>::max(), "ull");
    setFloat(d, 1.5f, "f");
    setDouble(d, 0.1, "d");
    const struct {
        const char *key;
        QMetaType type;
    } rows[] = {
        {"b", QMetaType::fromType<bool>()},           {"i", QMetaType::fromType<int>()},
        {"ll", QMetaType::fromType<qint64>()},        {"u", QMetaType::fromType<uint>()},
        {"ul", QMetaType::fromType<unsigned long>()}, {"ull", QMetaType::fromType<quint64>()},
        {"f", QMetaType::fromType<float>()},          {"d", QMetaType::fromType<double>()}};
    for (const auto &r : rows)
        EXPECT_EQ(d.value(r.key).metaType(), r.type) << r.key;
    EXPECT_EQ(unsignedLongLongForKey(d, "ull"), L<quint64>::max());
    EXPECT_EQ(doubleForKey(d, "d"), 0.1);
    setString(d, "", "s");
    EXPECT_EQ(stringForKey(d, "s", "dflt"), "");
    setString(d, QString(), "s");
    EXPECT_FALSE(d.contains("s"));
}

} // namespace
