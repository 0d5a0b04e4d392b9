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

TEST(Construction, ComponentsCharactersAndUniqueStrings) {
    EXPECT_EQ(stringWithComponents({u"a"_s, u"b"_s, u"c"_s}), u"a.b.c"_s);
    EXPECT_EQ(stringWithComponents({u"a"_s, QString(), u"c"_s}), u"a"_s);
    EXPECT_EQ(stringWithComponents({u""_s, u""_s}), u"."_s);
    EXPECT_TRUE(stringWithComponents({QString(), u"b"_s}).isNull());
    EXPECT_TRUE(stringWithComponents(std::span<const QString>()).isNull());
    EXPECT_EQ(stringWithCharacter(0xD800), QString(QChar(0xD800)));
    const QString a = uniqueString();
    EXPECT_EQ(a, a.toUpper());
    EXPECT_FALSE(QUuid::fromString(a).isNull());
    EXPECT_NE(a, uniqueString());
}

TEST(Construction, BoolValue) {
    // Far beyond any integer type, any non-zero digit still counts.
    for (auto text : {u"-3"sv, u"YES"sv, u"On"sv, u"tRUE"sv, u" \t+5x"sv,
                      u"000000000000000000000000000000000001"sv})
        EXPECT_TRUE(boolValue(makeText(text))) << quoted(text);
    for (auto text :
         {u"-0"sv, u"y"sv, u" yes"sv, u"\n1"sv, u"0x1"sv, u"\u0661"sv, std::u16string_view()})
        EXPECT_FALSE(boolValue(makeText(text))) << quoted(text);
}

TEST(Construction, WritesAndReadsFilesInEveryKindOfEncoding) {
    QTemporaryDir dir;
    const QString path = dir.filePath("f");
    quint64 used = 0;
    for (const auto &[text, encoding, bytes, mode] :
         {std::tuple{u"\u00E9\U0001F600"_s, UTF8StringEncoding, "\xC3\xA9\xF0\x9F\x98\x80"_ba,
                     Atomically::Yes},
          {u"a\u20AC"_s, UnicodeStringEncoding, "\xFF\xFE\x61\0\xAC\x20"_ba, Atomically::No},
          {u"\u65E5\u672C"_s, ShiftJISStringEncoding, "\x93\xFA\x96\x7B"_ba, Atomically::Yes},
          // A direct write truncates what was longer.
          {u""_s, ISOLatin1StringEncoding, ""_ba, Atomically::No}}) {
        ASSERT_TRUE(writeToFile(text, path, mode, encoding));
        EXPECT_EQ(readBytes(path), bytes) << encoding;
        EXPECT_EQ(stringWithContentsOfFile(path, encoding, &used), text);
        EXPECT_EQ(used, encoding);
    }
    EXPECT_EQ(defaultEncoding(), UTF8StringEncoding);
    setDefaultEncoding(ISOLatin1StringEncoding);
    ASSERT_TRUE(writeToFileUsingDefaultEncoding(u"\u00E9"_s, path, Atomically::No, &used));
    setDefaultEncoding(UTF8StringEncoding);
    EXPECT_EQ(used, ISOLatin1StringEncoding);
    EXPECT_EQ(readBytes(path), "\xE9");
    ASSERT_TRUE(writeToFileUsingFastestEncoding(u"\u20AC"_s, path, Atomically::No, &used));
    EXPECT_EQ(used, UnicodeStringEncoding);
    ASSERT_TRUE(writeToFileUsingSmallestEncoding(u"\u20AC"_s, path, Atomically::Yes, &used));
    EXPECT_EQ(used, UTF8StringEncoding);
    EXPECT_EQ(readBytes(path), "\xE2\x82\xAC");
    // A lone surrogate fits none of them, and the report still says which was tried.
    EXPECT_FALSE(writeToFileUsingFastestEncoding(u"\xD800"_s, path, Atomically::No, &used));
    EXPECT_EQ(used, UnicodeStringEncoding);
}

// Rows without raw bytes are written in the encoding they should be detected as.
TEST(Construction, DetectsTheEncodingOfAFile) {
    const struct Row {
        std::u16string_view text;
        quint64 used;
        std::string_view raw = {};
    } rows[] = {
        {u"Gr\u00FC\u00DFe", UTF8StringEncoding},
        {u"a\u20AC", UnicodeStringEncoding},
        {u"Gr\u00FC\u00DFe aus K\u00F6ln, sch\u00F6ne Stra\u00DFe, das ist ein deutscher Text.",
         ISOLatin1StringEncoding},
        // ICU is sure of Latin-1 here, but 7-bit text reads the same in every such encoding.
        {u"The weather is nice and the children are in the garden with their friends.\n",
         ASCIIStringEncoding},
        {u"hello world, this is a test", UTF16LittleEndianStringEncoding},
        {u"", ASCIIStringEncoding},
        // Too little to classify and not ASCII either.
        {Null, ASCIIStringEncoding, "\x01\x80\xFE"sv},
    };
    QTemporaryDir dir;
    const QString path = dir.filePath("f");
    for (const Row &row : rows) {
        SCOPED_TRACE(quoted(row.text));
        ASSERT_TRUE(writeBytes(path, row.raw.data()
                                         ? QByteArray(row.raw.data(), qsizetype(row.raw.size()))
                                         : dataUsingEncoding(makeText(row.text), row.used)));
        for (const quint64 marker : {quint64(0), quint64(0xFFFFFFF0), ~quint64(0)}) {
            quint64 used = 12345;
            expectText(stringWithContentsOfFile(path, marker, &used), row.text);
            EXPECT_EQ(used, row.used);
        }
    }
    quint64 used = 0;
    EXPECT_TRUE(stringWithContentsOfFile(dir.filePath("missing"), 0, &used).isNull());
    EXPECT_EQ(used, ASCIIStringEncoding);
    EXPECT_TRUE(stringWithContentsOfFile(dir.path(), UTF8StringEncoding).isNull());
    EXPECT_TRUE(stringWithContentsOfFile(QString(), UTF8StringEncoding).isNull());
}

TEST(Construction, FailedWritesLeaveOldFilesAndNoTemporaries) {
    QTemporaryDir dir;
    const QString path = dir.filePath("old"), blocker = dir.filePath("sub");
    ASSERT_TRUE(writeBytes(path, "old"));
    ASSERT_TRUE(QDir(dir.path()).mkdir("sub"));
    for (const Atomically mode : {Atomically::Yes, Atomically::No}) {
        // Not representable, null text, a folder under a plain file, a missing folder, a folder.
        EXPECT_FALSE(writeToFile(u"\u00E9"_s, path, mode, ASCIIStringEncoding));
        EXPECT_FALSE(writeToFile(u"a\u200Bb\u00ADc\uFEFFd"_s, path, mode, ASCIIStringEncoding));
        EXPECT_FALSE(writeToFile(u"a"_s, path, mode, DetectStringEncoding));
        EXPECT_FALSE(writeToFile(QString(), path, mode, UTF8StringEncoding));
        EXPECT_FALSE(writeToFile(u"x"_s, path + "/x", mode, UTF8StringEncoding));
        EXPECT_FALSE(writeToFile(u"x"_s, dir.filePath("none/x"), mode, UTF8StringEncoding));
        EXPECT_FALSE(writeToFile(u"x"_s, blocker, mode, UTF8StringEncoding));
        EXPECT_FALSE(writeToFile(u"x"_s, QString(), mode, UTF8StringEncoding));
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
