#include "textlib/encodings.h"

#include "tests/support/testing.h"
#include "texttesting.h"

// One encoding of each kind (own table, escapes, ICU with the Shift JIS controls, ICU, UTF-16
// with a mark), a text it can hold and the bytes it must give.
TEST(Encodings, EachEncodingRoundTrips) {
    static_assert(QSysInfo::ByteOrder == QSysInfo::LittleEndian, "rows spell host order as LE");
    for (auto [encoding, text, bytes] :
         {std::tuple{quint64(NEXTSTEPStringEncoding), u"a\u00E9\uFB01"sv, "a\xDD\xAE"sv},
          {UTF8StringEncoding, u"\u00E9\U0001F600"sv, "\xC3\xA9\xF0\x9F\x98\x80"sv},
          {NonLossyASCIIStringEncoding, u"a\\\u00E9\u20AC\xD800"sv, "a\\\\\\351\\u20ac\\ud800"sv},
          {ShiftJISStringEncoding, u"\u65E5\x1A\x1C\x7F"sv, "\x93\xFA\x1A\x1C\x7F"sv},
          {UnicodeStringEncoding, u"a\U0001F600"sv, "\xFF\xFE\x61\0\x3D\xD8\x00\xDE"sv}}) {
        SCOPED_TRACE(encoding);
        const QString s = makeText(text);
        EXPECT_EQ(dataUsingEncoding(s, encoding), bytesOf(bytes));
        EXPECT_EQ(stringWithData(bytesOf(bytes), encoding), s);
        // Zero bytes are the empty text in every encoding.
        expectText(stringWithData(QByteArray(), encoding), u"");
    }
}

TEST(Encodings, RejectsWhatTheEncodingCannotHold) {
    for (auto [encoding, bytes, expected] :
         {std::tuple{quint64(UTF8StringEncoding), "\xED\xA0\x80"sv, Null}, // encoded surrogate
          {UTF8StringEncoding, "\xEF\xBB\xBF\x61\0b"sv, u"a\0b"sv},
          {UnicodeStringEncoding, "\0a"sv, u"a"sv}, // big-endian without a mark
          {UTF16LittleEndianStringEncoding, "\xFF\xFE\x61\0"sv, u"\uFEFFa"sv},
          {NonLossyASCIIStringEncoding, "\\x\\u12\\9\\"sv, u"\\x\\u12\\9\\"sv},
          {99, "a"sv, Null}})
        expectText(stringWithData(bytesOf(bytes), encoding), expected);
    // Text an encoding cannot hold gives no data; converters tend to drop default ignorables
    // such as a soft hyphen silently instead.
    for (auto [encoding, text] : {std::pair{quint64(UTF8StringEncoding), u"a\xD800"sv},
                                  {ShiftJISStringEncoding, u"\u00AD"sv},
                                  {99, u"a"sv}})
        EXPECT_TRUE(dataUsingEncoding(makeText(text), encoding).isNull()) << encoding;
    EXPECT_TRUE(stringWithBytes(nullptr, 3, UTF8StringEncoding).isNull());
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

// Whole characters only: a pair that does not fit is left out, and a cut sequence is malformed.
TEST(Encodings, BufferConversionsStopAtCapacityAndBadInput) {
    char16_t units[4] = {};
    char bytes[4] = {};
    EXPECT_EQ(convertUTF8ToUnicode("a\xF0\x9F\x98\x80", 5, units, 2), ConversionOutputFull);
    EXPECT_EQ(convertUTF8ToUnicode("a\xC3", 2, units, 4), ConversionMalformedInput);
    EXPECT_EQ(convertUnicodeToUTF8(u"a\U0001F600", 3, bytes, 4), ConversionOutputFull);
    EXPECT_EQ(convertUnicodeToUTF8(u"\xDC00\xD800", 2, bytes, 4), ConversionMalformedInput);
    qsizetype count = -1;
    EXPECT_TRUE(convertEncodingToUnicode("\x80\xE9", 2, "windows-1252", units, 4, &count));
    EXPECT_EQ(std::u16string_view(units, size_t(count)), u"\u20AC\u00E9"sv);
}
