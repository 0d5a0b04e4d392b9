#include "filelib/propertylist.h"

#include <QDateTime>
#include <QPoint>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <limits>
#include <vector>

using namespace filelib;

// Written by Python's plistlib (an independent binary writer): a dictionary with every kind.
const QByteArray AllKinds = QByteArray::fromBase64(
    "YnBsaXN0MDDbAQIDBAUGBwgJCgsMEBESExQVFhcYGVFhU2JpZ1FkVGRhdGFRZVFmU21heFNuZWdRclF0UXWjDQ4PUXgQ"
    "B6AUAAAAAAAAAAD//////////zNBwd7KkoAAAEMAAf/QCBN//////////xP/////////+yM/+AAAAAAAAAmAAwgfISUn"
    "LC4wNDg6PD5CREZHWGFlZmdweYKDAAAAAAAAAQEAAAAAAAAAGgAAAAAAAAAAAAAAAAAAAIU=");

TEST(PropertyList, ReadsBinaryFromAnotherWriter) {
    const QVariantMap m = propertyListFromData(AllKinds).toMap();
    const std::pair<const char *, QVariant> rows[] = {
        {"neg", qint64(-5)},
        {"big", std::numeric_limits<quint64>::max()},
        {"t", true},
        {"d", QDateTime(QDate(2020, 1, 2), QTime(3, 4, 5), Qt::UTC)},
        {"data", QByteArray("\x00\x01\xff", 3)},
        {"a", QVariantList{"x", qint64(7), QVariantList()}},
        {"u", QVariantMap{{"CF$UID", quint64(3)}}}};
    EXPECT_EQ(m.size(), 11);
    for (const auto &[key, expected] : rows) {
        EXPECT_EQ(m.value(key), expected) << key;
        EXPECT_EQ(m.value(key).typeId(), expected.typeId()) << key;
    }
}

TEST(PropertyList, WritesXmlThatReadsBack) {
    const QVariant rows[] = {QStringLiteral("caf\u00e9 \U0001F600 <&> \"'\t\n\r"),
                             std::numeric_limits<quint64>::max(), // was written negative
                             QVariantList{QVariantMap{{"", 1LL}}, QByteArray("\x00\xfe", 2)}};
    for (const QVariant &row : rows)
        EXPECT_EQ(propertyListFromData(propertyListData(row)), row) << row.toString().toStdString();
    // Written in other types, read in the ones reading gives.
    EXPECT_EQ(propertyListFromData(propertyListData(QVariantHash{{"k", QStringList{"a"}}})),
              (QVariantMap{{"k", QVariantList{"a"}}}));
    const QVariant rejected[] = {
        QVariant::fromValue(QPoint(1, 2)), QVariantMap{{QString::fromUtf8("a\0b", 3), 1}},
        QVariantList{1, QVariant()}, QDateTime(QDate(1800, 1, 1), QTime(0, 0), Qt::UTC)};
    for (const QVariant &row : rejected)
        EXPECT_TRUE(propertyListData(row).isNull()) << row.typeName();
    // Fractions of a second go, also before 2001 where the seconds are negative.
    const QDateTime date(QDate(1999, 12, 31), QTime(23, 59, 58), Qt::UTC);
    EXPECT_EQ(propertyListFromData(propertyListData(date.addMSecs(999))), QVariant(date));
}

// Object 0, unreachable, refers to object 5 of 2; the top is object 1, true.
const QByteArray BadReference =
    QByteArray::fromBase64("YnBsaXN0MDChBQkICgAAAAAAAAEBAAAAAAAAAAIAAAAAAAAAAQAAAAAAAAAL");

// A binary list with a NUL in a key, which another reader aborted on.
const QByteArray NulKey = QByteArray::fromBase64(
    "YnBsaXN0MDDRAQJTYQBiEAEICw8AAAAAAAABAQAAAAAAAAADAAAAAAAAAAAAAAAAAAAAEQ==");

// A binary list of levels arrays (or sets, marker 0xC0), each holding refs references to the
// next one; the last holds true, or refers back to the first.
QByteArray nestedArrays(quint32 levels, int refs, bool cycle = false, uchar marker = 0xA0) {
    QByteArray out("bplist00");
    std::vector<quint32> offsets;
    const auto put32 = [&out](quint64 n, int size) {
        for (int shift = (size - 1) * 8; shift >= 0; shift -= 8)
            out.append(char(n >> shift));
    };
    for (quint32 i = 0; i < levels; ++i) {
        offsets.push_back(quint32(out.size()));
        out.append(char(marker | refs));
        for (int r = 0; r < refs; ++r)
            put32(i + 1 < levels ? i + 1 : cycle ? 0 : levels, 4);
    }
    offsets.push_back(quint32(out.size()));
    out.append('\x09');
    const quint64 table = quint64(out.size());
    for (quint32 offset : offsets)
        put32(offset, 4);
    out.append(6, '\0').append('\x04').append('\x04');
    put32(levels + 1, 8);
    put32(0, 8);
    put32(table, 8);
    return out;
}

TEST(PropertyList, SharedAndNestedObjects) {
    // Shared objects read as copies, within limits; beyond them libplist would overflow its
    // stack, spin for minutes or build billions of nodes.
    QVariant leaf = true;
    for (int i = 0; i < 10; ++i)
        leaf = QVariantList{leaf, leaf};
    EXPECT_EQ(propertyListFromData(nestedArrays(10, 2)), leaf);
    EXPECT_TRUE(propertyListFromData(nestedArrays(200, 1)).isValid());
    const QByteArray rows[] = {nestedArrays(300, 1), nestedArrays(40, 2), nestedArrays(3, 1, true),
                               nestedArrays(20, 2, false, 0xC0), // sets share like arrays
                               "<plist>" + QByteArray("<array>").repeated(200000) + "</plist>"};
    for (const QByteArray &row : rows)
        EXPECT_FALSE(propertyListFromData(row).isValid()) << row.left(20).toStdString();
}

TEST(PropertyList, BadBytesReadAsNothing) {
    const QByteArray rows[] = {AllKinds.chopped(1), NulKey, BadReference,
                               QByteArray("<plist><dict><key>a\0b</key><true/></dict></plist>", 49),
                               "<plist><dict><key>a</key>"};
    for (const QByteArray &row : rows)
        EXPECT_FALSE(propertyListFromData(row).isValid()) << row.left(40).toStdString();
}

TEST(PropertyList, FilesAtomicallyOrInPlace) {
    QTemporaryDir dir;
    const QString path = dir.filePath("a.plist");
    const QVariantMap object{{"URL", "http://a.org"}, {"n", qint64(3)}};
    bool ok = false;
    ASSERT_TRUE(writePropertyList(object, path, Atomically::No));
    EXPECT_TRUE(readPropertyListDictionary(path, &ok) == object && ok);
    EXPECT_TRUE(writePropertyList(QVariantList{1}, path));
    EXPECT_TRUE(readPropertyListDictionary(path, &ok).isEmpty() && !ok);
    // Nothing is touched for a rejected object; no folders are made; odd paths are refused.
    EXPECT_FALSE(writePropertyList(QVariant::fromValue(QPoint()), path));
    EXPECT_EQ(readPropertyList(path), QVariantList{1});
    EXPECT_FALSE(writePropertyList(object, dir.filePath("no/x.plist")));
    // Only regular files are read, so a device cannot hang the reader.
    EXPECT_FALSE(readPropertyList("/dev/zero").isValid());
}

// A binary list whose date lies a fraction of a second before the earliest one property lists
// can hold (found by fuzzing): it reads as that earliest date and writes back.
const QByteArray EarliestDate = QByteArray::fromBase64(
    "YnBsaXN0MDDYAQIDBAUGBwgJDg8QERITFFFhU2JpZ1FkVGRhdGFTbmVnUXJRdFF1pAoLDA1ReBAHoNAUAAAAAAD8///+"
    "/////////zNB4d7KkpEAAEIAATP/////////+yM/+AAAAAAAAAmAAwgZGx8hLiomLjA1Nzk6O0xVWGFqawAAAAAAAAEB"
    "AAAAAAAAABUAAAAAAAAAAAAAAAAAAABt");

TEST(PropertyList, DatesBeforeTheEarliestReadAsItAndWriteBack) {
    const QVariant v = propertyListFromData(EarliestDate);
    const QDateTime date = v.toMap().value("d").toDateTime();
    EXPECT_EQ(date, QDateTime(QDate(1932, 12, 13), QTime(20, 45, 52), Qt::UTC));
    const QByteArray xml = propertyListData(v);
    ASSERT_FALSE(xml.isNull());
    EXPECT_EQ(propertyListData(propertyListFromData(xml)), xml);
}
