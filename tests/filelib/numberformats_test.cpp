#include "filelib/numberformats.h"

#include "platform/resources.h"

#include "../textlib/texttesting.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTranslator>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace filelib;

// Every case runs in a locale of its own; the previous default comes back afterwards.
struct InLocale {
    explicit InLocale(const char *name) { QLocale::setDefault(QLocale(QString::fromLatin1(name))); }
    ~InLocale() { QLocale::setDefault(saved); }
    QLocale saved;
};

TEST(NumberFormats, SharedFormatters) {
    using F = QString (*)(double);
    const F asInt = [](double v) { return stringForInt(int(v)); },
            asFloat = [](double v) { return stringForFloat(float(v)); },
            asSize = [](double v) { return stringForSize(quint64(v)); };
    const char *en = "en_US", *de = "de_DE";
    const std::tuple<const char *, F, double, const char16_t *> rows[] = {
        {en, asInt, -2147483648.0, u"-2,147,483,648"},
        {en, asFloat, -0.004, u"0"},
        {de, asFloat, -0.25, u"-0,25"},
        {en, asSize, 1024, u"1 KB"},
        {en, asSize, 1048575, u"1,024 KB"},
        {de, asSize, 1536, u"1,5 KB"}};
    for (const auto &[name, format, value, expected] : rows) {
        InLocale locale(name);
        EXPECT_EQ(format(value), QString::fromUtf16(expected)) << name << " " << value;
    }
    InLocale locale("en_US");
    EXPECT_EQ(stringForSize(std::numeric_limits<quint64>::max()), "16,777,216 TB");
}

TEST(NumberFormats, Patterns) {
    InLocale locale("en_US");
    const NumberFormatter money(QString::fromUtf8("#,##0.00 \u20ac"));
    const NumberFormatter braces(QStringLiteral("0.#;zero;(0.#)"));
    const NumberFormatter integer(QStringLiteral("#,###;0;-#,###"), false);
    const std::tuple<const NumberFormatter *, double, const char16_t *> rows[] = {
        {&money, 1234.5, u"1,234.50 \u20ac"},
        {&braces, -1.25, u"(1.2)"},
        {&braces, 0.04, u"zero"},
        {&integer, 2.5, u"2"}, // halves go to even
        {&integer, 3.5, u"4"},
        {&integer, 1e20, u"100,000,000,000,000,000,000"}};
    for (const auto &[formatter, value, expected] : rows)
        EXPECT_EQ(formatter->stringFromNumber(value), QString::fromUtf16(expected))
            << formatter->format().toStdString() << " " << value;
    EXPECT_EQ(integer.stringFromNumber(std::numeric_limits<quint64>::max()),
              "18,446,744,073,709,551,615");
    EXPECT_FALSE(integer.stringFromNumber(std::nan("")).isEmpty());
}

TEST(NumberFormats, SizeUnitsAreTranslatedButNotBytes) {
    QTranslator german;
    const QString folder = platform::dataPath("translations");
    if (folder.isEmpty() || !german.load("sumwise_de", folder))
        GTEST_SKIP() << "translations not built";
    QCoreApplication::installTranslator(&german);
    InLocale locale("de_DE");
    EXPECT_EQ(stringForSize(512) + stringForSize(3 << 19), "512 bytes1,5 MB");
    QCoreApplication::removeTranslator(&german);
    EXPECT_EQ(stringForSize(512), "512 bytes");
}
