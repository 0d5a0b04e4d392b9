#include "filelib/defaults.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <tuple>

using namespace filelib;
using namespace Qt::StringLiterals;

// The same getters on the user defaults, which add the install flags and extension lists.
struct Defaults : testing::Test {
    QString file() const { return dir.filePath("defaults.ini"); }
    QTemporaryDir dir;
    UserDefaults store{file()};
};

TEST_F(Defaults, TypedReadsFallBackOnlyWhereDescribed) {
    // What is stored, then what reading it as bool, integer, float, double and text gives.
    using As = std::tuple<bool, qint64, float, double, QString>;
    const std::pair<QVariant, As> rows[] = {
        {QVariant(), {true, 7, 1.5f, 2.5, "dflt"}}, // nothing stored: every default
        {QString("YES"), {true, 0, 0, 0, "YES"}},
        {QString("nan"), {false, 0, 1.5f, 2.5, "nan"}},
        {QVariantList{1, 2}, {false, 0, 0, 2.5, "dflt"}}};
    for (const auto &[stored, as] : rows) {
        setValue(store, stored, "k");
        EXPECT_EQ(std::tuple(boolForKey(store, "k", true), integerForKey(store, "k", 7),
                             floatForKey(store, "k", 1.5f), doubleForKey(store, "k", 2.5),
                             stringForKey(store, "k", "dflt")),
                  as)
            << stored.metaType().id();
        EXPECT_EQ(objectForKey(store, "k", "dflt"), stored.isValid() ? stored : QVariant("dflt"));
    }
    setValue(store, QString(), "k"); // null text removes the key too
    EXPECT_FALSE(store.objectForKey("k").isValid());
}

TEST_F(Defaults, InstallFlagIsOnceOnlyAcrossProcesses) {
    EXPECT_TRUE(shouldInstallItemForKey(store, "item") && store.synchronize());
    UserDefaults reread(file());
    EXPECT_FALSE(shouldInstallItemForKey(reread, "item"));
    setShouldInstallItem(reread, true, "item");
    EXPECT_TRUE(shouldInstallItemForKey(reread, "item"));
}

TEST_F(Defaults, PathExtensions) {
    const std::pair<QVariant, QStringList> rows[] = {
        {QString("md..txt"), {"md", "txt"}},
        {QStringList{"md", "", "x1234567890123456", "x12345678901234567", u"\u00fcbx"_s},
         {"md", "x1234567890123456", u"\u00fcbx"_s}},
        {QVariantList{"md", 5, "rst", QVariantList{"x"}}, {"md", "rst"}}};
    for (const auto &[stored, expected] : rows) {
        setValue(store, stored, "ext");
        EXPECT_EQ(pathExtensionsForKey(store, "ext"), expected) << stored.metaType().id();
    }
    // A stored list survives the trip through the file.
    setValue(store, QStringList{"md", "rst"}, "ext");
    ASSERT_TRUE(store.synchronize());
    EXPECT_EQ(pathExtensionsForKey(UserDefaults(file()), "ext"), QStringList({"md", "rst"}));
}
