#include "platform/doublevalue.h"
#include "platform/userdefaults.h"

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
#include <unistd.h>

namespace {

constexpr qint64 Max = std::numeric_limits<qint64>::max();
constexpr qint64 Min = std::numeric_limits<qint64>::min();

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

TEST_F(UserDefaultsTest, DoublesSurviveTheFileAndAStoreInMemoryExactly) {
    const double values[] = {0.1,        1.0 / 3,   -0.0,
                             6.6732e-11, DBL_MAX,   DBL_TRUE_MIN,
                             HUGE_VAL,   -HUGE_VAL, 12345678901234567890.0};
    UserDefaults writer(file), memory{UserDefaults::InMemory{}};
    for (UserDefaults *store : {&writer, &memory}) {
        for (std::size_t i = 0; i < std::size(values); ++i)
            store->setDouble(values[i], QString::number(i));
        ASSERT_TRUE(store->synchronize());
    }
    for (std::size_t i = 0; i < std::size(values); ++i) {
        EXPECT_EQ(bitsOnDisk(file, QString::number(i)), std::bit_cast<std::uint64_t>(values[i]));
        EXPECT_EQ(bits(memory, QString::number(i)), std::bit_cast<std::uint64_t>(values[i]));
    }
    // A store in memory has no file and shares nothing with another.
    EXPECT_TRUE(memory.fileName().isEmpty());
    EXPECT_TRUE(UserDefaults(UserDefaults::InMemory{}).allKeys().isEmpty());
    memory.removeObjectForKey("0");
    EXPECT_EQ(memory.allKeys().size(), qsizetype(std::size(values)) - 1);
}

TEST_F(UserDefaultsTest, WritersOfOneFileLoseNothingOfEachOther) {
    UserDefaults first(file), second(file);
    first.setDouble(1, "A");
    first.setDouble(2, "B");
    EXPECT_FALSE(QFile::exists(file)) << "changes wait for synchronize()";
    ASSERT_TRUE(first.synchronize());
    second.setDouble(3, "C");
    ASSERT_TRUE(second.synchronize() && first.synchronize());
    EXPECT_EQ(first.integerForKey("C", 0), 3);
    EXPECT_EQ(second.integerForKey("A", 0), 1);
    // Re-assigning the value a stale cache holds is not skipped, with another change waiting or
    // without, and wins.
    for (const char *waiting : {"", "D"}) {
        second.setDouble(5, "A");
        ASSERT_TRUE(second.synchronize());
        if (*waiting)
            first.setDouble(4, waiting);
        first.setDouble(1, "A");
        ASSERT_TRUE(first.synchronize());
        EXPECT_EQ(bitsOnDisk(file, "A"), std::bit_cast<std::uint64_t>(1.0)) << waiting;
    }
    EXPECT_EQ(bitsOnDisk(file, "D"), std::bit_cast<std::uint64_t>(4.0));
}

TEST_F(UserDefaultsTest, ReloadsWhatAnotherProcessWrote) {
    UserDefaults defaults(file);
    defaults.setDouble(1, "A");
    ASSERT_TRUE(defaults.synchronize());
    // Written the way another process's store replaces it: a new file under the name. QSettings
    // itself re-reads only a file whose size or millisecond differs.
    for (const char *b : {"2", "3.5"}) {
        QFile out(file + ".new");
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(QByteArray("[General]\nA=1\nB=") + b + "\n");
        out.close();
        ASSERT_EQ(::rename(QFile::encodeName(out.fileName()), QFile::encodeName(file)), 0);
        EXPECT_NE(bits(defaults, "B"), std::bit_cast<std::uint64_t>(atof(b))) << "read too early";
        defaults.reloadIfChanged();
        EXPECT_EQ(bits(defaults, "B"), std::bit_cast<std::uint64_t>(atof(b)));
    }
}

TEST_F(UserDefaultsTest, FailuresAreReported) {
    // A folder where the file should be can be neither read nor replaced.
    ASSERT_TRUE(QDir(dir.path()).mkdir("a.conf"));
    UserDefaults unreadable(file);
    unreadable.setDouble(1, "A");
    EXPECT_FALSE(unreadable.synchronize());
    if (geteuid() == 0)
        GTEST_SKIP() << "root writes anywhere";
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
    UserDefaults unwritable(dir.filePath("b.conf"));
    unwritable.setDouble(1, "A");
    EXPECT_FALSE(unwritable.synchronize());
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// QSettings would read every "/" as a group separator and drop empty groups.
TEST_F(UserDefaultsTest, EveryKeyStaysApart) {
    const QStringList keys = {"a/b",
                              "a//b",
                              "/a/b",
                              "a/b/",
                              "a%2Fb",
                              "Escaped/a%2Fb",
                              "a",
                              "A",
                              "%",
                              "b c",
                              R"(NSAlert AutoSuppress "x" "%@")"};
    {
        UserDefaults writer(file);
        for (qsizetype i = 0; i < keys.size(); ++i)
            writer.setInteger(i, keys[i]);
        ASSERT_TRUE(writer.synchronize());
    }
    UserDefaults reader(file);
    for (qsizetype i = 0; i < keys.size(); ++i)
        EXPECT_EQ(reader.integerForKey(keys[i], -1), i) << keys[i].toStdString();
    reader.removeObjectForKey("a//b");
    EXPECT_EQ(reader.integerForKey("a//b", -1), -1);
    EXPECT_EQ(reader.integerForKey("a/b", -1), 0);
    ASSERT_TRUE(reader.synchronize());
    QStringList expected = keys, listed = UserDefaults(file).allKeys();
    expected.removeOne("a//b");
    expected.sort();
    listed.sort();
    EXPECT_EQ(listed, expected);
}

TEST_F(UserDefaultsTest, ReadsSlashedKeysStoredBeforeTheyWereEscaped) {
    const QString key = R"(NSAlert AutoSuppress "a/b")";
    QSettings(file, QSettings::IniFormat).setValue(key, 1);
    UserDefaults defaults(file);
    EXPECT_EQ(defaults.integerForKey(key, -2), 1);
    EXPECT_EQ(defaults.allKeys(), QStringList{key});
    // "a//b" was never stored apart: it does not read "a/b"'s answer.
    EXPECT_EQ(defaults.integerForKey(R"(NSAlert AutoSuppress "a//b")", -2), -2);
    defaults.removeObjectForKey(key);
    EXPECT_TRUE(defaults.allKeys().isEmpty());
}

TEST_F(UserDefaultsTest, IntegersFromNumbersAndNothingElse) {
    const struct {
        const char *name;
        QVariant stored;
        qint64 expected;
    } cases[] = {
        {"nothing", QVariant(), 42},
        {"no answer", -2, -2},
        {"unsigned beyond", QVariant::fromValue(std::numeric_limits<quint64>::max()), Max},
        {"text", " +17 ", 17},
        {"text beyond", "9223372036854775808", Max},
        {"fraction", "1.9", 1},
        {"true", true, 1},
        {"true text", "true", 1},
        {"false text", "false", 0},
        {"double", 2.7, 2},
        {"huge", 1e300, Max},
        {"nan", std::nan(""), 42},
        {"number then words", "12abc", 42},
        {"grouping", "1,000", 42},
        {"list", QVariantList{1, 2}, 42},
    };
    {
        UserDefaults writer(file);
        for (const auto &c : cases) {
            if (c.stored.isValid())
                writer.setObject(c.stored, c.name);
            EXPECT_EQ(writer.integerForKey(c.name, 42), c.expected) << c.name << " in memory";
        }
        writer.setInteger(1, "K");
        writer.setInteger(Min, "K");
        ASSERT_TRUE(writer.synchronize());
    }
    UserDefaults reader(file);
    for (const auto &c : cases)
        EXPECT_EQ(reader.integerForKey(c.name, 42), c.expected) << c.name << " from the file";
    EXPECT_EQ(reader.integerForKey("K", 42), Min);
    // People edit this file by hand: numbers are not wrapped in Qt's variant notation.
    QFile raw(file);
    ASSERT_TRUE(raw.open(QIODevice::ReadOnly));
    EXPECT_TRUE(raw.readAll().contains("\nK=-9223372036854775808\n"));
}

} // namespace
