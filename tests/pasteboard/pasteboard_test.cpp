#include "pasteboard/pasteboard.h"

#include <gtest/gtest.h>

namespace {

using namespace PasteboardType;

TEST(PasteboardType, CanonicalNames) {
    const struct {
        QString in;
        QString out;
    } cases[] = {
        {QStringLiteral("Text/Plain; Charset=utf-8"), String},
        {QStringLiteral(" text/plain "), String},
        {QStringLiteral("UTF8_STRING"), String},
        // X11 target names are case-sensitive; other encodings are other types.
        {QStringLiteral("utf8_string"), QStringLiteral("utf8_string")},
        {QStringLiteral("text/plain;charset=iso-8859-1"),
         QStringLiteral("text/plain;charset=iso-8859-1")},
        {QStringLiteral("text/plainx"), QStringLiteral("text/plainx")},
        {QStringLiteral("APPLICATION/RTF"), RTF},
        {QStringLiteral("Text/HTML"), HTML},
        {QString(), QString()},
    };
    for (const auto &c : cases)
        EXPECT_EQ(canonical(c.in), c.out) << c.in.toStdString();
}

TEST(PasteboardType, AliasesStartWithTheCanonicalName) {
    EXPECT_EQ(aliases(QStringLiteral("UTF8_STRING")),
              (QStringList{String, QStringLiteral("UTF8_STRING"), QStringLiteral("text/plain")}));
    EXPECT_EQ(aliases(QStringLiteral("application/rtf")),
              (QStringList{RTF, QStringLiteral("application/rtf")}));
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
        {{{QStringLiteral("text/plain"), "a"}, {QStringLiteral("UTF8_STRING"), "b"}},
         {String},
         {{String, "b"}}},
        // The exact name wins over an alias, wherever it stands.
        {{{QStringLiteral("text/plain"), "a"}, {String, "b"}}, {String}, {{String, "b"}}},
        {{{QStringLiteral("image/png"), "\x89PNG"}, {QStringLiteral("text/plain"), "x"}},
         {QStringLiteral("image/png"), String},
         {{QStringLiteral("image/png"), "\x89PNG"}, {String, "x"}}},
        {{{QStringLiteral("text/plain"), QByteArray()}}, {String}, {{String, ""}}},
    };
    for (const auto &c : cases) {
        const MemoryPasteboard pboard = MemoryPasteboard::fromMimeData(c.in);
        EXPECT_EQ(pboard.types(), c.types);
        EXPECT_EQ(pboard.toMimeData(), c.out);
        for (auto it = c.out.begin(); it != c.out.end(); ++it)
            EXPECT_FALSE(pboard.dataForType(it.key()).isNull());
    }
}

TEST(MemoryPasteboard, DeclaringClearsAndWritesNeedADeclaredType) {
    MemoryPasteboard pboard = MemoryPasteboard::fromMimeData(
        {{QStringLiteral("text/plain"), "2+3"}, {QStringLiteral("text/html"), "<i>2+3</i>"}});
    EXPECT_FALSE(pboard.setData("x", RTF));
    // Aliases declare one type; declared but not yet written, nothing can be read.
    pboard.declareTypes({QStringLiteral("text/plain"), QStringLiteral("UTF8_STRING"), String});
    EXPECT_EQ(pboard.types(), QStringList{String});
    EXPECT_TRUE(pboard.dataForType(String).isNull());
    EXPECT_TRUE(pboard.toMimeData().isEmpty());
    EXPECT_FALSE(pboard.setData("x", HTML));
    EXPECT_TRUE(pboard.setString(QStringLiteral("2+3 = 5"), QStringLiteral("UTF8_STRING")));
    EXPECT_EQ(pboard.toMimeData(), (QMap<QString, QByteArray>{{String, "2+3 = 5"}}));
    EXPECT_EQ(pboard.stringForType(QStringLiteral("text/plain;charset=UTF-8")), u"2+3 = 5");
    pboard.declareTypes({RTF});
    EXPECT_FALSE(pboard.setData("x", RTFD)); // RTFD is no alias of RTF
    EXPECT_TRUE(pboard.dataForType(String).isNull());
    pboard.declareTypes({});
    EXPECT_TRUE(pboard.types().isEmpty());
}

TEST(MemoryPasteboard, NullAndEmptyDataDiffer) {
    MemoryPasteboard pboard;
    pboard.declareTypes({String, RTF});
    EXPECT_TRUE(pboard.setData(QByteArray(), String));
    EXPECT_TRUE(pboard.setString(QString(), RTF));
    for (const QString &type : {String, RTF}) {
        EXPECT_FALSE(pboard.dataForType(type).isNull());
        EXPECT_TRUE(pboard.dataForType(type).isEmpty());
        EXPECT_FALSE(pboard.stringForType(type).isNull());
        EXPECT_TRUE(pboard.stringForType(type).isEmpty());
    }
    EXPECT_TRUE(pboard.dataForType(HTML).isNull());
    EXPECT_TRUE(pboard.stringForType(HTML).isNull());
}

TEST(MemoryPasteboard, StringsTravelAsUtf8) {
    const struct {
        QString text;
        QByteArray bytes;
    } cases[] = {
        {QStringLiteral("\u221a2 \u2248 1,414"), "\xe2\x88\x9a"
                                                 "2 \xe2\x89\x88 1,414"},
        {QString::fromUtf8("\xf0\x9f\x98\x80"), "\xf0\x9f\x98\x80"}, // outside the BMP
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
    MemoryPasteboard pboard = MemoryPasteboard::fromMimeData({{String, "a\xff"}});
    EXPECT_EQ(pboard.stringForType(String), QStringLiteral("a\ufffd"));
}

} // namespace
