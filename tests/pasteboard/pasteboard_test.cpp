#include "pasteboard/pasteboard.h"

#include <gtest/gtest.h>

namespace {

using namespace PasteboardType;

TEST(MemoryPasteboard, FromMimeDataMergesAliases) {
    const struct {
        QMap<QString, QByteArray> in;
        QStringList types;
        QMap<QString, QByteArray> out;
    } cases[] = {
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

TEST(MemoryPasteboard, WritesNeedADeclaredTypeAndTextTravelsAsUtf8) {
    MemoryPasteboard pboard = MemoryPasteboard::fromMimeData({{"text/plain", "2+3"}});
    EXPECT_FALSE(pboard.setData("x", RTF));
    // Aliases declare one type; declared but not yet written, nothing can be read.
    pboard.declareTypes({"text/plain", "UTF8_STRING", String, RTF});
    EXPECT_EQ(pboard.types(), (QStringList{String, RTF}));
    EXPECT_TRUE(pboard.toMimeData().isEmpty());
    EXPECT_FALSE(pboard.setData("x", RTFD)); // no alias of RTF
    // Null and empty data differ.
    EXPECT_TRUE(pboard.setString(QString(), RTF));
    EXPECT_FALSE(pboard.stringForType(RTF).isNull());
    EXPECT_TRUE(pboard.stringForType(HTML).isNull());
    // Beyond the 16-bit range, and a NUL.
    const QString text = QStringView(u"\u221a\U0001F600\0b", 5).toString();
    EXPECT_TRUE(pboard.setString(text, "UTF8_STRING"));
    EXPECT_EQ(pboard.toMimeData(),
              (QMap<QString, QByteArray>{{String, QByteArray("\xe2\x88\x9a\xf0\x9f\x98\x80\0b", 9)},
                                         {RTF, ""}}));
    EXPECT_EQ(pboard.stringForType(" Text/Plain; Charset=UTF-8 "), text);
    // Bytes that are not UTF-8 still read as text, with replacement characters.
    EXPECT_EQ(MemoryPasteboard::fromMimeData({{String, "a\xff"}}).stringForType(String),
              u"a\ufffd");
    pboard.declareTypes({});
    EXPECT_TRUE(pboard.types().isEmpty());
    EXPECT_TRUE(pboard.dataForType(String).isNull());
}

} // namespace
