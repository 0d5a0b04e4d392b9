#include "platform/doublevalue.h"
#include "platform/userdefaults.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <unistd.h>

namespace {

TEST(UserDefaults, DoublesSurviveTheFileExactly) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("a.conf"));
    const double values[] = {0.1,
                             1.0 / 3,
                             -0.0,
                             6.6732e-11,
                             std::numeric_limits<double>::max(),
                             std::numeric_limits<double>::denorm_min(),
                             HUGE_VAL,
                             -HUGE_VAL,
                             12345678901234567890.0};
    {
        UserDefaults writer(file);
        for (std::size_t i = 0; i < std::size(values); ++i)
            writer.setDouble(values[i], QStringLiteral("K%1").arg(i));
        ASSERT_TRUE(writer.synchronize());
    }
    UserDefaults reader(file);
    for (std::size_t i = 0; i < std::size(values); ++i) {
        const double read = doubleValue(reader.objectForKey(QStringLiteral("K%1").arg(i)));
        EXPECT_EQ(std::bit_cast<std::uint64_t>(read), std::bit_cast<std::uint64_t>(values[i]))
            << values[i];
    }
}

TEST(UserDefaults, SeesWhatAnotherWriterSynchronized) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("a.conf"));
    UserDefaults first(file);
    UserDefaults second(file);
    first.setDouble(1, QStringLiteral("A"));
    ASSERT_TRUE(first.synchronize());
    second.setDouble(2, QStringLiteral("B"));
    ASSERT_TRUE(second.synchronize());
    // Neither write lost the other's key.
    ASSERT_TRUE(first.synchronize());
    EXPECT_EQ(doubleValue(first.objectForKey(QStringLiteral("B"))), 2);
    EXPECT_EQ(doubleValue(second.objectForKey(QStringLiteral("A"))), 1);

    // Re-assigning the value the file holds must not be skipped on a stale cache.
    second.setDouble(5, QStringLiteral("A"));
    ASSERT_TRUE(second.synchronize());
    first.setDouble(1, QStringLiteral("A"));
    ASSERT_TRUE(first.synchronize());
    ASSERT_TRUE(second.synchronize());
    EXPECT_EQ(doubleValue(second.objectForKey(QStringLiteral("A"))), 1);
}

TEST(UserDefaults, FailuresAreReported) {
    QTemporaryDir dir;
    // A folder where the file should be can be neither read nor replaced.
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("a.conf")));
    UserDefaults unreadable(dir.filePath(QStringLiteral("a.conf")));
    unreadable.setDouble(1, QStringLiteral("A"));
    EXPECT_FALSE(unreadable.synchronize());
    if (geteuid() == 0)
        GTEST_SKIP() << "root writes anywhere";
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
    UserDefaults unwritable(dir.filePath(QStringLiteral("b.conf")));
    unwritable.setDouble(1, QStringLiteral("A"));
    EXPECT_FALSE(unwritable.synchronize());
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

} // namespace
