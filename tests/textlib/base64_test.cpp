#include "textlib/base64.h"

#include "texttesting.h"

TEST(Base64, EncodesBytes) {
    const struct {
        std::string_view bytes;
        char16_t padding;
        std::u16string_view expected;
    } rows[] = {{"\0"sv, u'=', u"AA=="},
                {"\xFF\xFE\xFD\xFC"sv, 0, u"//79/A"},
                {"Many"sv, u'\u2026', u"TWFueQ\u2026\u2026"},
                {""sv, u'=', {}},
                {{}, u'=', {}}};
    for (const auto &k : rows) {
        SCOPED_TRACE(std::string(k.bytes) + " padding " + std::to_string(k.padding));
        expectText(encodeBase64Bytes(k.bytes.data(), qsizetype(k.bytes.size()), k.padding),
                   k.expected);
    }
    EXPECT_TRUE(encodeBase64Bytes("M", -1, u'=').isNull());
    expectText(encodedBase64Data("Ma"_ba), u"TWE=");
    EXPECT_TRUE(encodedBase64Data(QByteArray()).isNull());
}

TEST(Base64, EncodesTextAsUtf8) {
    // A lone surrogate has no UTF-8 form.
    for (auto [text, expected] : {std::pair{u"\u00E9\U00010000"sv, u"w6nwkICA"sv},
                                  {u"a\0b"sv, u"YQBi"sv},
                                  {u""sv, {}},
                                  {Null, {}},
                                  {u"a\xD800"sv, {}}})
        expectText(encodebase64(makeText(text)), expected);
}

TEST(Base64, DecodesToText) {
    constexpr quint64 Utf8 = 4, Latin1 = 5;
    const struct {
        std::u16string_view text;
        quint64 encoding;
        std::u16string_view expected;
    } rows[] = {{u"TWFu", Utf8, u"Man"},
                // Everything from the first zero byte on is dropped; units count by their low
                // eight bits (U+0154 reads as "T").
                {u"TQBiYw", Utf8, u"M"},
                {u"AAAA", Utf8, {}},
                {u"\u0154WFu", Utf8, u"Man"},
                {u"7aCA", Utf8, {}},
                {u"w6k", Latin1, u"\u00C3\u00A9"},
                {u"TWFu", 99, {}},
                {u"", 99, u""},
                {Null, Utf8, {}}};
    for (const auto &k : rows) {
        SCOPED_TRACE(quoted(k.text) + " in " + std::to_string(k.encoding));
        const QString s = makeText(k.text);
        expectText(s, decodebase64UsingEncoding(s, k.encoding), k.expected);
        if (k.encoding == Utf8)
            expectText(s, decodebase64(s), k.expected);
    }
}

TEST(Base64, DecodesToData) {
    // More "=" than decoded bytes gives nothing.
    for (auto [text, expected] : {std::pair{u"TQ=="sv, "M"sv},
                                  {u"TQ"sv, "M\0\0"sv},
                                  {u"T\u0100\u0100="sv, "L\0"sv},
                                  {u"TQ==TQ=="sv, "M\0\0M"sv},
                                  {u"===="sv, {}},
                                  {u"AA======"sv, {}},
                                  {Null, {}}}) {
        const QByteArray data = decodedBase64Data(makeText(text));
        EXPECT_EQ(data, QByteArray(expected.data(), qsizetype(expected.size()))) << quoted(text);
        EXPECT_EQ(data.isNull(), expected.data() == nullptr);
    }
    QByteArray bytes;
    for (int n = 0; n < 12; ++n, bytes.append(char(0xFF - 37 * n)))
        EXPECT_EQ(decodedBase64Data(encodedBase64Data(bytes)), bytes) << n;
}

TEST(Base64, RecognisesBase64Text) {
    for (auto [text, expected] : {std::pair{u"+/09az\n\u00A0\u3000\0"sv, true},
                                  {u"\u0154WFu"sv, true},
                                  {u"TQ=="sv, false},
                                  {u"\nTWFu"sv, false},
                                  {u"TW\0u"sv, false},
                                  {u"-_"sv, false},
                                  {Null, false}})
        EXPECT_EQ(isBase64String(makeText(text)), expected) << quoted(text);
    EXPECT_TRUE(isAsciiData(QByteArray()));
    EXPECT_TRUE(isAsciiData("a\0\x7F"_ba));
    EXPECT_FALSE(isAsciiData("a\x80"_ba));
}
