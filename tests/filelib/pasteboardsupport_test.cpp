#include "filelib/pasteboardsupport.h"

#include "filelib/propertylist.h"

#include "filetesting.h"

#include <functional>
#include <stdexcept>

using namespace filelib;

using TypedData = QList<std::pair<QString, QByteArray>>;

MemoryPasteboard pboardWith(const TypedData &flavours) {
    MemoryPasteboard pboard;
    QStringList types;
    for (const auto &flavour : flavours)
        types.append(flavour.first);
    pboard.declareTypes(types);
    for (const auto &[type, data] : flavours)
        pboard.setData(data, type);
    return pboard;
}

struct ThrowingPasteboard : MemoryPasteboard {
    QStringList types() const override { throw std::runtime_error("boom"); }
};

TEST(PasteboardSupport, AddressAndNameComeFromTheFirstTypeOnOffer) {
    const QString a = QStringLiteral("https://a.example/");
    const QByteArray pair = propertyListData(QStringList{a, "http://b/"});
    const std::tuple<TypedData, QString, bool> rows[] = {
        // flavours, URL, whether a log line tells why it was refused
        {{{PublicURLType, "later"}, {CorePasteboardFlavorTypeURL, "first"}}, "first", false},
        {{{AppleURLPasteboardType, propertyListData(QStringList{a, ""})}}, a, false},
        {{{CorePasteboardFlavorTypeURL, pair}}, {}, true}}; // a base it cannot join
    for (const auto &[flavours, url, logged] : rows) {
        LogCapture log;
        const MemoryPasteboard pboard = pboardWith(flavours);
        EXPECT_EQ(containsURL(pboard), !url.isNull() || logged);
        const QString found = URL(pboard);
        EXPECT_TRUE(found == url && found.isNull() == url.isNull()) << found.toStdString();
        EXPECT_EQ(log.lines().size(), logged ? 1 : 0);
    }
    EXPECT_EQ(
        URLName(pboardWith({{PublicURLNameType, "p"}, {CorePasteboardFlavorTypeURLName, "c"}})),
        "c");
}

TEST(PasteboardSupport, AddressListsAreFoundInTextAndLocationFiles) {
    QTemporaryDir dir;
    const QString doc = putFile(dir.filePath("doc.txt"), "https://not.a.location/"),
                  location = putFile(dir.filePath("link.url"), "URL=https://example.org/x\n");
    const auto uris = [](const QStringList &paths) {
        QByteArray list;
        for (const QString &path : paths)
            list += QUrl::fromLocalFile(path).toEncoded() + "\r\n";
        return list;
    };
    const struct {
        TypedData flavours;
        bool contains;
        QList<QUrl> files; // URLsFromPasteboard of the file list
    } rows[] = {
        {{}, false, {}},
        {{{WebURLsWithTitlesPboardType, "junk"}}, true, {}},
        {{{StringPboardType, "see <https://x.org/> now"}}, true, {}},
        {{{FilenamesPboardType, uris({doc, location})}}, true, {QUrl("https://example.org/x")}},
        {{{FilenamesPboardType, QByteArray("\0\xff\n#c\nhttp://x/\n", 16)}},
         true,
         {QUrl("http://x/")}},
        // The file list comes first, so the text's address is never looked at.
        {{{StringPboardType, "https://x.org/"}, {FilenamesPboardType, uris({doc})}}, false, {}}};
    for (const auto &[flavours, contains, files] : rows) {
        const MemoryPasteboard pboard = pboardWith(flavours);
        EXPECT_EQ(containsURLs(pboard), contains) << flavours.value(0).second.data();
        EXPECT_EQ(URLsFromPasteboard(pboard, FilenamesPboardType), files);
    }
    const MemoryPasteboard pboard = pboardWith({{StringPboardType, "at www.b.example/x"}});
    EXPECT_EQ(URLsFromPasteboard(pboard, "text/plain"),
              QList<QUrl>{QUrl("http://www.b.example/x")});
    EXPECT_EQ(URLsFromPasteboard(pboard, HTMLPboardType), std::nullopt);
}

TEST(PasteboardSupport, NothingToWriteLeavesThePasteboardAlone) {
    const std::function<void(Pasteboard &)> writes[] = {
        [](Pasteboard &p) { copyURLsToPasteboard({}, p); },
        [](Pasteboard &p) { copyToPasteboard(QUrl(), p, "t", 1); },
        [](Pasteboard &p) { copyToPasteboard(QImage(), p); },
        [](Pasteboard &p) { EXPECT_FALSE(writeIndexesToPasteboard({}, p, "i")); }};
    for (const auto &write : writes) {
        MemoryPasteboard pboard = pboardWith({{HTMLPboardType, "kept"}});
        write(pboard);
        EXPECT_EQ(pboard.types(), QStringList{HTMLPboardType});
    }
}

TEST(PasteboardSupport, TextAndStyledTextRoundTripAndABrokenPasteboardIsLogged) {
    TextAttributes bold;
    bold.bold = true;
    MemoryPasteboard pboard;
    copyToPasteboard(AttributedString("bold", bold), pboard);
    const auto back = attributedStringFromPasteboard(&pboard);
    ASSERT_TRUE(back);
    EXPECT_TRUE(back->string() == "bold" && back->attributesAtIndex(0).bold);

    LogCapture log;
    const ThrowingPasteboard broken;
    EXPECT_TRUE(stringFromPasteboard(&broken).isNull());
    EXPECT_EQ(attributedStringFromPasteboard(&broken), std::nullopt);
    ASSERT_EQ(log.lines().size(), 2);
    EXPECT_TRUE(log.lines()[0].startsWith("stringFromPasteboard: (QString): std::runtime_error"));
}

TEST(PasteboardSupport, AnAddressGoesOutInEveryFlavour) {
    MemoryPasteboard pboard;
    copyToPasteboard(QUrl("https://a.example/a b"), pboard, "a/b: c?");
    const QString address = "https://a.example/a%20b";
    QStringList texts;
    for (const QString &type : {StringPboardType, URLPboardType, CorePasteboardFlavorTypeURL,
                                CorePasteboardFlavorTypeURLName})
        texts.append(pboard.stringForType(type));
    EXPECT_EQ(texts, (QStringList{address, address, address, "a-b- c-"})); // a name, not a path
    EXPECT_EQ(propertyListFromData(pboard.dataForType(WebURLsWithTitlesPboardType)),
              (QVariantList{QVariantList{address}, QVariantList{"a/b: c?"}}));
}

TEST(PasteboardSupport, IndexesAreWrittenAscendingWithoutRepeats) {
    const quint64 top = Q_UINT64_C(0xfffffffffffffffe);
    MemoryPasteboard pboard = pboardWith({{StringPboardType, "replaced"}});
    EXPECT_TRUE(writeIndexesToPasteboard({top, 3, 0, 3}, pboard, "com.example.rows"));
    EXPECT_EQ(pboard.types(), QStringList{"com.example.rows"});
    EXPECT_EQ(propertyListFromData(pboard.dataForType("com.example.rows")),
              (QVariantList{0, 3, top}));
}
