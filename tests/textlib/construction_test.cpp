#include "textlib/construction.h"
#include "textlib/encodings.h"

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

// One encoding of each kind (own tables, escapes, ICU single- and multi-byte, UTF-8, UTF-16/32
// with and without a mark), a text it can hold and the bytes it must give.
struct EncodingRow {
    quint64 encoding;
    std::u16string_view text;
    std::string_view bytes;
};
const EncodingRow encodingRows[] = {
    {ASCIIStringEncoding, u"a~\0"sv, "a~\0"sv},
    {NEXTSTEPStringEncoding, u"a\u00E9\uFB01"sv, "a\xDD\xAE"sv},
    {UTF8StringEncoding, u"\u00E9\u20AC\U0001F600"sv, "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"sv},
    {NonLossyASCIIStringEncoding, u"a\\\u00E9\u20AC\xD800"sv, "a\\\\\\351\\u20ac\\ud800"sv},
    {ShiftJISStringEncoding, u"\u65E5\u672C\x1A\x1C\x7F"sv, "\x93\xFA\x96\x7B\x1A\x1C\x7F"sv},
    {ISOLatin1StringEncoding, u"a\u00AD"sv, "a\xAD"sv},
    {UnicodeStringEncoding, u"a\U0001F600"sv, "\xFF\xFE\x61\0\x3D\xD8\x00\xDE"sv},
    {WindowsCP1252StringEncoding, u"\u20AC\u00AD"sv, "\x80\xAD"sv},
    {UTF16BigEndianStringEncoding, u"a"sv, "\0a"sv},
    {UTF32StringEncoding, u"a"sv, "\xFF\xFE\0\0a\0\0\0"sv},
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
    const struct Row {
        quint64 encoding;
        std::string_view bytes;
        std::u16string_view expected; // null: rejected
    } rows[] = {
        {ASCIIStringEncoding, "a\x80"sv, {}},
        {UTF8StringEncoding, "\xED\xA0\x80"sv, {}}, // encoded surrogate
        {UTF8StringEncoding, "\xEF\xBB\xBF\x61\0b"sv, u"a\0b"sv},
        {UnicodeStringEncoding, "\0a"sv, u"a"sv}, // big-endian without a mark
        {UnicodeStringEncoding, "\0"sv, {}},
        {UnicodeStringEncoding, "\xD8\0\0a"sv, {}},
        {UTF16LittleEndianStringEncoding, "\xFF\xFE\x61\0"sv, u"\uFEFFa"sv},
        {UTF32BigEndianStringEncoding, "\0\x11\0\0"sv, {}},
        {SymbolStringEncoding, "\x80"sv, {}},
        {NonLossyASCIIStringEncoding, "\\u20ac\\351\\\\"sv, u"\u20AC\u00E9\\"sv},
        {NonLossyASCIIStringEncoding, "\\x\\u12\\9\\"sv, u"\\x\\u12\\9\\"sv},
        {NonLossyASCIIStringEncoding, "\xE9"sv, {}},
        {99, "a"sv, {}},
        {DetectStringEncoding, "a"sv, {}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(testing::Message() << row.encoding << " " << quoted(row.expected));
        expectText(stringWithData(bytesOf(row.bytes), row.encoding), row.expected);
    }
}

TEST(ConstructionTest, EncodingFailsForUnrepresentableText) {
    const std::pair<quint64, std::u16string_view> rows[] = {
        {ASCIIStringEncoding, u"\u00E9"sv},
        {UTF8StringEncoding, u"a\xD800"sv},
        {UnicodeStringEncoding, u"\xDC00"sv},
        {SymbolStringEncoding, u"a"sv},
        {99, u"a"sv},
        {DetectStringEncoding, u"a"sv},
    };
    for (const auto &[encoding, text] : rows)
        EXPECT_TRUE(dataUsingEncoding(makeText(text), encoding).isNull()) << encoding;
}

// Converters tend to drop these silently where an encoding has no byte for them.
TEST(ConstructionTest, DefaultIgnorablesAreWrittenOrRefusedNeverDropped) {
    const char32_t ignorables[] = {0x00AD, 0x034F, 0x180E, 0x200B,  0x200D,  0x200F,
                                   0x202A, 0x202E, 0x2060, 0x2066,  0x206F,  0xFE00,
                                   0xFE0F, 0xFEFF, 0xFFA0, 0x1D173, 0xE0001, 0xE0100};
    const quint64 encodings[] = {
        ASCIIStringEncoding,         NEXTSTEPStringEncoding,      JapaneseEUCStringEncoding,
        ISOLatin1StringEncoding,     SymbolStringEncoding,        ShiftJISStringEncoding,
        ISOLatin2StringEncoding,     WindowsCP1251StringEncoding, WindowsCP1252StringEncoding,
        WindowsCP1253StringEncoding, WindowsCP1254StringEncoding, WindowsCP1250StringEncoding,
        ISO2022JPStringEncoding,     MacOSRomanStringEncoding};
    for (const quint64 encoding : encodings) {
        for (const char32_t c : ignorables) {
            SCOPED_TRACE(testing::Message() << encoding << " U+" << std::hex << unsigned(c));
            const QString text = u'(' + QString::fromUcs4(&c, 1) + u')';
            const QByteArray bytes = dataUsingEncoding(text, encoding);
            if (!bytes.isNull()) {
                EXPECT_EQ(stringWithData(bytes, encoding), text);
            }
        }
    }
    EXPECT_TRUE(dataUsingEncoding(u"a\u200Bb", ASCIIStringEncoding).isNull());
    EXPECT_TRUE(dataUsingEncoding(u"\uFEFF", ISOLatin1StringEncoding).isNull());
    EXPECT_TRUE(dataUsingEncoding(u"\u00AD", ShiftJISStringEncoding).isNull());
}

TEST(ConstructionTest, BytesAndCStringsCheckTheirArguments) {
    expectText(stringWithBytes(nullptr, 0, UTF8StringEncoding), u""sv);
    EXPECT_TRUE(stringWithBytes(nullptr, 3, UTF8StringEncoding).isNull());
    EXPECT_TRUE(stringWithBytes("abc", -1, UTF8StringEncoding).isNull());
    EXPECT_EQ(stringWithCString("abc", 2, ASCIIStringEncoding), u"ab"_qs);
    EXPECT_EQ(stringWithNullTerminatedCString("ab\0cd", UTF8StringEncoding), u"ab"_qs);
    EXPECT_EQ(stringWithNullTerminatedCString("\xE9", ISOLatin1StringEncoding), u"\u00E9"_qs);
    EXPECT_TRUE(stringWithNullTerminatedCString(nullptr, UTF8StringEncoding).isNull());
    EXPECT_TRUE(stringWithNullTerminatedCString("\xE9", ASCIIStringEncoding).isNull());
    EXPECT_EQ(stringWithCharacter(0xD800), QString(QChar(0xD800)));
}

TEST(ConstructionTest, EmptinessComponentsAndUniqueStrings) {
    EXPECT_TRUE(isStringEmpty(QString()) && isStringEmpty(u""_qs));
    EXPECT_FALSE(isStringEmpty(QString(QChar(0))) || isStringNotEmpty(QString()));

    EXPECT_EQ(stringWithComponents({u"a"_qs, u"b"_qs, u"c"_qs}), u"a.b.c"_qs);
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
    // Far beyond any integer type, any non-zero digit still counts.
    for (auto text : {u"-3"sv, u"YES"sv, u"On"sv, u"tRUE"sv, u" \t+5x"sv,
                      u"000000000000000000000000000000000001"sv})
        EXPECT_TRUE(boolValue(makeText(text))) << quoted(text);
    for (auto text :
         {u"-0"sv, u"y"sv, u" yes"sv, u"\n1"sv, u"0x1"sv, u"\u0661"sv, std::u16string_view()})
        EXPECT_FALSE(boolValue(makeText(text))) << quoted(text);
}

TEST(ConstructionTest, FastestAndSmallestEncodings) {
    const struct Row {
        std::u16string_view text;
        quint64 fastest, smallest;
    } rows[] = {
        {{}, ASCIIStringEncoding, ASCIIStringEncoding},
        {u"\u00E9\u00FF"sv, ISOLatin1StringEncoding, ISOLatin1StringEncoding},
        {u"\u20AC"sv, UnicodeStringEncoding, UTF8StringEncoding}, // 3 bytes against 4
        {u"\u65E5\u672C\u8A9E"sv, UnicodeStringEncoding, UnicodeStringEncoding}, // 9 against 8
        {u"\U0001F600"sv, UnicodeStringEncoding, UTF8StringEncoding},            // 4 against 6
        {u"\U0001F600\U0001F600a"sv, UnicodeStringEncoding, UTF8StringEncoding}, // 9 against 10
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

// Rows without raw bytes are written in the encoding they should be detected as.
TEST(ConstructionTest, DetectsTheEncodingOfAFile) {
    const struct Row {
        std::u16string_view text;
        quint64 used;
        std::string_view raw = {};
    } rows[] = {
        {u"Gr\u00FC\u00DFe"sv, UTF8StringEncoding},
        {u"a\u20AC"sv, UnicodeStringEncoding},
        {u"Gr\u00FC\u00DFe aus K\u00F6ln, sch\u00F6ne Stra\u00DFe, das ist ein deutscher Text."sv,
         ISOLatin1StringEncoding},
        // Nothing to classify: read as ASCII.
        {u"x = 1\n"sv, ASCIIStringEncoding},
        // ICU is sure of Latin-1 here, but 7-bit text reads the same in every such encoding.
        {u"The weather is nice and the children are in the garden with their friends.\n"sv,
         ASCIIStringEncoding},
        {u"hello world, this is a test"sv, UTF16LittleEndianStringEncoding},
        {u""sv, ASCIIStringEncoding},
        // Too little to classify and not ASCII either.
        {{}, ASCIIStringEncoding, "\x01\x80\xFE"sv},
    };
    QTemporaryDir dir;
    const QString path = dir.filePath("f");
    for (const Row &row : rows) {
        SCOPED_TRACE(quoted(row.text));
        ASSERT_TRUE(writeBytes(path, row.raw.data()
                                         ? bytesOf(row.raw)
                                         : dataUsingEncoding(makeText(row.text), row.used)));
        for (const quint64 marker : {quint64(0), quint64(0xFFFFFFF0), ~quint64(0)}) {
            quint64 used = 12345;
            expectText(stringWithContentsOfFile(path, marker, &used), row.text);
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
        EXPECT_FALSE(writeToFile(u"a\u200Bb\u00ADc\uFEFFd"_qs, path, mode, ASCIIStringEncoding));
        EXPECT_FALSE(writeToFile(u"a"_qs, path, mode, DetectStringEncoding));
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

// Buffers start filled with '#' so that writing past the converted text shows.
TEST(Encodings, Utf8ConvertsWholeCharactersWithinCapacity) {
    const struct {
        std::string_view utf8;
        qsizetype capacity;
        ConversionStatus status;
        std::u16string_view written;
    } rows[] = {{""sv, 0, ConversionSucceeded, u""},
                {"h\xC3\xA9\0"sv, 3, ConversionSucceeded, u"h\u00E9\0"sv},
                {"\xF0\x9F\x98\x80"sv, 2, ConversionSucceeded, u"\U0001F600"},
                {"a\xF0\x9F\x98\x80"sv, 2, ConversionOutputFull, u"a"},
                {"a\xC3"sv, 8, ConversionMalformedInput, u"a"},
                {"\xC0\xAF"sv, 8, ConversionMalformedInput, u""}};
    for (const auto &k : rows) {
        std::u16string units(8, u'#');
        EXPECT_EQ(
            convertUTF8ToUnicode(k.utf8.data(), qsizetype(k.utf8.size()), units.data(), k.capacity),
            k.status);
        EXPECT_EQ(::quoted(units.substr(0, k.written.size() + 1)),
                  ::quoted(std::u16string(k.written) + u'#'));
        if (k.status != ConversionSucceeded)
            continue;
        // And back, to the same bytes, which must not fit in one byte less.
        std::string bytes(8, '#');
        const qsizetype size = qsizetype(k.utf8.size());
        EXPECT_EQ(
            convertUnicodeToUTF8(units.data(), qsizetype(k.written.size()), bytes.data(), size),
            ConversionSucceeded);
        EXPECT_EQ(bytes.substr(0, k.utf8.size() + 1), std::string(k.utf8) + '#');
        if (size > 0) {
            EXPECT_EQ(convertUnicodeToUTF8(units.data(), qsizetype(k.written.size()), bytes.data(),
                                           size - 1),
                      ConversionOutputFull);
        }
    }
}

TEST(Encodings, Utf8RejectsBadArgumentsAndLoneSurrogates) {
    char16_t unit;
    char byte;
    EXPECT_EQ(convertUTF8ToUnicode(nullptr, 0, nullptr, 0), ConversionSucceeded);
    EXPECT_EQ(convertUTF8ToUnicode(nullptr, 1, &unit, 1), ConversionInvalidArgument);
    EXPECT_EQ(convertUnicodeToUTF8(u"a", 1, &byte, -1), ConversionInvalidArgument);
    EXPECT_EQ(convertUnicodeToUTF8(u"\xDC00\xD800", 2, &byte, 1), ConversionMalformedInput);
}

TEST(Encodings, NamedEncodingReportsSuccessAndUnitCount) {
    const struct {
        const char *encoding;
        std::string_view bytes;
        qsizetype capacity;
        bool ok;
        std::u16string_view units;
    } rows[] = {{"windows-1252", "\x80\xE9"sv, 8, true, u"\u20AC\u00E9"},
                {"UTF-8", ""sv, 0, true, u""},
                {"sjis", "\x1A\x1C\x7F\x93\xFA"sv, 8, true, u"\x1A\x1C\x7F\u65E5"},
                {"ISO-8859-1", "abc"sv, 2, false, u"ab"},
                {"US-ASCII", "a\xC3"sv, 8, false, u"a"},
                {"no-such-encoding", "abc"sv, 8, false, u""},
                {nullptr, "abc"sv, 8, false, u""}};
    for (const auto &k : rows) {
        std::u16string units(8, u'#');
        qsizetype count = -1;
        EXPECT_EQ(convertEncodingToUnicode(k.bytes.data(), qsizetype(k.bytes.size()), k.encoding,
                                           units.data(), k.capacity, &count),
                  k.ok);
        EXPECT_EQ(::quoted(units.substr(0, size_t(count))), ::quoted(k.units));
    }
}

} // namespace
