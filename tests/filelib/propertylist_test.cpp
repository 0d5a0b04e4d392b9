#include "filelib/propertylist.h"

#include <QDateTime>
#include <QPoint>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <limits>
#include <vector>

using namespace filelib;

// Written by Python's plistlib (an independent binary writer): a dictionary with every kind.
const char AllKinds[] =
    "\x62\x70\x6c\x69\x73\x74\x30\x30\xdb\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a\x0b\x0c\x10"
    "\x11\x12\x13\x14\x15\x16\x17\x18\x19\x51\x61\x53\x62\x69\x67\x51\x64\x54\x64\x61\x74\x61"
    "\x51\x65\x51\x66\x53\x6d\x61\x78\x53\x6e\x65\x67\x51\x72\x51\x74\x51\x75\xa3\x0d\x0e\x0f"
    "\x51\x78\x10\x07\xa0\x14\x00\x00\x00\x00\x00\x00\x00\x00\xff\xff\xff\xff\xff\xff\xff\xff"
    "\x33\x41\xc1\xde\xca\x92\x80\x00\x00\x43\x00\x01\xff\xd0\x08\x13\x7f\xff\xff\xff\xff\xff"
    "\xff\xff\x13\xff\xff\xff\xff\xff\xff\xff\xfb\x23\x3f\xf8\x00\x00\x00\x00\x00\x00\x09\x80"
    "\x03\x08\x1f\x21\x25\x27\x2c\x2e\x30\x34\x38\x3a\x3c\x3e\x42\x44\x46\x47\x58\x61\x65\x66"
    "\x67\x70\x79\x82\x83\x00\x00\x00\x00\x00\x00\x01\x01\x00\x00\x00\x00\x00\x00\x00\x1a\x00"
    "\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x85";

TEST(PropertyList, ReadsBinaryFromAnotherWriter) {
    const QVariantMap m = propertyListFromData(QByteArray(AllKinds, sizeof AllKinds - 1)).toMap();
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
const char BadReference[] = "bplist00\xA1\x05\x09\x08\x0A\0\0\0\0\0\0\x01\x01\0\0\0\0\0\0\0\x02"
                            "\0\0\0\0\0\0\0\x01\0\0\0\0\0\0\0\x0B";

// A binary list with a NUL in a key, which another reader aborted on.
const char NulKey[] = "\x62\x70\x6c\x69\x73\x74\x30\x30\xd1\x01\x02\x53\x61\x00\x62\x10\x01\x08"
                      "\x0b\x0f\x00\x00\x00\x00\x00\x00\x01\x01\x00\x00\x00\x00\x00\x00\x00\x03"
                      "\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x11";

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
    const QByteArray rows[] = {"bplist00",
                               QByteArray(AllKinds, sizeof AllKinds - 2),
                               QByteArray(NulKey, sizeof NulKey - 1),
                               QByteArray(BadReference, sizeof BadReference - 1),
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
    EXPECT_TRUE(readPropertyListDictionary(path, &ok).isEmpty());
    EXPECT_FALSE(ok);
    // Nothing is touched for a rejected object; no folders are made; odd paths are refused.
    EXPECT_FALSE(writePropertyList(QVariant::fromValue(QPoint()), path));
    EXPECT_EQ(readPropertyList(path), QVariantList{1});
    EXPECT_FALSE(writePropertyList(object, dir.filePath("no/x.plist")));
    // Only regular files are read, so a device cannot hang the reader.
    EXPECT_FALSE(readPropertyList("/dev/zero").isValid());
}

// A binary list whose date lies a fraction of a second before the earliest one property lists
// can hold (found by fuzzing): it reads as that earliest date and writes back.
const char EarliestDate[] =
    "\x62\x70\x6c\x69\x73\x74\x30\x30\xd8\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0e\x0f\x10\x11"
    "\x12\x13\x14\x51\x61\x53\x62\x69\x67\x51\x64\x54\x64\x61\x74\x61\x53\x6e\x65\x67\x51\x72"
    "\x51\x74\x51\x75\xa4\x0a\x0b\x0c\x0d\x51\x78\x10\x07\xa0\xd0\x14\x00\x00\x00\x00\x00\xfc"
    "\xff\xff\xfe\xff\xff\xff\xff\xff\xff\xff\x33\x41\xe1\xde\xca\x92\x91\x00\x00\x42\x00\x01"
    "\x33\xff\xff\xff\xff\xff\xff\xff\xfb\x23\x3f\xf8\x00\x00\x00\x00\x00\x00\x09\x80\x03\x08"
    "\x19\x1b\x1f\x21\x2e\x2a\x26\x2e\x30\x35\x37\x39\x3a\x3b\x4c\x55\x58\x61\x6a\x6b\x00\x00"
    "\x00\x00\x00\x00\x01\x01\x00\x00\x00\x00\x00\x00\x00\x15\x00\x00\x00\x00\x00\x00\x00\x00"
    "\x00\x00\x00\x00\x00\x00\x00\x6d";

TEST(PropertyList, DatesBeforeTheEarliestReadAsItAndWriteBack) {
    const QVariant v = propertyListFromData(QByteArray(EarliestDate, sizeof EarliestDate - 1));
    const QDateTime date = v.toMap().value("d").toDateTime();
    EXPECT_EQ(date, QDateTime(QDate(1932, 12, 13), QTime(20, 45, 52), Qt::UTC));
    const QByteArray xml = propertyListData(v);
    ASSERT_FALSE(xml.isNull());
    EXPECT_EQ(propertyListData(propertyListFromData(xml)), xml);
}
