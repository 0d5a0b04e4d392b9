#include "textlib/encodings.h"

#include "texttesting.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace textlib;
using namespace std::literals;

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
                {"shift_jis", "a\x82\xA0"sv, 8, true, u"a\u3042"},
                {"UTF-8", ""sv, 0, true, u""},
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
