#include "textlib/construction.h"

#include "texttesting.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QUuid>

#include <gtest/gtest.h>

#include <unistd.h>

using namespace std::literals;
using namespace textlib;

namespace {

QByteArray bytesOf(std::string_view bytes) {
    return QByteArray(bytes.data(), qsizetype(bytes.size()));
}

QByteArray readBytes(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeBytes(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Every numbered encoding with a text it can hold and the bytes it must give.
struct EncodingRow {
    quint64 encoding;
    std::u16string_view text;
    std::string_view bytes;
};
const EncodingRow encodingRows[] = {
    {ASCIIStringEncoding, u"a~\0"sv, "a~\0"sv},
    {NEXTSTEPStringEncoding, u"a\u00E9\uFB01"sv, "a\xDD\xAE"sv},
    {JapaneseEUCStringEncoding, u"\u65E5\u672C"sv, "\xC6\xFC\xCB\xDC"sv},
    {UTF8StringEncoding, u"\u00E9\u20AC\U0001F600"sv, "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"sv},
    {ISOLatin1StringEncoding, u"\u00E9\u00FF"sv, "\xE9\xFF"sv},
    {SymbolStringEncoding, u"\u03B1\u03A3\u2200\u00AE"sv, "aS\"\xD2"sv},
    {NonLossyASCIIStringEncoding, u"a\\\u00E9\u20AC\xD800"sv, "a\\\\\\351\\u20ac\\ud800"sv},
    {ShiftJISStringEncoding, u"\u65E5\u672C"sv, "\x93\xFA\x96\x7B"sv},
    {ISOLatin2StringEncoding, u"\u0142"sv, "\xB3"sv},
    {UnicodeStringEncoding, u"a\U0001F600"sv, "\xFF\xFE\x61\0\x3D\xD8\x00\xDE"sv},
    {WindowsCP1251StringEncoding, u"\u0416"sv, "\xC6"sv},
    {WindowsCP1252StringEncoding, u"\u20AC"sv, "\x80"sv},
    {WindowsCP1253StringEncoding, u"\u03A9"sv, "\xD9"sv},
    {WindowsCP1254StringEncoding, u"\u015F"sv, "\xFE"sv},
    {WindowsCP1250StringEncoding, u"\u0142"sv, "\xB3"sv},
    {ISO2022JPStringEncoding, u"\u65E5"sv, "\x1B$BF|\x1B(B"sv},
    {MacOSRomanStringEncoding, u"\u00E9"sv, "\x8E"sv},
    {UTF16BigEndianStringEncoding, u"a"sv, "\0a"sv},
    {UTF16LittleEndianStringEncoding, u"a"sv, "a\0"sv},
    {UTF32StringEncoding, u"a"sv, "\xFF\xFE\0\0a\0\0\0"sv},
    {UTF32BigEndianStringEncoding, u"a"sv, "\0\0\0a"sv},
    {UTF32LittleEndianStringEncoding, u"a"sv, "a\0\0\0"sv},
};

TEST(ConstructionTest, EachEncodingRoundTripsThroughDataAndFiles) {
    static_assert(QSysInfo::ByteOrder == QSysInfo::LittleEndian, "rows spell host order as LE");
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    int n = 0;
    for (const EncodingRow &row : encodingRows) {
        SCOPED_TRACE(row.encoding);
        const QString text = makeText(row.text);
        EXPECT_TRUE(isKnownEncoding(row.encoding));
        EXPECT_EQ(dataUsingEncoding(text, row.encoding), bytesOf(row.bytes));
        EXPECT_EQ(stringWithData(bytesOf(row.bytes), row.encoding), text);
        EXPECT_EQ(stringWithBytes(row.bytes.data(), qsizetype(row.bytes.size()), row.encoding),
                  text);
        const QString path = dir.filePath(QString::number(n++));
        const Atomically mode = n % 2 ? Atomically::Yes : Atomically::No;
        ASSERT_TRUE(writeToFile(text, path, mode, row.encoding));
        EXPECT_EQ(readBytes(path), bytesOf(row.bytes));
        quint64 used = 0;
        EXPECT_EQ(stringWithContentsOfFile(path, row.encoding, &used), text);
        EXPECT_EQ(used, row.encoding);
        // Zero bytes are the empty text in every encoding.
        const QString empty = stringWithData(QByteArray(), row.encoding);
        EXPECT_TRUE(empty.isEmpty() && !empty.isNull());
        EXPECT_FALSE(dataUsingEncoding(QString(), row.encoding).isNull());
    }
}

TEST(ConstructionTest, DecodingRejectsWhatTheEncodingCannotHold) {
    struct Row {
        quint64 encoding;
        std::string_view bytes;
        std::u16string_view expected; // null: rejected
    };
    const Row rows[] = {
        {ASCIIStringEncoding, "a\x80"sv, {}},
        {UTF8StringEncoding, "\xC3"sv, {}},
        {UTF8StringEncoding, "\xC0\xAF"sv, {}},     // overlong
        {UTF8StringEncoding, "\xED\xA0\x80"sv, {}}, // encoded surrogate
        {UTF8StringEncoding, "\xEF\xBB\xBF\x61\0b"sv, u"a\0b"sv},
        {UnicodeStringEncoding, "\0a"sv, u"a"sv}, // big-endian without a mark
        {UnicodeStringEncoding, "\xFE\xFF\0a"sv, u"a"sv},
        {UnicodeStringEncoding, "\0"sv, {}},
        {UnicodeStringEncoding, "\xD8\0\0a"sv, {}},
        {UTF16LittleEndianStringEncoding, "\xFF\xFE\x61\0"sv, u"\uFEFFa"sv},
        {UTF32StringEncoding, "\0\0\0a"sv, u"a"sv},
        {UTF32BigEndianStringEncoding, "\0\x11\0\0"sv, {}},
        {NEXTSTEPStringEncoding, "\xFF"sv, {}},
        {SymbolStringEncoding, "\x80"sv, {}},
        {SymbolStringEncoding, "\xE2"sv, u"\u00AE"sv},
        {NonLossyASCIIStringEncoding, "\\u20ac\\351\\\\"sv, u"\u20AC\u00E9\\"sv},
        {NonLossyASCIIStringEncoding, "\\x\\u12\\9\\"sv, u"\\x\\u12\\9\\"sv},
        {NonLossyASCIIStringEncoding, "\xE9"sv, {}},
        {ShiftJISStringEncoding, "\x93"sv, {}},
        {ISO2022JPStringEncoding, "\x80"sv, {}},
        {99, "a"sv, {}},
        {DetectStringEncoding, "a"sv, {}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(testing::Message() << row.encoding << " " << quoted(row.expected));
        const QString s = stringWithData(bytesOf(row.bytes), row.encoding);
        EXPECT_EQ(s, makeText(row.expected));
        EXPECT_EQ(s.isNull(), row.expected.data() == nullptr);
    }
}

TEST(ConstructionTest, EncodingFailsForUnrepresentableText) {
    const std::pair<quint64, std::u16string_view> rows[] = {
        {ASCIIStringEncoding, u"\u00E9"sv},
        {ISOLatin1StringEncoding, u"\u20AC"sv},
        {UTF8StringEncoding, u"a\xD800"sv},
        {UnicodeStringEncoding, u"\xDC00"sv},
        {UTF32StringEncoding, u"\xD800"sv},
        {SymbolStringEncoding, u"a"sv},
        {NEXTSTEPStringEncoding, u"\u20AC"sv},
        {ISO2022JPStringEncoding, u"\u00E9"sv},
        {WindowsCP1251StringEncoding, u"\u00E9"sv},
        {99, u"a"sv},
        {DetectStringEncoding, u"a"sv},
    };
    QTemporaryDir dir;
    const QString path = dir.filePath("f");
    for (const auto &[encoding, text] : rows) {
        SCOPED_TRACE(encoding);
        EXPECT_TRUE(dataUsingEncoding(makeText(text), encoding).isNull());
        EXPECT_FALSE(writeToFile(makeText(text), path, Atomically::No, encoding));
        EXPECT_FALSE(QFile::exists(path));
    }
}

TEST(ConstructionTest, BytesAndCStringsCheckTheirArguments) {
    EXPECT_EQ(stringWithBytes(nullptr, 0, UTF8StringEncoding), u""_qs);
    EXPECT_FALSE(stringWithBytes(nullptr, 0, UTF8StringEncoding).isNull());
    EXPECT_TRUE(stringWithBytes(nullptr, 3, UTF8StringEncoding).isNull());
    EXPECT_TRUE(stringWithBytes("abc", -1, UTF8StringEncoding).isNull());
    EXPECT_EQ(stringWithCString("abc", 2, ASCIIStringEncoding), u"ab"_qs);
    EXPECT_EQ(stringWithNullTerminatedCString("ab\0cd", UTF8StringEncoding), u"ab"_qs);
    EXPECT_EQ(stringWithNullTerminatedCString("\xE9", ISOLatin1StringEncoding), u"\u00E9"_qs);
    EXPECT_TRUE(stringWithNullTerminatedCString(nullptr, UTF8StringEncoding).isNull());
    EXPECT_TRUE(stringWithNullTerminatedCString("\xE9", ASCIIStringEncoding).isNull());
    for (const char16_t c : {u'\0', u'a', char16_t(0xD800), char16_t(0xFFFF)}) {
        const QString s = stringWithCharacter(c);
        EXPECT_EQ(s.size(), 1);
        EXPECT_EQ(s.front().unicode(), c);
    }
}

TEST(ConstructionTest, EmptinessComponentsAndUniqueStrings) {
    EXPECT_TRUE(isStringEmpty(QString()));
    EXPECT_TRUE(isStringEmpty(u""_qs));
    EXPECT_FALSE(isStringEmpty(QString(QChar(0))));
    EXPECT_FALSE(isStringNotEmpty(QString()));
    EXPECT_TRUE(isStringNotEmpty(u" "_qs));

    EXPECT_EQ(stringWithComponents({u"a"_qs, u"b"_qs, u"c"_qs}), u"a.b.c"_qs);
    EXPECT_EQ(stringWithComponents({u"a"_qs}), u"a"_qs);
    EXPECT_EQ(stringWithComponents({u"a"_qs, QString(), u"c"_qs}), u"a"_qs);
    EXPECT_EQ(stringWithComponents({u""_qs, u""_qs}), u"."_qs);
    EXPECT_TRUE(stringWithComponents({QString(), u"b"_qs}).isNull());
    EXPECT_TRUE(stringWithComponents(std::span<const QString>()).isNull());

    const QString a = uniqueString();
    EXPECT_EQ(a.size(), 36);
    EXPECT_EQ(a, a.toUpper());
    EXPECT_FALSE(QUuid::fromString(a).isNull());
    EXPECT_NE(a, uniqueString());
}

TEST(ConstructionTest, BoolValue) {
    const std::pair<std::u16string_view, bool> rows[] = {
        {u"1"sv, true},
        {u"-3"sv, true},
        {u"007"sv, true},
        {u"YES"sv, true},
        {u"On"sv, true},
        {u"TRUE"sv, true},
        {u" \t+5x"sv, true},
        {u"0"sv, false},
        {u"no"sv, false},
        {u"off"sv, false},
        {u"false"sv, false},
        {u"y"sv, false},
        {u""sv, false},
        {{}, false},
        {u"-0"sv, false},
        {u"+"sv, false},
        {u" yes"sv, false},
        {u"\n1"sv, false},
        {u"0x1"sv, false},
        {u"\u0661"sv, false},
        // Far beyond any integer type: any non-zero digit still counts.
        {u"000000000000000000000000000000000001"sv, true},
        {u"99999999999999999999999999999999999999"sv, true},
    };
    for (const auto &[text, expected] : rows)
        EXPECT_EQ(boolValue(makeText(text)), expected) << quoted(text);
}

TEST(ConstructionTest, FastestAndSmallestEncodings) {
    struct Row {
        std::u16string_view text;
        quint64 fastest, smallest;
    };
    const Row rows[] = {
        {{}, ASCIIStringEncoding, ASCIIStringEncoding},
        {u"abc"sv, ASCIIStringEncoding, ASCIIStringEncoding},
        {u"\u00E9\u00FF"sv, ISOLatin1StringEncoding, ISOLatin1StringEncoding},
        {u"\u20AC"sv, UnicodeStringEncoding, UTF8StringEncoding}, // 3 bytes against 4
        {u"\u65E5\u672C\u8A9E"sv, UnicodeStringEncoding, UnicodeStringEncoding}, // 9 against 8
        {u"ab\u65E5"sv, UnicodeStringEncoding, UTF8StringEncoding},              // 5 against 8
        {u"\U0001F600"sv, UnicodeStringEncoding, UTF8StringEncoding},            // 4 against 6
        {u"a\xD800"sv, UnicodeStringEncoding, UnicodeStringEncoding},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(quoted(row.text));
        EXPECT_EQ(fastestEncoding(makeText(row.text)), row.fastest);
        EXPECT_EQ(smallestEncoding(makeText(row.text)), row.smallest);
    }
}

TEST(ConstructionTest, WritesInChosenEncodingsAndReportsThem) {
    QTemporaryDir dir;
    const QString path = dir.filePath("f");
    EXPECT_EQ(defaultEncoding(), UTF8StringEncoding);
    quint64 used = 0;
    ASSERT_TRUE(writeToFileUsingDefaultEncoding(u"\u00E9"_qs, path, Atomically::Yes, &used));
    EXPECT_EQ(used, UTF8StringEncoding);
    EXPECT_EQ(readBytes(path), "\xC3\xA9");
    setDefaultEncoding(ISOLatin1StringEncoding);
    ASSERT_TRUE(writeToFileUsingDefaultEncoding(u"\u00E9"_qs, path, Atomically::No, &used));
    setDefaultEncoding(UTF8StringEncoding);
    EXPECT_EQ(used, ISOLatin1StringEncoding);
    EXPECT_EQ(readBytes(path), "\xE9");

    ASSERT_TRUE(writeToFileUsingFastestEncoding(u"\u20AC"_qs, path, Atomically::No, &used));
    EXPECT_EQ(used, UnicodeStringEncoding);
    EXPECT_EQ(readBytes(path), bytesOf("\xFF\xFE\xAC\x20"sv));
    ASSERT_TRUE(writeToFileUsingSmallestEncoding(u"\u20AC"_qs, path, Atomically::Yes, &used));
    EXPECT_EQ(used, UTF8StringEncoding);
    EXPECT_EQ(readBytes(path), "\xE2\x82\xAC");
    // A direct write truncates what was longer; the out-parameter may be left out.
    ASSERT_TRUE(writeToFileUsingSmallestEncoding(u""_qs, path, Atomically::No));
    EXPECT_EQ(readBytes(path), "");
    // A lone surrogate fits none of them, and the report still says which was tried.
    EXPECT_FALSE(writeToFileUsingFastestEncoding(u"\xD800"_qs, path, Atomically::No, &used));
    EXPECT_EQ(used, UnicodeStringEncoding);
}

TEST(ConstructionTest, DetectsTheEncodingOfAFile) {
    struct Row {
        std::string_view bytes;
        std::u16string_view expected;
        quint64 used;
    };
    const Row rows[] = {
        {"Gr\xC3\xBC\xC3\x9F\x65"sv, u"Gr\u00FC\u00DFe"sv, UTF8StringEncoding},
        {"\xEF\xBB\xBF\x61"sv, u"a"sv, UTF8StringEncoding},
        {"\xFF\xFE\x61\0\xAC\x20"sv, u"a\u20AC"sv, UnicodeStringEncoding},
        {"\xFE\xFF\0a"sv, u"a"sv, UnicodeStringEncoding},
        {"Gr\xFC\xDF\x65 aus K\xF6ln, sch\xF6ne Stra\xDF\x65, das ist ein deutscher Text mit "
         "Umlauten.\n"sv,
         u"Gr\u00FC\u00DFe aus K\u00F6ln, sch\u00F6ne Stra\u00DFe, das ist ein deutscher Text mit "
         u"Umlauten.\n"sv,
         ISOLatin1StringEncoding},
        // Nothing to classify: read as ASCII.
        {"x = 1\n"sv, u"x = 1\n"sv, ASCIIStringEncoding},
        // ICU is sure of Latin-1 here, but 7-bit text reads the same in every such encoding.
        {"The weather is nice and the children are in the garden with their friends.\n"sv,
         u"The weather is nice and the children are in the garden with their friends.\n"sv,
         ASCIIStringEncoding},
        {"h\0e\0l\0l\0o\0 \0w\0o\0r\0l\0d\0,\0 \0t\0h\0i\0s\0 \0i\0s\0 \0a\0 \0t\0e\0s\0t\0"sv,
         u"hello world, this is a test"sv, UTF16LittleEndianStringEncoding},
        {""sv, u""sv, ASCIIStringEncoding},
        // Too little to classify and not ASCII either.
        {"\x01\x80\xFE"sv, {}, ASCIIStringEncoding},
    };
    QTemporaryDir dir;
    const QString path = dir.filePath("f");
    for (const Row &row : rows) {
        SCOPED_TRACE(quoted(row.expected));
        ASSERT_TRUE(writeBytes(path, bytesOf(row.bytes)));
        for (const quint64 marker : {quint64(0), quint64(0xFFFFFFF0), ~quint64(0)}) {
            quint64 used = 12345;
            const QString s = stringWithContentsOfFile(path, marker, &used);
            EXPECT_EQ(s, makeText(row.expected));
            EXPECT_EQ(s.isNull(), row.expected.data() == nullptr);
            EXPECT_EQ(used, row.used);
        }
    }
}

TEST(ConstructionTest, MissingAndUnreadableFilesGiveNull) {
    QTemporaryDir dir;
    quint64 used = 0;
    EXPECT_TRUE(
        stringWithContentsOfFile(dir.filePath("missing"), UTF8StringEncoding, &used).isNull());
    EXPECT_EQ(used, UTF8StringEncoding);
    EXPECT_TRUE(stringWithContentsOfFile(dir.filePath("missing"), 0, &used).isNull());
    EXPECT_EQ(used, ASCIIStringEncoding);
    EXPECT_TRUE(stringWithContentsOfFile(dir.path(), UTF8StringEncoding).isNull());
    EXPECT_TRUE(stringWithContentsOfFile(QString(), UTF8StringEncoding).isNull());
}

TEST(ConstructionTest, FailedWritesLeaveOldFilesAndNoTemporaries) {
    QTemporaryDir dir;
    const QString path = dir.filePath("old");
    ASSERT_TRUE(writeBytes(path, "old"));
    const QString blocker = dir.filePath("sub");
    ASSERT_TRUE(QDir(dir.path()).mkdir("sub"));
    for (const Atomically mode : {Atomically::Yes, Atomically::No}) {
        // Not representable, null text, a folder under a plain file, a missing folder, a folder.
        EXPECT_FALSE(writeToFile(u"\u00E9"_qs, path, mode, ASCIIStringEncoding));
        EXPECT_FALSE(writeToFile(QString(), path, mode, UTF8StringEncoding));
        EXPECT_FALSE(writeToFile(u"x"_qs, path + "/x", mode, UTF8StringEncoding));
        EXPECT_FALSE(writeToFile(u"x"_qs, dir.filePath("none/x"), mode, UTF8StringEncoding));
        EXPECT_FALSE(writeToFile(u"x"_qs, blocker, mode, UTF8StringEncoding));
        EXPECT_FALSE(writeToFile(u"x"_qs, QString(), mode, UTF8StringEncoding));
    }
    EXPECT_EQ(readBytes(path), "old");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
              QStringList({"old", "sub"}));

    // Permissions bind only when not root.
    if (geteuid() != 0) {
        const QString locked = dir.filePath("sub/old");
        ASSERT_TRUE(writeBytes(locked, "old"));
        QFile::setPermissions(blocker, QFile::ReadOwner | QFile::ExeOwner);
        EXPECT_FALSE(writeToFile(u"new"_qs, locked, Atomically::Yes, UTF8StringEncoding));
        QFile::setPermissions(blocker, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        EXPECT_EQ(readBytes(locked), "old");
        EXPECT_EQ(QDir(blocker).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                  QStringList({"old"}));
    }
}

} // namespace
