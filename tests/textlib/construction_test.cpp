#include "textlib/construction.h"
#include "textlib/encodings.h"

#include "texttesting.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QUuid>

#include <unistd.h>

namespace {

QByteArray readBytes(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeBytes(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

TEST(Construction, ComponentsBoolValuesAndUniqueStrings) {
    EXPECT_EQ(stringWithComponents({u"a"_s, u"b"_s, u"c"_s}), u"a.b.c"_s);
    EXPECT_EQ(stringWithComponents({u"a"_s, QString(), u"c"_s}), u"a"_s);
    EXPECT_TRUE(stringWithComponents({QString(), u"b"_s}).isNull());
    EXPECT_EQ(stringWithCharacter(0xD800), QString(QChar(0xD800)));
    // Far beyond any integer type, any non-zero digit still counts.
    for (auto text : {u"-3"sv, u"YES"sv, u" \t+5x"sv, u"0000000000000000000001"sv})
        EXPECT_TRUE(boolValue(makeText(text))) << quoted(text);
    for (auto text : {u"-0"sv, u"y"sv, u" yes"sv, u"\u0661"sv})
        EXPECT_FALSE(boolValue(makeText(text))) << quoted(text);
    const QString a = uniqueString();
    EXPECT_EQ(a, a.toUpper());
    EXPECT_FALSE(QUuid::fromString(a).isNull());
    EXPECT_NE(a, uniqueString());
}

TEST(Construction, WritesAndReadsFilesInChosenEncodings) {
    QTemporaryDir dir;
    const QString path = dir.filePath("f");
    quint64 used = 0;
    // The last write truncates what was longer.
    for (auto [text, encoding, bytes, mode] :
         {std::tuple{u"a\u20AC"_s, quint64(UnicodeStringEncoding), "\xFF\xFE\x61\0\xAC\x20"_ba,
                     Atomically::Yes},
          {u""_s, ISOLatin1StringEncoding, ""_ba, Atomically::No}}) {
        ASSERT_TRUE(writeToFile(text, path, mode, encoding));
        EXPECT_EQ(readBytes(path), bytes) << encoding;
        EXPECT_EQ(stringWithContentsOfFile(path, encoding, &used), text);
        EXPECT_EQ(used, encoding);
    }
    setDefaultEncoding(ISOLatin1StringEncoding);
    ASSERT_TRUE(writeToFileUsingDefaultEncoding(u"\u00E9"_s, path, Atomically::No, &used));
    setDefaultEncoding(UTF8StringEncoding);
    EXPECT_EQ(used, ISOLatin1StringEncoding);
    EXPECT_EQ(readBytes(path), "\xE9");
    // A lone surrogate fits none of them, and the report still says which was tried.
    EXPECT_FALSE(writeToFileUsingFastestEncoding(u"\xD800"_s, path, Atomically::No, &used));
    EXPECT_EQ(used, UnicodeStringEncoding);
}

// Rows without raw bytes are written in the encoding they should be detected as; every marker
// of "detect" is taken.
TEST(Construction, DetectsTheEncodingOfAFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath("f");
    for (auto [text, encoding, raw] :
         {std::tuple{u"Gr\u00FC\u00DFe"sv, quint64(UTF8StringEncoding), std::string_view()},
          {u"a\u20AC"sv, UnicodeStringEncoding, {}},
          {u"Gr\u00FC\u00DFe aus K\u00F6ln, sch\u00F6ne Stra\u00DFe, das ist ein deutscher Text."sv,
           ISOLatin1StringEncoding,
           {}},
          // ICU is sure of Latin-1 here, but 7-bit text reads the same in every such encoding.
          {u"The weather is nice and the children are in the garden with their friends.\n"sv,
           ASCIIStringEncoding,
           {}},
          // Too little to classify and not ASCII either.
          {Null, ASCIIStringEncoding, "\x01\x80\xFE"sv}}) {
        ASSERT_TRUE(writeBytes(path, raw.data() ? QByteArray(raw.data(), qsizetype(raw.size()))
                                                : dataUsingEncoding(makeText(text), encoding)));
        for (const quint64 marker : {quint64(0), quint64(0xFFFFFFF0), ~quint64(0)}) {
            quint64 used = 12345;
            expectText(stringWithContentsOfFile(path, marker, &used), text);
            EXPECT_EQ(used, encoding) << quoted(text);
        }
    }
    quint64 used = 0;
    EXPECT_TRUE(stringWithContentsOfFile(dir.filePath("missing"), 0, &used).isNull());
    EXPECT_EQ(used, ASCIIStringEncoding);
    EXPECT_TRUE(stringWithContentsOfFile(QString(), UTF8StringEncoding).isNull());
}

TEST(Construction, FailedWritesLeaveOldFilesAndNoTemporaries) {
    QTemporaryDir dir;
    const QString path = dir.filePath("old"), blocker = dir.filePath("sub");
    ASSERT_TRUE(writeBytes(path, "old"));
    ASSERT_TRUE(QDir(dir.path()).mkdir("sub"));
    // Not representable, no encoding, null text, a folder under a plain file, a missing folder,
    // a folder, no path.
    for (const Atomically mode : {Atomically::Yes, Atomically::No}) {
        EXPECT_FALSE(writeToFile(u"a\u200Bb\u00ADc\uFEFFd"_s, path, mode, ASCIIStringEncoding));
        EXPECT_FALSE(writeToFile(QString(), path, mode, UTF8StringEncoding));
        for (const QString &to : {path + "/x", blocker, QString()})
            EXPECT_FALSE(writeToFile(u"x"_s, to, mode, UTF8StringEncoding)) << to.toStdString();
    }
    EXPECT_EQ(readBytes(path), "old");
    const auto entries = QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden;
    EXPECT_EQ(QDir(dir.path()).entryList(entries), QStringList({"old", "sub"}));
    // Permissions bind only when not root.
    if (geteuid() != 0) {
        const QString locked = dir.filePath("sub/old");
        ASSERT_TRUE(writeBytes(locked, "old"));
        QFile::setPermissions(blocker, QFile::ReadOwner | QFile::ExeOwner);
        EXPECT_FALSE(writeToFile(u"new"_s, locked, Atomically::Yes, UTF8StringEncoding));
        QFile::setPermissions(blocker, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        EXPECT_EQ(readBytes(locked), "old");
        EXPECT_EQ(QDir(blocker).entryList(entries), QStringList({"old"}));
    }
}
