#include "textlib/base64.h"

#include "texttesting.h"

TEST(Base64, EncodesBytes) {
    // Padding may be left out or be any unit.
    for (auto [bytes, padding, expected] : {std::tuple{"\0"sv, u'=', u"AA=="sv},
                                            {"\xFF\xFE\xFD\xFC"sv, u'\0', u"//79/A"sv},
                                            {""sv, u'=', Null}})
        expectText(encodeBase64Bytes(bytes.data(), qsizetype(bytes.size()), padding), expected);
    EXPECT_TRUE(encodeBase64Bytes("M", -1, u'=').isNull());
    // UTF-8 first; a lone surrogate has no UTF-8 form.
    expectText(encodebase64(u"\u00E9\U00010000"_s), u"w6nwkICA");
    expectText(encodebase64(u"a\xD800"_s), Null);
}

TEST(Base64, Decodes) {
    constexpr quint64 Utf8 = 4, Latin1 = 5;
    // Everything from the first zero byte on is dropped; units count by their low eight bits
    // (U+0154 reads as "T").
    for (auto [text, encoding, expected] : {std::tuple{u"TQBiYw"sv, Utf8, u"M"sv},
                                            {u"\u0154WFu"sv, Utf8, u"Man"sv},
                                            {u"7aCA"sv, Utf8, Null},
                                            {u"w6k"sv, Latin1, u"\u00C3\u00A9"sv}}) {
        const QString s = makeText(text);
        expectText(s, decodebase64UsingEncoding(s, encoding), expected);
    }
    // More "=" than decoded bytes gives nothing.
    EXPECT_EQ(decodedBase64Data(u"TQ==TQ=="_s), "M\0\0M"_ba);
    EXPECT_TRUE(decodedBase64Data(u"AA======"_s).isNull());
    EXPECT_TRUE(decodedBase64Data(QString()).isNull());
    QByteArray bytes;
    for (int n = 0; n < 12; ++n, bytes.append(char(0xFF - 37 * n)))
        EXPECT_EQ(decodedBase64Data(encodedBase64Data(bytes)), bytes) << n;
}

TEST(Base64, RecognisesBase64Text) {
    EXPECT_TRUE(isBase64String(u"+/09az\n\u00A0\u3000\0"_s));
    EXPECT_FALSE(isBase64String(u"TQ=="_s) || isBase64String(u"TW\0u"_s) || isBase64String({}));
    EXPECT_TRUE(isAsciiData("a\0\x7F"_ba));
    EXPECT_FALSE(isAsciiData("a\x80"_ba));
}
