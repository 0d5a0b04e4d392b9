#include "pasteboard/pasteboard.h"

#include <gtest/gtest.h>

namespace {

using namespace PasteboardType;

TEST(PasteboardType, CanonicalNamesAndTheirAliases) {
    const struct {
        QString in, out;
    } cases[] = {{"Text/Plain; Charset=utf-8", String},
                 {" text/plain ", String},
                 {"UTF8_STRING", String},
                 // X11 target names are case-sensitive; other encodings are other types.
                 {"utf8_string", "utf8_string"},
                 {"text/plain;charset=iso-8859-1", "text/plain;charset=iso-8859-1"},
                 {"text/plainx", "text/plainx"},
                 {"APPLICATION/RTF", RTF},
                 {"Text/HTML", HTML},
                 {QString(), QString()}};
    for (const auto &c : cases)
        EXPECT_EQ(canonical(c.in), c.out) << c.in.toStdString();
    EXPECT_EQ(aliases("UTF8_STRING"), (QStringList{String, "UTF8_STRING", "text/plain"}));
    EXPECT_EQ(aliases("application/rtf"), (QStringList{RTF, "application/rtf"}));
    EXPECT_EQ(aliases(RTFD), QStringList{RTFD});
    for (const QString &type : {String, RTF, RTFD, HTML, URIList}) {
        for (const QString &alias : aliases(type))
            EXPECT_EQ(canonical(alias), type) << alias.toStdString();
    }
}

TEST(MemoryPasteboard, FromMimeDataMergesAliases) {
    const struct {
        QMap<QString, QByteArray> in;
        QStringList types;
        QMap<QString, QByteArray> out;
    } cases[] = {
        {{}, {}, {}},
        // The map's order puts "UTF8_STRING" before "text/plain".
        {{{"text/plain", "a"}, {"UTF8_STRING", "b"}}, {String}, {{String, "b"}}},
        // The exact name wins over an alias, wherever it stands.
        {{{"text/plain", "a"}, {String, "b"}}, {String}, {{String, "b"}}},
        {{{"image/png", "\x89PNG"}, {"text/plain", QByteArray()}},
         {"image/png", String},
         {{"image/png", "\x89PNG"}, {String, ""}}},
    };
    for (const auto &c : cases) {
        const MemoryPasteboard pboard = MemoryPasteboard::fromMimeData(c.in);
        EXPECT_EQ(pboard.types(), c.types);
        EXPECT_EQ(pboard.toMimeData(), c.out);
        for (const QString &type : c.types)
            EXPECT_FALSE(pboard.dataForType(type).isNull());
    }
}

TEST(MemoryPasteboard, DeclaringClearsAndWritesNeedADeclaredType) {
    MemoryPasteboard pboard = MemoryPasteboard::fromMimeData({{"text/plain", "2+3"}});
    EXPECT_FALSE(pboard.setData("x", RTF));
    // Aliases declare one type; declared but not yet written, nothing can be read.
    pboard.declareTypes({"text/plain", "UTF8_STRING", String, RTF});
    EXPECT_EQ(pboard.types(), (QStringList{String, RTF}));
    EXPECT_TRUE(pboard.dataForType(String).isNull());
    EXPECT_TRUE(pboard.toMimeData().isEmpty());
    EXPECT_FALSE(pboard.setData("x", RTFD)); // no alias of RTF
    // Null and empty data differ.
    EXPECT_TRUE(pboard.setString(QString(), RTF));
    EXPECT_FALSE(pboard.stringForType(RTF).isNull());
    EXPECT_TRUE(pboard.dataForType(RTF).isEmpty());
    EXPECT_TRUE(pboard.stringForType(HTML).isNull());
    EXPECT_TRUE(pboard.setString("2+3 = 5", "UTF8_STRING"));
    EXPECT_EQ(pboard.toMimeData(), (QMap<QString, QByteArray>{{String, "2+3 = 5"}, {RTF, ""}}));
    EXPECT_EQ(pboard.stringForType("text/plain;charset=UTF-8"), u"2+3 = 5");
    pboard.declareTypes({});
    EXPECT_TRUE(pboard.types().isEmpty());
    EXPECT_TRUE(pboard.dataForType(String).isNull());
}

TEST(MemoryPasteboard, StringsTravelAsUtf8) {
    const struct {
        QString text;
        QByteArray bytes;
    } cases[] = {
        {"\u221a2 \u2248 1,414", "\xe2\x88\x9a"
                                 "2 \xe2\x89\x88 1,414"},
        {"\U0001F600", "\xf0\x9f\x98\x80"}, // outside the BMP
        {QStringView(u"a\0b", 3).toString(), QByteArray("a\0b", 3)},
    };
    for (const auto &c : cases) {
        MemoryPasteboard pboard;
        pboard.declareTypes({String});
        ASSERT_TRUE(pboard.setString(c.text, String));
        EXPECT_EQ(pboard.dataForType(String), c.bytes);
        EXPECT_EQ(pboard.stringForType(String), c.text);
    }
    // Bytes that are not UTF-8 still read as text, with replacement characters.
    EXPECT_EQ(MemoryPasteboard::fromMimeData({{String, "a\xff"}}).stringForType(String),
              u"a\ufffd");
}

} // namespace
