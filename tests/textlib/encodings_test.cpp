#include "textlib/encodings.h"

#include "texttesting.h"

namespace {

QByteArray bytesOf(std::string_view bytes) {
    return QByteArray(bytes.data(), qsizetype(bytes.size()));
}

} // namespace

// One encoding of each kind (own tables, escapes, ICU single- and multi-byte, UTF-8, UTF-16/32
// with and without a mark), a text it can hold and the bytes it must give.
TEST(Encodings, EachEncodingRoundTrips) {
    static_assert(QSysInfo::ByteOrder == QSysInfo::LittleEndian, "rows spell host order as LE");
    const std::pair<quint64, std::pair<std::u16string_view, std::string_view>> rows[] = {
        {ASCIIStringEncoding, {u"a~\0"sv, "a~\0"sv}},
        {NEXTSTEPStringEncoding, {u"a\u00E9\uFB01", "a\xDD\xAE"}},
        {UTF8StringEncoding, {u"\u00E9\u20AC\U0001F600", "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"}},
        {NonLossyASCIIStringEncoding, {u"a\\\u00E9\u20AC\xD800", "a\\\\\\351\\u20ac\\ud800"}},
        {ShiftJISStringEncoding, {u"\u65E5\u672C\x1A\x1C\x7F", "\x93\xFA\x96\x7B\x1A\x1C\x7F"}},
        {ISOLatin1StringEncoding, {u"a\u00AD", "a\xAD"}},
        {UnicodeStringEncoding, {u"a\U0001F600", "\xFF\xFE\x61\0\x3D\xD8\x00\xDE"sv}},
        {WindowsCP1252StringEncoding, {u"\u20AC\u00AD", "\x80\xAD"}},
        {UTF16BigEndianStringEncoding, {u"a", "\0a"sv}},
        {UTF32StringEncoding, {u"a", "\xFF\xFE\0\0a\0\0\0"sv}}};
    for (const auto &[encoding, row] : rows) {
        SCOPED_TRACE(encoding);
        const QString text = makeText(row.first);
        EXPECT_TRUE(isKnownEncoding(encoding));
        EXPECT_EQ(dataUsingEncoding(text, encoding), bytesOf(row.second));
        EXPECT_EQ(stringWithData(bytesOf(row.second), encoding), text);
        EXPECT_EQ(stringWithBytes(row.second.data(), qsizetype(row.second.size()), encoding), text);
        // Zero bytes are the empty text in every encoding.
        const QString empty = stringWithData(QByteArray(), encoding);
        EXPECT_TRUE(empty.isEmpty() && !empty.isNull());
        EXPECT_FALSE(dataUsingEncoding(QString(), encoding).isNull());
    }
}

TEST(Encodings, DecodingRejectsWhatTheEncodingCannotHold) {
    const std::pair<quint64, std::pair<std::string_view, std::u16string_view>> rows[] = {
        {ASCIIStringEncoding, {"a\x80", {}}},
        {UTF8StringEncoding, {"\xED\xA0\x80", {}}}, // encoded surrogate
        {UTF8StringEncoding, {"\xEF\xBB\xBF\x61\0b"sv, u"a\0b"sv}},
        {UnicodeStringEncoding, {"\0a"sv, u"a"}}, // big-endian without a mark
        {UnicodeStringEncoding, {"\0"sv, {}}},
        {UnicodeStringEncoding, {"\xD8\0\0a"sv, {}}},
        {UTF16LittleEndianStringEncoding, {"\xFF\xFE\x61\0"sv, u"\uFEFFa"}},
        {UTF32BigEndianStringEncoding, {"\0\x11\0\0"sv, {}}},
        {SymbolStringEncoding, {"\x80", {}}},
        {NonLossyASCIIStringEncoding, {"\\u20ac\\351\\\\", u"\u20AC\u00E9\\"}},
        {NonLossyASCIIStringEncoding, {"\\x\\u12\\9\\", u"\\x\\u12\\9\\"}},
        {NonLossyASCIIStringEncoding, {"\xE9", {}}},
        {99, {"a", {}}},
        {DetectStringEncoding, {"a", {}}}};
    for (const auto &[encoding, row] : rows)
        expectText(stringWithData(bytesOf(row.first), encoding), row.second);
    for (const auto &[encoding, text] : {std::pair{quint64(ASCIIStringEncoding), u"\u00E9"sv},
                                         {UTF8StringEncoding, u"a\xD800"sv},
                                         {UnicodeStringEncoding, u"\xDC00"sv},
                                         {SymbolStringEncoding, u"a"sv},
                                         {99, u"a"sv},
                                         {DetectStringEncoding, u"a"sv}})
        EXPECT_TRUE(dataUsingEncoding(makeText(text), encoding).isNull()) << encoding;
}

// Converters tend to drop these silently where an encoding has no byte for them.
TEST(Encodings, DefaultIgnorablesAreWrittenOrRefusedNeverDropped) {
    for (const quint64 encoding :
         {ASCIIStringEncoding, NEXTSTEPStringEncoding, JapaneseEUCStringEncoding,
          ISOLatin1StringEncoding, SymbolStringEncoding, ShiftJISStringEncoding,
          ISOLatin2StringEncoding, WindowsCP1251StringEncoding, WindowsCP1252StringEncoding,
          WindowsCP1253StringEncoding, WindowsCP1254StringEncoding, WindowsCP1250StringEncoding,
          ISO2022JPStringEncoding, MacOSRomanStringEncoding}) {
        for (const char32_t c :
             {0x00AD, 0x034F, 0x180E, 0x200B, 0x200D, 0x200F, 0x202A, 0x202E, 0x2060, 0x2066,
              0x206F, 0xFE00, 0xFE0F, 0xFEFF, 0xFFA0, 0x1D173, 0xE0001, 0xE0100}) {
            const QString text = u'(' + QString::fromUcs4(&c, 1) + u')';
            const QByteArray bytes = dataUsingEncoding(text, encoding);
            if (!bytes.isNull()) {
                EXPECT_EQ(stringWithData(bytes, encoding), text) << encoding << " " << unsigned(c);
            }
        }
    }
    EXPECT_TRUE(dataUsingEncoding(u"a\u200Bb", ASCIIStringEncoding).isNull());
    EXPECT_TRUE(dataUsingEncoding(u"\uFEFF", ISOLatin1StringEncoding).isNull());
    EXPECT_TRUE(dataUsingEncoding(u"\u00AD", ShiftJISStringEncoding).isNull());
}

TEST(Encodings, BytesAndCStringsCheckTheirArguments) {
    expectText(stringWithBytes(nullptr, 0, UTF8StringEncoding), u"");
    EXPECT_TRUE(stringWithBytes(nullptr, 3, UTF8StringEncoding).isNull());
    EXPECT_TRUE(stringWithBytes("abc", -1, UTF8StringEncoding).isNull());
    EXPECT_EQ(stringWithCString("abc", 2, ASCIIStringEncoding), u"ab"_s);
    EXPECT_EQ(stringWithNullTerminatedCString("ab\0cd", UTF8StringEncoding), u"ab"_s);
    EXPECT_EQ(stringWithNullTerminatedCString("\xE9", ISOLatin1StringEncoding), u"\u00E9"_s);
    EXPECT_TRUE(stringWithNullTerminatedCString(nullptr, UTF8StringEncoding).isNull());
    EXPECT_TRUE(stringWithNullTerminatedCString("\xE9", ASCIIStringEncoding).isNull());
}

TEST(Encodings, FastestAndSmallestEncodings) {
    // UTF-8 against UTF-16 bytes: 3 against 4, 9 against 8, 4 against 6, 9 against 10.
    for (auto [text, fastest, smallest] :
         {std::tuple{std::u16string_view(), ASCIIStringEncoding, ASCIIStringEncoding},
          {u"\u00E9\u00FF"sv, ISOLatin1StringEncoding, ISOLatin1StringEncoding},
          {u"\u20AC"sv, UnicodeStringEncoding, UTF8StringEncoding},
          {u"\u65E5\u672C\u8A9E"sv, UnicodeStringEncoding, UnicodeStringEncoding},
          {u"\U0001F600"sv, UnicodeStringEncoding, UTF8StringEncoding},
          {u"\U0001F600\U0001F600a"sv, UnicodeStringEncoding, UTF8StringEncoding},
          {u"a\xD800"sv, UnicodeStringEncoding, UnicodeStringEncoding}}) {
        EXPECT_EQ(fastestEncoding(makeText(text)), fastest) << quoted(text);
        EXPECT_EQ(smallestEncoding(makeText(text)), smallest) << quoted(text);
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
        EXPECT_EQ(quoted(std::u16string_view(units).substr(0, k.written.size() + 1)),
                  quoted(std::u16string_view(std::u16string(k.written) + u'#')));
        if (k.status != ConversionSucceeded)
            continue;
        // And back, to the same bytes, which must not fit in one byte less.
        std::string bytes(8, '#');
        const qsizetype size = qsizetype(k.utf8.size()), n = qsizetype(k.written.size());
        EXPECT_EQ(convertUnicodeToUTF8(units.data(), n, bytes.data(), size), ConversionSucceeded);
        EXPECT_EQ(bytes.substr(0, k.utf8.size() + 1), std::string(k.utf8) + '#');
        if (size > 0) {
            EXPECT_EQ(convertUnicodeToUTF8(units.data(), n, bytes.data(), size - 1),
                      ConversionOutputFull);
        }
    }
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
    } rows[] = {{"windows-1252", "\x80\xE9", 8, true, u"\u20AC\u00E9"},
                {"UTF-8", "", 0, true, u""},
                {"sjis", "\x1A\x1C\x7F\x93\xFA", 8, true, u"\x1A\x1C\x7F\u65E5"},
                {"ISO-8859-1", "abc", 2, false, u"ab"},
                {"US-ASCII", "a\xC3", 8, false, u"a"},
                {"no-such-encoding", "abc", 8, false, u""},
                {nullptr, "abc", 8, false, u""}};
    for (const auto &k : rows) {
        std::u16string units(8, u'#');
        qsizetype count = -1;
        EXPECT_EQ(convertEncodingToUnicode(k.bytes.data(), qsizetype(k.bytes.size()), k.encoding,
                                           units.data(), k.capacity, &count),
                  k.ok);
        EXPECT_EQ(quoted(std::u16string_view(units).substr(0, size_t(count))), quoted(k.units));
    }
}
