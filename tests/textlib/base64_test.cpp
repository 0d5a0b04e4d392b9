#include "textlib/base64.h"

#include "texttesting.h"

TEST(Base64, EncodesBytes) {
    // Padding may be left out or be any unit.
    for (auto [bytes, padding, expected] : {std::tuple{"\0"sv, u'=', u"AA=="sv},
                                            {"\xFF\xFE\xFD\xFC"sv, u'\0', u"//79/A"sv},
                                            {""sv, u'=', Null}})
        expectText(encodeBase64Bytes(bytes.data(), qsizetype(bytes.size()), padding), expected);
    EXPECT_TRUE(encodeBase64Bytes("M", -1, u'=').isNull());
    expectText(encodedBase64Data("Ma"_ba), u"TWE=");
    // UTF-8 first; a lone surrogate has no UTF-8 form.
    for (auto [text, expected] :
         {std::pair{u"\u00E9\U00010000"sv, u"w6nwkICA"sv}, {Null, Null}, {u"a\xD800"sv, Null}})
        expectText(encodebase64(makeText(text)), expected);
}

TEST(Base64, DecodesToText) {
    constexpr quint64 Utf8 = 4, Latin1 = 5;
    // Everything from the first zero byte on is dropped; units count by their low eight bits
    // (U+0154 reads as "T").
    for (auto [text, encoding, expected] : {std::tuple{u"TQBiYw"sv, Utf8, u"M"sv},
                                            {u"\u0154WFu"sv, Utf8, u"Man"sv},
                                            {u"7aCA"sv, Utf8, Null},
                                            {u"w6k"sv, Latin1, u"\u00C3\u00A9"sv},
                                            {u"TWFu"sv, 99, Null}}) {
        const QString s = makeText(text);
        expectText(s, decodebase64UsingEncoding(s, encoding), expected);
    }
}

TEST(Base64, DecodesToData) {
    // More "=" than decoded bytes gives nothing.
    for (auto [text, expected] : {std::pair{u"TQ"sv, "M\0\0"sv},
                                  {u"TQ==TQ=="sv, "M\0\0M"sv},
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
                                  {u"TQ=="sv, false},
                                  {u"TW\0u"sv, false},
                                  {Null, false}})
        EXPECT_EQ(isBase64String(makeText(text)), expected) << quoted(text);
    EXPECT_TRUE(isAsciiData("a\0\x7F"_ba));
    EXPECT_FALSE(isAsciiData("a\x80"_ba));
}
