#include "textlib/construction.h"
#include "textlib/encodings.h"

#include "tests/support/testing.h"
#include "texttesting.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QUuid>

TEST(Construction, ComponentsBoolValuesAndUniqueStrings) {
    EXPECT_EQ(stringWithComponents({u"a"_s, u"b"_s, QString(), u"c"_s}), u"a.b"_s);
    EXPECT_TRUE(stringWithComponents({QString(), u"b"_s}).isNull());
    EXPECT_EQ(stringWithCharacter(0xD800), QString(QChar(0xD800)));
    // Far beyond any integer type, any non-zero digit still counts.
    for (auto text : {u"-3"sv, u"YES"sv, u" \t+5x"sv, u"0000000000000000000001"sv})
        EXPECT_TRUE(boolValue(makeText(text))) << quoted(text);
    for (auto text : {u"-0"sv, u" yes"sv, u"\u0661"sv})
        EXPECT_FALSE(boolValue(makeText(text))) << quoted(text);
    const QString a = uniqueString();
    EXPECT_TRUE(a == a.toUpper() && !QUuid::fromString(a).isNull() && a != uniqueString());
}

TEST(Construction, WritesAndReadsFilesInChosenOrDetectedEncodings) {
    QTemporaryDir dir;
    const QString path = dir.filePath("f");
    quint64 used = 0;
    // The last write truncates what was longer.
    for (auto [text, encoding, bytes, mode] :
         {std::tuple{u"a\u20AC"_s, quint64(UnicodeStringEncoding), "\xFF\xFE\x61\0\xAC\x20"_ba,
                     Atomically::Yes},
          {u""_s, ISOLatin1StringEncoding, ""_ba, Atomically::No}}) {
        ASSERT_TRUE(writeToFile(text, path, mode, encoding));
        EXPECT_EQ(readFile(path), bytes) << encoding;
        EXPECT_EQ(stringWithContentsOfFile(path, encoding, &used), text);
        EXPECT_EQ(used, encoding);
    }
    // A lone surrogate fits none of them, and the report still says which was tried.
    EXPECT_FALSE(writeToFileUsingFastestEncoding(u"\xD800"_s, path, Atomically::No, &used));
    EXPECT_EQ(used, UnicodeStringEncoding);
    // Any marker at or above 0xFFFFFFF0 detects. ICU is sure of Latin-1 for 7-bit text, which
    // reads the same in every such encoding; bytes too few to classify read as ASCII or not at all.
    const QString ascii =
        u"The weather is nice and the children are in the garden with their friends.\n"_s;
    for (auto [bytes, text] :
         {std::pair{ascii.toLatin1(), ascii}, {"\x01\x80\xFE"_ba, QString()}}) {
        putFile(path, bytes);
        const QString read = stringWithContentsOfFile(path, ~quint64(0), &used);
        EXPECT_TRUE(read == text && read.isNull() == text.isNull()) << read.toStdString();
        EXPECT_EQ(used, ASCIIStringEncoding);
    }
    EXPECT_TRUE(stringWithContentsOfFile(dir.filePath("missing"), 0).isNull());
}

TEST(Construction, FailedWritesLeaveOldFilesAndNoTemporaries) {
    QTemporaryDir dir;
    const QString path = dir.filePath("old"), blocker = dir.filePath("sub");
    putFile(path, "old");
    ASSERT_TRUE(QDir(dir.path()).mkdir("sub"));
    // Not representable, null text, a folder under a plain file, a folder, no path.
    for (const Atomically mode : {Atomically::Yes, Atomically::No}) {
        EXPECT_FALSE(writeToFile(u"a\u200Bb"_s, path, mode, ASCIIStringEncoding));
        EXPECT_FALSE(writeToFile(QString(), path, mode, UTF8StringEncoding));
        for (const QString &to : {path + "/x", blocker, QString()})
            EXPECT_FALSE(writeToFile(u"x"_s, to, mode, UTF8StringEncoding)) << to.toStdString();
    }
    EXPECT_EQ(readFile(path), "old");
    const auto entries = QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden;
    EXPECT_EQ(QDir(dir.path()).entryList(entries), QStringList({"old", "sub"}));
}
