#include "filelib/defaults.h"

#include "../textlib/texttesting.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

using namespace filelib;

namespace {

class Defaults : public testing::Test {
protected:
    QString file() const { return dir.filePath("defaults.ini"); }
    QTemporaryDir dir;
    UserDefaults store{file()};
};

TEST_F(Defaults, AbsentValuesRemoveKeys) {
    setValue(store, 5, "k");
    setValue(store, QVariant(), "k");
    EXPECT_FALSE(store.objectForKey("k").isValid());
    setString(store, "", "s");
    EXPECT_EQ(stringForKey(store, "s", "dflt"), "");
    setString(store, QString(), "s");
    EXPECT_FALSE(store.objectForKey("s").isValid());
    setValue(store, QVariant(QString()), "s");
    EXPECT_FALSE(store.objectForKey("s").isValid());
}

TEST_F(Defaults, TypedReadsFallBackOnlyWhereDescribed) {
    const struct {
        QVariant stored;
        bool b;
        qint64 integer;
        float f;
        double d;
        QString text;
    } rows[] = {// Nothing stored: every default.
                {QVariant(), true, 7, 1.5f, 2.5, "dflt"},
                {QString("abc"), false, 0, 0, 0, "abc"},
                {QString("YES"), true, 0, 0, 0, "YES"},
                {QString("nan"), false, 0, 1.5f, 2.5, "nan"},
                {QString(" 3.25"), true, 3, 3.25f, 3.25, " 3.25"},
                {42, true, 42, 42, 42, "42"},
                {false, false, 0, 0, 0, "false"},
                {QVariantList{1, 2}, false, 0, 0, 2.5, "dflt"}};
    for (const auto &r : rows) {
        SCOPED_TRACE(testing::Message() << "type " << r.stored.metaType().id());
        setValue(store, r.stored, "k");
        EXPECT_EQ(boolForKey(store, "k", true), r.b);
        EXPECT_EQ(integerForKey(store, "k", 7), r.integer);
        EXPECT_EQ(floatForKey(store, "k", 1.5f), r.f);
        EXPECT_EQ(doubleForKey(store, "k", 2.5), r.d);
        EXPECT_EQ(stringForKey(store, "k", "dflt"), r.text);
        EXPECT_EQ(objectForKey(store, "k", "dflt"),
                  r.stored.isValid() ? r.stored : QVariant("dflt"));
    }
}

TEST_F(Defaults, InstallFlagIsOnceOnlyAcrossProcesses) {
    EXPECT_TRUE(shouldInstallItemForKey(store, "item"));
    EXPECT_FALSE(shouldInstallItemForKey(store, "item"));
    EXPECT_TRUE(shouldInstallItemForKey(store, "other"));
    ASSERT_TRUE(store.synchronize());
    UserDefaults reread(file());
    EXPECT_FALSE(shouldInstallItemForKey(reread, "item"));
    setShouldInstallItem(reread, true, "item");
    EXPECT_TRUE(shouldInstallItemForKey(reread, "item"));
    EXPECT_FALSE(shouldInstallItemForKey(reread, "item"));
}

TEST_F(Defaults, PathExtensions) {
    const struct {
        QVariant stored;
        QStringList expected;
    } rows[] = {{QVariant(), {}},
                {QString("md.txt.log"), {"md", "txt", "log"}},
                {QString("md..txt"), {"md", "txt"}},
                {QString(""), {}},
                {QString(".a b.c-d."), {}},
                {5, {}},
                {QStringList{"md", "", "x1234567890123456", "x12345678901234567",
                             QString::fromUtf16(u"\u00fcbx")},
                 {"md", "x1234567890123456", QString::fromUtf16(u"\u00fcbx")}},
                {QVariantList{"md", 5, "rst", QVariantList{"x"}}, {"md", "rst"}}};
    for (const auto &r : rows) {
        setValue(store, r.stored, "ext");
        EXPECT_EQ(pathExtensionsForKey(store, "ext"), r.expected) << r.stored.metaType().id();
    }
    // A stored list survives the trip through the file.
    setValue(store, QStringList{"md", "rst"}, "ext");
    ASSERT_TRUE(store.synchronize());
    UserDefaults reread(file());
    EXPECT_EQ(pathExtensionsForKey(reread, "ext"), QStringList({"md", "rst"}));
}

} // namespace
