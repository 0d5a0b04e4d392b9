#include "textlib/base64.h"

#include "texttesting.h"

#include <gtest/gtest.h>

#include <string>

using namespace std::literals;
using namespace Qt::StringLiterals;
using namespace textlib;

namespace {

TEST(Base64, EncodesBytes) {
    const struct {
        std::string_view bytes;
        char16_t padding;
        std::u16string_view expected;
    } rows[] = {{"Man"sv, u'=', u"TWFu"sv},
                {"Ma"sv, u'=', u"TWE="sv},
                {"\0"sv, u'=', u"AA=="sv},
                {"\xFF\xFE\xFD\xFC"sv, 0, u"//79/A"sv},
                {"Many"sv, u'\u2026', u"TWFueQ\u2026\u2026"sv},
                {""sv, u'=', {}},
                {{}, u'=', {}}};
    for (const auto &k : rows) {
        SCOPED_TRACE(std::string(k.bytes) + " padding " + std::to_string(k.padding));
        expectText(encodeBase64Bytes(k.bytes.data(), qsizetype(k.bytes.size()), k.padding),
                   k.expected);
    }
    EXPECT_TRUE(encodeBase64Bytes("M", -1, u'=').isNull());
    expectText(encodedBase64Data("Ma"_ba), u"TWE="sv);
    EXPECT_TRUE(encodedBase64Data(QByteArray()).isNull());
}

TEST(Base64, EncodesTextAsUtf8) {
    const struct {
        std::u16string_view text, expected;
    } rows[] = {{u"\u00E9\U00010000"sv, u"w6nwkICA"sv},
                {u"a\0b"sv, u"YQBi"sv},
                {u""sv, {}},
                {{}, {}},
                // A lone surrogate has no UTF-8 form.
                {u"a\xD800"sv, {}}};
    for (const auto &k : rows) {
        SCOPED_TRACE(quoted(k.text));
        expectText(encodebase64(makeText(k.text)), k.expected);
    }
}

TEST(Base64, DecodesToText) {
    constexpr quint64 Utf8 = 4, Latin1 = 5;
    const struct {
        std::u16string_view text;
        quint64 encoding;
        std::u16string_view expected;
    } rows[] = {{u"TWFu"sv, Utf8, u"Man"sv},
                // Everything from the first zero byte on is dropped.
                {u"TQBiYw"sv, Utf8, u"M"sv},
                {u"AAAA"sv, Utf8, {}},
                // Units count by their low eight bits: U+0154 reads as "T".
                {u"\u0154WFu"sv, Utf8, u"Man"sv},
                {u"7aCA"sv, Utf8, {}},
                {u"w6k"sv, Latin1, u"\u00C3\u00A9"sv},
                {u"TWFu"sv, 99, {}},
                {u""sv, 99, u""sv},
                {{}, Utf8, {}}};
    for (const auto &k : rows) {
        SCOPED_TRACE(quoted(k.text) + " in " + std::to_string(k.encoding));
        const QString s = makeText(k.text);
        expectText(s, decodebase64UsingEncoding(s, k.encoding), k.expected);
        if (k.encoding == Utf8)
            expectText(s, decodebase64(s), k.expected);
    }
}

TEST(Base64, DecodesToData) {
    const struct {
        std::u16string_view text;
        std::string_view expected;
    } rows[] = {{u"TQ=="sv, "M"sv},
                {u"TQ"sv, "M\0\0"sv},
                {u"T\u0100\u0100="sv, "L\0"sv},
                {u"TQ==TQ=="sv, "M\0\0M"sv},
                // More "=" than decoded bytes.
                {u"===="sv, {}},
                {u"AA======"sv, {}},
                {u""sv, {}},
                {{}, {}}};
    for (const auto &k : rows) {
        SCOPED_TRACE(quoted(k.text));
        const QByteArray data = decodedBase64Data(makeText(k.text));
        EXPECT_EQ(data, QByteArray(k.expected.data(), qsizetype(k.expected.size())));
        EXPECT_EQ(data.isNull(), k.expected.data() == nullptr);
    }
}

TEST(Base64, RoundTripsEveryLength) {
    QByteArray bytes;
    for (int n = 0; n < 12; ++n) {
        EXPECT_EQ(decodedBase64Data(encodedBase64Data(bytes)), bytes) << n;
        bytes.append(char(0xFF - 37 * n));
    }
}

TEST(Base64, RecognisesBase64Text) {
    const struct {
        std::u16string_view text;
        bool expected;
    } rows[] = {{u"+/09az\n\u00A0\u3000\0"sv, true},
                {u"\u0154WFu"sv, true},
                {u"TQ=="sv, false},
                {u"\nTWFu"sv, false},
                {u"TW\0u"sv, false},
                {u"-_"sv, false},
                {{}, false}};
    for (const auto &k : rows)
        EXPECT_EQ(isBase64String(makeText(k.text)), k.expected) << quoted(k.text);
    EXPECT_TRUE(isAsciiData(QByteArray()));
    EXPECT_TRUE(isAsciiData("a\0\x7F"_ba));
    EXPECT_FALSE(isAsciiData("a\x80"_ba));
}

} // namespace
