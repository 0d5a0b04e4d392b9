#include "platform/doublevalue.h"
#include "platform/userdefaults.h"
#include "tests/support/testing.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <limits>

namespace {

constexpr qint64 Max = std::numeric_limits<qint64>::max();

std::uint64_t bits(const UserDefaults &defaults, const QString &key) {
    return std::bit_cast<std::uint64_t>(platform::doubleValue(defaults.objectForKey(key)));
}

// What another process reads from the file: this one would be served from its cache of it.
std::uint64_t bitsOnDisk(const QString &file, const QString &key) {
    QFile::remove(file + ".copy");
    EXPECT_TRUE(QFile::copy(file, file + ".copy"));
    return bits(UserDefaults(file + ".copy"), key);
}

class UserDefaultsTest : public testing::Test {
protected:
    QTemporaryDir dir;
    const QString file = dir.filePath("a.conf");
};

TEST_F(UserDefaultsTest, DoublesPersistExactly) {
    const double values[] = {0.1, -0.0, DBL_TRUE_MIN, -HUGE_VAL, 12345678901234567890.0};
    UserDefaults writer(file), memory{UserDefaults::InMemory{}};
    for (std::size_t i = 0; i < std::size(values); ++i)
        writer.setDouble(values[i], QString::number(i));
    ASSERT_TRUE(writer.synchronize());
    for (std::size_t i = 0; i < std::size(values); ++i)
        EXPECT_EQ(bitsOnDisk(file, QString::number(i)), std::bit_cast<std::uint64_t>(values[i]));
    // A store in memory keeps a double as it is, and its synchronize() has nothing to fail at.
    memory.setDouble(-0.0, "z");
    EXPECT_TRUE(memory.synchronize() && bits(memory, "z") == std::bit_cast<std::uint64_t>(-0.0));
}

TEST_F(UserDefaultsTest, WritersOfOneFileLoseNothingOfEachOther) {
    UserDefaults first(file), second(file);
    first.setDouble(1, "A");
    EXPECT_FALSE(QFile::exists(file)) << "changes wait for synchronize()";
    ASSERT_TRUE(first.synchronize());
    second.setDouble(3, "C");
    ASSERT_TRUE(second.synchronize() && first.synchronize());
    EXPECT_EQ(first.integerForKey("C", 0), 3);
    EXPECT_EQ(second.integerForKey("A", 0), 1);
    // Re-assigning the value a stale cache holds is not skipped, and wins.
    second.setDouble(5, "A");
    ASSERT_TRUE(second.synchronize());
    first.setDouble(1, "A");
    ASSERT_TRUE(first.synchronize());
    EXPECT_EQ(bitsOnDisk(file, "A"), std::bit_cast<std::uint64_t>(1.0));
}

TEST_F(UserDefaultsTest, ReloadsWhatAnotherProcessWrote) {
    UserDefaults defaults(file);
    defaults.setDouble(1, "A");
    ASSERT_TRUE(defaults.synchronize());
    // Written the way another process's store replaces it: a new file under the name. QSettings
    // itself re-reads only a file whose size or millisecond differs.
    ASSERT_EQ(::rename(QFile::encodeName(putFile(file + ".new", "[General]\nA=1\nB=2\n")),
                       QFile::encodeName(file)),
              0);
    EXPECT_EQ(defaults.integerForKey("B", -1), -1) << "read too early";
    defaults.reloadIfChanged();
    EXPECT_EQ(defaults.integerForKey("B", -1), 2);
}

// A folder where the file should be can be neither read nor replaced.
TEST_F(UserDefaultsTest, UnreadableFileIsReported) {
    ASSERT_TRUE(QDir(dir.path()).mkdir("a.conf"));
    UserDefaults unreadable(file);
    unreadable.setDouble(1, "A");
    EXPECT_FALSE(unreadable.synchronize());
}

// QSettings would read every "/" as a group separator and drop empty groups; keys written
// before "/" was escaped are still read and removed.
TEST_F(UserDefaultsTest, EveryKeyStaysApart) {
    const QStringList keys = {"a/b", "a//b", "/a/b", "a%2Fb", "Escaped/a%2Fb", "a", "A"};
    const QString legacy = R"(NSAlert AutoSuppress "x/y")";
    QSettings(file, QSettings::IniFormat).setValue(legacy, -2);
    {
        UserDefaults writer(file);
        for (qsizetype i = 0; i < keys.size(); ++i)
            writer.setInteger(i, keys[i]);
        ASSERT_TRUE(writer.synchronize());
    }
    UserDefaults reader(file);
    for (qsizetype i = 0; i < keys.size(); ++i)
        EXPECT_EQ(reader.integerForKey(keys[i], -1), i) << keys[i].toStdString();
    EXPECT_EQ(reader.integerForKey(legacy, -1), -2);
    EXPECT_EQ(reader.integerForKey(R"(NSAlert AutoSuppress "x//y")", -1), -1);
    reader.removeObjectForKey("a//b");
    reader.removeObjectForKey(legacy);
    ASSERT_TRUE(reader.synchronize());
    QStringList expected = keys, listed = UserDefaults(file).allKeys();
    expected.removeOne("a//b");
    expected.sort();
    listed.sort();
    EXPECT_EQ(listed, expected);
}

// People edit this file by hand: a number must be a number in full, and numbers are not
// wrapped in Qt's variant notation.
TEST_F(UserDefaultsTest, IntegersFromNumbersAndNothingElse) {
    const std::pair<QVariant, qint64> cases[] = {
        {QVariant(), 42}, {QVariant::fromValue(std::numeric_limits<quint64>::max()), Max},
        {" +17 ", 17},    {"9223372036854775808", Max},
        {true, 1},        {"false", 0},
        {1e300, Max},     {std::nan(""), 42},
        {"12abc", 42},    {"1,000", 42}};
    UserDefaults defaults(file);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        if (cases[i].first.isValid())
            defaults.setObject(cases[i].first, QString::number(i));
    }
    defaults.setInteger(std::numeric_limits<qint64>::min(), "K");
    ASSERT_TRUE(defaults.synchronize());
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(defaults.integerForKey(QString::number(i), 42), cases[i].second) << i;
    QFile raw(file);
    ASSERT_TRUE(raw.open(QIODevice::ReadOnly));
    EXPECT_TRUE(raw.readAll().contains("\nK=-9223372036854775808\n"));
}

} // namespace
