#include "textlib/encodings.h"

#include "texttesting.h"

namespace {

QByteArray bytesOf(std::string_view bytes) {
    return QByteArray(bytes.data(), qsizetype(bytes.size()));
}

} // namespace

// One encoding of each kind (own table, escapes, ICU with the Shift JIS controls, ICU, UTF-16
// with a mark), a text it can hold and the bytes it must give.
TEST(Encodings, EachEncodingRoundTrips) {
    static_assert(QSysInfo::ByteOrder == QSysInfo::LittleEndian, "rows spell host order as LE");
    for (auto [encoding, text, bytes] :
         {std::tuple{quint64(NEXTSTEPStringEncoding), u"a\u00E9\uFB01"sv, "a\xDD\xAE"sv},
          {UTF8StringEncoding, u"\u00E9\u20AC\U0001F600"sv,
           "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"sv},
          {NonLossyASCIIStringEncoding, u"a\\\u00E9\u20AC\xD800"sv, "a\\\\\\351\\u20ac\\ud800"sv},
          {ShiftJISStringEncoding, u"\u65E5\u672C\x1A\x1C\x7F"sv, "\x93\xFA\x96\x7B\x1A\x1C\x7F"sv},
          {UnicodeStringEncoding, u"a\U0001F600"sv, "\xFF\xFE\x61\0\x3D\xD8\x00\xDE"sv}}) {
        SCOPED_TRACE(encoding);
        const QString s = makeText(text);
        EXPECT_TRUE(isKnownEncoding(encoding));
        EXPECT_EQ(dataUsingEncoding(s, encoding), bytesOf(bytes));
        EXPECT_EQ(stringWithData(bytesOf(bytes), encoding), s);
        // Zero bytes are the empty text in every encoding.
        const QString empty = stringWithData(QByteArray(), encoding);
        EXPECT_TRUE(empty.isEmpty() && !empty.isNull());
        EXPECT_FALSE(dataUsingEncoding(QString(), encoding).isNull());
    }
}

TEST(Encodings, RejectsWhatTheEncodingCannotHold) {
    for (auto [encoding, bytes, expected] :
         {std::tuple{quint64(UTF8StringEncoding), "\xED\xA0\x80"sv, Null}, // encoded surrogate
          {UTF8StringEncoding, "\xEF\xBB\xBF\x61\0b"sv, u"a\0b"sv},
          {UnicodeStringEncoding, "\0a"sv, u"a"sv}, // big-endian without a mark
          {UnicodeStringEncoding, "\xD8\0\0a"sv, Null},
          {UTF16LittleEndianStringEncoding, "\xFF\xFE\x61\0"sv, u"\uFEFFa"sv},
          {NonLossyASCIIStringEncoding, "\\u20ac\\351\\\\"sv, u"\u20AC\u00E9\\"sv},
          {NonLossyASCIIStringEncoding, "\\x\\u12\\9\\"sv, u"\\x\\u12\\9\\"sv},
          {NonLossyASCIIStringEncoding, "\xE9"sv, Null},
          {99, "a"sv, Null}})
        expectText(stringWithData(bytesOf(bytes), encoding), expected);
    for (auto [encoding, text] : {std::pair{quint64(UTF8StringEncoding), u"a\xD800"sv},
                                  {UnicodeStringEncoding, u"\xDC00"sv},
                                  {SymbolStringEncoding, u"a"sv},
                                  {99, u"a"sv}})
        EXPECT_TRUE(dataUsingEncoding(makeText(text), encoding).isNull()) << encoding;
    expectText(stringWithBytes(nullptr, 0, UTF8StringEncoding), u"");
    EXPECT_TRUE(stringWithBytes(nullptr, 3, UTF8StringEncoding).isNull());
    EXPECT_TRUE(stringWithBytes("abc", -1, UTF8StringEncoding).isNull());
    EXPECT_EQ(stringWithNullTerminatedCString("ab\0cd", UTF8StringEncoding), u"ab"_s);
    EXPECT_TRUE(stringWithNullTerminatedCString(nullptr, UTF8StringEncoding).isNull());
}

// Converters tend to drop these silently where an encoding has no byte for them.
TEST(Encodings, DefaultIgnorablesAreRefusedNeverDropped) {
    EXPECT_TRUE(dataUsingEncoding(u"a\u200Bb", ASCIIStringEncoding).isNull());
    EXPECT_TRUE(dataUsingEncoding(u"\uFEFF", ISOLatin1StringEncoding).isNull());
    EXPECT_TRUE(dataUsingEncoding(u"\u00AD", ShiftJISStringEncoding).isNull());
}

TEST(Encodings, FastestAndSmallestEncodings) {
    // UTF-8 against UTF-16 bytes with the mark: 9 against 8, 12 against 14.
    for (auto [text, fastest, smallest] :
         {std::tuple{Null, quint64(ASCIIStringEncoding), quint64(ASCIIStringEncoding)},
          {u"\u00E9\u00FF"sv, ISOLatin1StringEncoding, ISOLatin1StringEncoding},
          {u"\u65E5\u672C\u8A9E"sv, UnicodeStringEncoding, UnicodeStringEncoding},
          {u"\U0001F600\U0001F600\U0001F600"sv, UnicodeStringEncoding, UTF8StringEncoding},
          {u"a\xD800"sv, UnicodeStringEncoding, UnicodeStringEncoding}}) {
        EXPECT_EQ(fastestEncoding(makeText(text)), fastest) << quoted(text);
        EXPECT_EQ(smallestEncoding(makeText(text)), smallest) << quoted(text);
    }
}

// Buffers start filled with '#' so that writing past the converted text shows.
TEST(Encodings, Utf8ConvertsWholeCharactersWithinCapacity) {
    for (auto [utf8, capacity, status, written] :
         {std::tuple{""sv, qsizetype(0), ConversionSucceeded, u""sv},
          {"a\xF0\x9F\x98\x80"sv, 3, ConversionSucceeded, u"a\U0001F600"sv},
          {"a\xF0\x9F\x98\x80"sv, 2, ConversionOutputFull, u"a"sv},
          {"a\xC3"sv, 8, ConversionMalformedInput, u"a"sv}}) {
        std::u16string units(8, u'#');
        const qsizetype size = qsizetype(utf8.size()), n = qsizetype(written.size());
        EXPECT_EQ(convertUTF8ToUnicode(utf8.data(), size, units.data(), capacity), status);
        EXPECT_EQ(quoted(std::u16string_view(units).substr(0, n + 1)),
                  quoted(std::u16string_view(std::u16string(written) + u'#')));
        if (status != ConversionSucceeded)
            continue;
        // And back, to the same bytes, which must not fit in one byte less.
        std::string bytes(8, '#');
        EXPECT_EQ(convertUnicodeToUTF8(units.data(), n, bytes.data(), size), ConversionSucceeded);
        EXPECT_EQ(bytes.substr(0, utf8.size() + 1), std::string(utf8) + '#');
        EXPECT_EQ(convertUnicodeToUTF8(units.data(), n, bytes.data(), size - 1),
                  size ? ConversionOutputFull : ConversionInvalidArgument);
    }
    char16_t unit;
    char byte;
    EXPECT_EQ(convertUTF8ToUnicode(nullptr, 0, nullptr, 0), ConversionSucceeded);
    EXPECT_EQ(convertUTF8ToUnicode(nullptr, 1, &unit, 1), ConversionInvalidArgument);
    EXPECT_EQ(convertUnicodeToUTF8(u"\xDC00\xD800", 2, &byte, 1), ConversionMalformedInput);
}

TEST(Encodings, NamedEncodingReportsSuccessAndUnitCount) {
    for (auto [encoding, bytes, capacity, ok, expected] :
         {std::tuple{"windows-1252", "\x80\xE9"sv, qsizetype(8), true, u"\u20AC\u00E9"sv},
          {"ISO-8859-1", "abc"sv, 2, false, u"ab"sv},
          {nullptr, "abc"sv, 8, false, u""sv}}) {
        std::u16string units(8, u'#');
        qsizetype count = -1;
        EXPECT_EQ(convertEncodingToUnicode(bytes.data(), qsizetype(bytes.size()), encoding,
                                           units.data(), capacity, &count),
                  ok);
        EXPECT_EQ(quoted(std::u16string_view(units).substr(0, size_t(count))), quoted(expected));
    }
}
