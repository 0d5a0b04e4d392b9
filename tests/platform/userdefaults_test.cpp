#include "platform/doublevalue.h"
#include "platform/userdefaults.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdio>
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
    // Read from a copy: this process would otherwise be served from its cache of the file.
    const QString copy = dir.filePath(QStringLiteral("b.conf"));
    ASSERT_TRUE(QFile::copy(file, copy));
    UserDefaults reader(copy);
    for (std::size_t i = 0; i < std::size(values); ++i) {
        const double read =
            platform::doubleValue(reader.objectForKey(QStringLiteral("K%1").arg(i)));
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
    EXPECT_EQ(platform::doubleValue(first.objectForKey(QStringLiteral("B"))), 2);
    EXPECT_EQ(platform::doubleValue(second.objectForKey(QStringLiteral("A"))), 1);

    // Re-assigning the value the file holds must not be skipped on a stale cache.
    second.setDouble(5, QStringLiteral("A"));
    ASSERT_TRUE(second.synchronize());
    first.setDouble(1, QStringLiteral("A"));
    ASSERT_TRUE(first.synchronize());
    ASSERT_TRUE(second.synchronize());
    EXPECT_EQ(platform::doubleValue(second.objectForKey(QStringLiteral("A"))), 1);
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

namespace {

TEST(UserDefaults, KeysWithSlashesStayApart) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("a.conf"));
    // QSettings would read every "/" as a group separator and drop empty groups.
    const QStringList keys = {QStringLiteral("a/b"),   QStringLiteral("a//b"),
                              QStringLiteral("/a/b"),  QStringLiteral("a/b/"),
                              QStringLiteral("a%2Fb"), QStringLiteral("Escaped/a%2Fb"),
                              QStringLiteral("a"),     QStringLiteral("%")};
    {
        UserDefaults writer(file);
        for (qsizetype i = 0; i < keys.size(); ++i)
            writer.setInteger(i, keys[i]);
        ASSERT_TRUE(writer.synchronize());
    }
    UserDefaults reader(file);
    for (qsizetype i = 0; i < keys.size(); ++i)
        EXPECT_EQ(reader.integerForKey(keys[i], -1), i) << keys[i].toStdString();
    QStringList all = reader.allKeys();
    all.sort();
    QStringList expected = keys;
    expected.sort();
    EXPECT_EQ(all, expected);
    reader.removeObjectForKey(QStringLiteral("a//b"));
    EXPECT_EQ(reader.integerForKey(QStringLiteral("a//b"), -1), -1);
    EXPECT_EQ(reader.integerForKey(QStringLiteral("a/b"), -1), 0);
}

TEST(UserDefaults, ReadsSlashedKeysStoredBeforeTheyWereEscaped) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("a.conf"));
    {
        QSettings old(file, QSettings::IniFormat);
        old.setValue(QStringLiteral("NSAlert AutoSuppress \"a/b\""), 1);
    }
    UserDefaults defaults(file);
    const QString key = QStringLiteral("NSAlert AutoSuppress \"a/b\"");
    EXPECT_EQ(defaults.integerForKey(key, -2), 1);
    EXPECT_EQ(defaults.allKeys(), QStringList{key});
    // "a//b" was never stored apart: it does not read "a/b"'s answer.
    EXPECT_EQ(defaults.integerForKey(QStringLiteral("NSAlert AutoSuppress \"a//b\""), -2), -2);
    defaults.removeObjectForKey(key);
    EXPECT_TRUE(defaults.allKeys().isEmpty());
}

TEST(UserDefaults, ReloadsWhatAnotherProcessWrote) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("a.conf"));
    UserDefaults defaults(file);
    defaults.setDouble(1, QStringLiteral("A"));
    ASSERT_TRUE(defaults.synchronize());
    // Written the way another process's store replaces it: a new file under the name.
    // QSettings itself re-reads only a file whose size or millisecond differs.
    const struct {
        const char *content;
        double b;
    } writes[] = {{"[General]\nA=1\nB=2\n", 2}, {"[General]\nA=1\nB=3.5\n", 3.5}};
    for (const auto &w : writes) {
        const QString next = file + QStringLiteral(".new");
        QFile out(next);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(w.content);
        out.close();
        ASSERT_EQ(
            ::rename(QFile::encodeName(next).constData(), QFile::encodeName(file).constData()), 0);
        if (w.b == 2) {
            EXPECT_FALSE(defaults.objectForKey(QStringLiteral("B")).isValid()); // not yet read
        }
        defaults.reloadIfChanged();
        EXPECT_EQ(platform::doubleValue(defaults.objectForKey(QStringLiteral("B"))), w.b);
    }
}

} // namespace

namespace {

TEST(UserDefaults, InMemoryStoreKeepsWhatItIsGivenAndWritesNothing) {
    UserDefaults memory{UserDefaults::InMemory{}};
    UserDefaults other{UserDefaults::InMemory{}};
    EXPECT_TRUE(memory.fileName().isEmpty());
    const struct {
        const char *key;
        double value;
    } cases[] = {{"A", 0.1}, {"a", -0.0}, {"a/b", HUGE_VAL}, {"a//b", 6.6732e-11}, {"", 1}};
    for (const auto &c : cases)
        memory.setDouble(c.value, QString::fromLatin1(c.key));
    EXPECT_TRUE(memory.synchronize());
    memory.reloadIfChanged();
    for (const auto &c : cases) {
        const double read = platform::doubleValue(memory.objectForKey(QString::fromLatin1(c.key)));
        EXPECT_EQ(std::bit_cast<std::uint64_t>(read), std::bit_cast<std::uint64_t>(c.value))
            << c.key;
    }
    EXPECT_EQ(memory.allKeys().size(), qsizetype(std::size(cases)));
    // Stores in memory share nothing, unlike two stores of one file.
    EXPECT_TRUE(other.allKeys().isEmpty());
    memory.removeObjectForKey(QStringLiteral("a//b"));
    EXPECT_FALSE(memory.objectForKey(QStringLiteral("a//b")).isValid());
    EXPECT_EQ(memory.integerForKey(QStringLiteral("a/b"), -1), std::numeric_limits<qint64>::max());
}

TEST(UserDefaults, ChangesWaitForOneWrite) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("a.conf"));
    UserDefaults defaults(file);
    defaults.setDouble(1, QStringLiteral("A"));
    defaults.setDouble(2, QStringLiteral("B"));
    EXPECT_FALSE(QFile::exists(file));
    ASSERT_TRUE(defaults.synchronize());
    UserDefaults other(file);
    other.setDouble(5, QStringLiteral("A"));
    ASSERT_TRUE(other.synchronize());
    // With a change waiting, a value the stale cache holds is still written, and wins.
    defaults.setDouble(3, QStringLiteral("C"));
    defaults.setDouble(1, QStringLiteral("A"));
    ASSERT_TRUE(defaults.synchronize());
    const QString copy = dir.filePath(QStringLiteral("b.conf"));
    ASSERT_TRUE(QFile::copy(file, copy));
    UserDefaults reader(copy);
    EXPECT_EQ(platform::doubleValue(reader.objectForKey(QStringLiteral("A"))), 1);
    EXPECT_EQ(platform::doubleValue(reader.objectForKey(QStringLiteral("B"))), 2);
    EXPECT_EQ(platform::doubleValue(reader.objectForKey(QStringLiteral("C"))), 3);
}

} // namespace
