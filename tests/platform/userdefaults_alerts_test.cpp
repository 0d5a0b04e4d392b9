#include "platform/userdefaults.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

constexpr qint64 Max = std::numeric_limits<qint64>::max();
constexpr qint64 Min = std::numeric_limits<qint64>::min();

TEST(UserDefaultsIntegers, ReadsNumbersAndFallsBackOnAnythingElse) {
    const struct {
        const char *name;
        QVariant stored;
        qint64 expected;
    } cases[] = {
        {"nothing", QVariant(), 42},
        {"no answer", -2, -2},
        {"largest", QVariant::fromValue(Max), Max},
        {"unsigned beyond", QVariant::fromValue(std::numeric_limits<quint64>::max()), Max},
        {"text", " +17 ", 17},
        {"text beyond", "9223372036854775808", Max},
        {"fraction", "1.9", 1},
        {"true", true, 1},
        {"true text", "true", 1},
        {"double", 2.7, 2},
        {"huge", 1e300, Max},
        {"nan", std::nan(""), 42},
        {"number then words", "12abc", 42},
        {"grouping", "1,000", 42},
        {"list", QVariantList{1, 2}, 42},
    };
    QTemporaryDir dir;
    const QString file = dir.filePath("i.conf");
    {
        UserDefaults writer(file);
        for (const auto &c : cases) {
            if (c.stored.isValid())
                writer.setObject(c.stored, c.name);
            EXPECT_EQ(writer.integerForKey(c.name, 42), c.expected) << c.name << " in memory";
        }
        ASSERT_TRUE(writer.synchronize());
    }
    UserDefaults reader(file);
    for (const auto &c : cases)
        EXPECT_EQ(reader.integerForKey(c.name, 42), c.expected) << c.name << " from the file";
}

// People edit this file by hand: numbers must not be wrapped in Qt's variant notation.
TEST(UserDefaultsIntegers, SetIntegerWritesPlainText) {
    QTemporaryDir dir;
    const QString file = dir.filePath("i.conf");
    {
        UserDefaults writer(file);
        writer.setInteger(1, "K");
        writer.setInteger(Min, "K"); // overwrites
        ASSERT_TRUE(writer.synchronize());
    }
    EXPECT_EQ(UserDefaults(file).integerForKey("K", 42), Min);
    QFile raw(file);
    ASSERT_TRUE(raw.open(QIODevice::ReadOnly));
    const QByteArray text = raw.readAll();
    EXPECT_FALSE(text.contains("@Variant")) << text.constData();
    EXPECT_TRUE(text.contains("K=-9223372036854775808")) << text.constData();
}

TEST(UserDefaultsKeys, ListsEveryKeyIncludingGroupsAndRemovals) {
    QTemporaryDir dir;
    const QString file = dir.filePath("k.conf");
    UserDefaults defaults(file);
    EXPECT_TRUE(defaults.allKeys().isEmpty());
    const QStringList keys{"A", "a", "DontAsk/sub", R"(NSAlert AutoSuppress "x" "%@")", "b c"};
    for (const QString &key : keys)
        defaults.setInteger(1, key);
    defaults.removeObjectForKey("a");
    ASSERT_TRUE(defaults.synchronize());

    QStringList expected = keys;
    expected.removeOne("a");
    expected.sort();
    QStringList listed = defaults.allKeys();
    listed.sort();
    EXPECT_EQ(listed, expected);
    QStringList reread = UserDefaults(file).allKeys();
    reread.sort();
    EXPECT_EQ(reread, expected);
}

} // namespace
