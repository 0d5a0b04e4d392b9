#include "filelib/pasteboardsupport.h"

#include "filelib/addresses.h"
#include "filelib/propertylist.h"

#include "filetesting.h"

#include <QBuffer>
#include <QImageWriter>
#include <QMimeData>

#include <functional>
#include <memory>
#include <stdexcept>

using namespace filelib;

namespace {

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

// Null stays distinct from empty in every comparison.
void expectText(const QString &actual, const QString &expected) {
    EXPECT_EQ(actual, expected);
    EXPECT_EQ(actual.isNull(), expected.isNull()) << actual.toStdString();
}

// The addresses-with-titles flavour as its two lists.
QList<QStringList> titled(const Pasteboard &pboard) {
    QList<QStringList> lists;
    for (const QVariant &list :
         propertyListFromData(pboard.dataForType(WebURLsWithTitlesPboardType)).toList())
        lists.append(list.toStringList());
    return lists;
}

class ThrowingPasteboard : public MemoryPasteboard {
public:
    QStringList types() const override { throw std::runtime_error("boom"); }
};

} // namespace

TEST(PasteboardSupport, AddressAndNameComeFromTheFirstTypeOnOffer) {
    const auto plist = [](const QVariant &v) { return propertyListData(v); };
    const QString a = QStringLiteral("https://a.example/"), base = QStringLiteral("http://b/");
    struct Row {
        TypedData flavours;
        QString url, logged; // logged: the one log line, or null for none
    };
    const Row rows[] = {
        {{{PublicURLType, a.toUtf8()}}, a, {}},
        {{{AppleURLPasteboardType, plist(QStringList{a, ""})}}, a, {}}, // empty base
        {{{PublicURLType, "later"}, {CorePasteboardFlavorTypeURL, "first"}}, "first", {}},
        {{{QStringLiteral("Public.URL"), "case"}, {StringPboardType, a.toUtf8()}}, {}, {}},
        {{{CorePasteboardFlavorTypeURL, plist(QStringList{a, base})}},
         {},
         "Unsupported URL data (CorePasteboardFlavorType 0x75726C20): (" + a + ", " + base + ")"}};
    for (const Row &row : rows) {
        LogCapture log;
        const MemoryPasteboard pboard = pboardWith(row.flavours);
        EXPECT_EQ(containsURL(pboard), !row.url.isNull() || !row.logged.isNull());
        expectText(URL(pboard), row.url);
        EXPECT_EQ(log.lines(), row.logged.isNull() ? QStringList() : QStringList{row.logged});
    }
    const std::pair<TypedData, QString> names[] = {
        {{{PublicURLNameType, "public"}, {CorePasteboardFlavorTypeURLName, "core"}}, "core"},
        {{{QStringLiteral("Public.URL-Name"), "case"}}, {}}};
    for (const auto &[flavours, name] : names) {
        EXPECT_EQ(containsURLName(pboardWith(flavours)), !name.isNull());
        expectText(URLName(pboardWith(flavours)), name);
    }
}

TEST(PasteboardSupport, AvailableTypeIsExactExceptForMimeAliases) {
    const MemoryPasteboard pboard = pboardWith({{StringPboardType, "x"}, {PublicURLType, ""}});
    EXPECT_TRUE(availableType(pboard, QStringLiteral("text/plain")));
    EXPECT_FALSE(availableType(pboard, QStringLiteral("Public.URL"))
                 || availableType(pboard, QString()));
    EXPECT_EQ(availableTypeFromArray(pboard, {QString(), "x", PublicURLType, StringPboardType}),
              PublicURLType);
    EXPECT_FALSE(propertyListForType(pboard, StringPboardType).isValid()); // not a plist
}

TEST(PasteboardSupport, AddressListsAreFoundInTextAndLocationFiles) {
    QTemporaryDir dir;
    const QString doc = putFile(dir.filePath("doc.txt"), "https://not.a.location/"),
                  location = putFile(dir.filePath("link.url"),
                                     "[InternetShortcut]\nURL=https://example.org/x\n"),
                  empty = putFile(dir.filePath("empty.url"), "[InternetShortcut]\nURL=\n");
    const auto uris = [](const QStringList &paths) {
        QByteArray list;
        for (const QString &path : paths)
            list += QUrl::fromLocalFile(path).toEncoded() + "\r\n";
        return list;
    };
    const QList<QUrl> found{QUrl("https://example.org/x")};
    struct Row {
        TypedData flavours;
        bool contains;
        QList<QUrl> files; // URLsFromPasteboard of the file list
    };
    const Row rows[] = {
        {{}, false, {}},
        {{{WebURLsWithTitlesPboardType, "junk"}}, true, {}},
        {{{StringPboardType, "see <https://x.org/> now"}}, true, {}},
        {{{FilenamesPboardType, uris({doc, dir.filePath("gone.url"), empty})}}, false, {}},
        {{{FilenamesPboardType, uris({doc, location})}}, true, found},
        {{{FilenamesPboardType, QByteArray("\0\xff\n#c\nhttp://x/\n", 16)}},
         true,
         {QUrl("http://x/")}},
        // The file list comes first, so the text's address is never looked at.
        {{{StringPboardType, "https://x.org/"}, {FilenamesPboardType, uris({doc})}}, false, {}}};
    for (const Row &row : rows) {
        const MemoryPasteboard pboard = pboardWith(row.flavours);
        EXPECT_EQ(containsURLs(pboard), row.contains) << row.flavours.value(0).second.data();
        EXPECT_EQ(URLsFromPasteboard(pboard, FilenamesPboardType), row.files);
    }

    const MemoryPasteboard pboard = pboardWith(
        {{URLPboardType, "https://a.example/p?q=1"}, {StringPboardType, "at www.b.example/x"}});
    EXPECT_EQ(URLsFromPasteboard(pboard, URLPboardType),
              QList<QUrl>{QUrl("https://a.example/p?q=1")});
    EXPECT_EQ(URLsFromPasteboard(pboard, "text/plain"),
              QList<QUrl>{QUrl("http://www.b.example/x")});
    EXPECT_EQ(URLsFromPasteboard(pboard, HTMLPboardType), std::nullopt);
}

TEST(PasteboardSupport, AddressesGoOutInEveryFlavour) {
    const QUrl url("https://a.example/a b");
    const QString address = "https://a.example/a%20b", shown = displayString(url);
    const QStringList five{StringPboardType, URLPboardType, CorePasteboardFlavorTypeURL,
                           CorePasteboardFlavorTypeURLName, WebURLsWithTitlesPboardType};
    const QVariantMap bookmark{{"Title", "t"}, {"Children", QVariantList{qint64(1), "x"}}};
    struct Row {
        QString given, name, title; // name: under the name flavour, title: in the titles list
        QVariant bookmark;
    };
    const Row rows[] = {
        {"", "https---a.example-a b", shown, bookmark},                  // "" is no title, as null
        {"a/b: c?", "a-b- c-", "a/b: c?", QVariant::fromValue(QImage())} // no plist: none
    };
    for (const Row &row : rows) {
        MemoryPasteboard pboard;
        copyToPasteboard(url, pboard, row.given, row.bookmark);
        const bool bookmarked = row.bookmark.typeId() == QMetaType::QVariantMap;
        EXPECT_EQ(pboard.types(), bookmarked ? five + QStringList{BookmarksPboardType} : five);
        QStringList texts;
        for (const QString &type : five.first(4))
            texts.append(pboard.stringForType(type));
        EXPECT_EQ(texts, (QStringList{address, address, address, row.name}));
        EXPECT_EQ(titled(pboard), (QList<QStringList>{{address}, {row.title}}));
        EXPECT_EQ(propertyListFromData(pboard.dataForType(BookmarksPboardType)),
                  bookmarked ? row.bookmark : QVariant());
    }

    const QUrl file = QUrl::fromLocalFile("/tmp/a b");
    for (const auto &[titles, expected] : {std::pair{QStringList{}, QStringList{shown, "a b"}},
                                           {QStringList{"only one"}, QStringList{"only one"}}}) {
        MemoryPasteboard pboard;
        copyURLsToPasteboard({url, file}, pboard, titles);
        EXPECT_EQ(pboard.types(), (QStringList{WebURLsWithTitlesPboardType, StringPboardType}));
        EXPECT_EQ(titled(pboard), (QList<QStringList>{{address, "file:///tmp/a%20b"}, expected}));
        EXPECT_EQ(pboard.stringForType(StringPboardType), address + "\n/tmp/a b\n");
    }
    MemoryPasteboard one;
    copyToPasteboard(file, one);
    EXPECT_EQ(one.types(), (QStringList{URLPboardType, StringPboardType}));
    EXPECT_EQ(one.stringForType(StringPboardType) + one.stringForType(URLPboardType),
              "/tmp/a bfile:///tmp/a%20b");
}

TEST(PasteboardSupport, NothingToWriteLeavesThePasteboardAlone) {
    const std::function<void(Pasteboard &)> writes[] = {
        [](Pasteboard &p) { copyURLsToPasteboard({}, p); },
        [](Pasteboard &p) { copyToPasteboard(QUrl(), p, "t", 1); },
        [](Pasteboard &p) { copyToPasteboard(QString(), p); },
        [](Pasteboard &p) { copyToPasteboard(QImage(), p); },
        [](Pasteboard &p) { EXPECT_FALSE(writeIndexesToPasteboard({}, p, "i")); }};
    for (const auto &write : writes) {
        MemoryPasteboard pboard = pboardWith({{HTMLPboardType, "kept"}});
        write(pboard);
        EXPECT_EQ(pboard.types(), QStringList{HTMLPboardType});
        EXPECT_EQ(pboard.dataForType(HTMLPboardType), "kept");
    }
}

TEST(PasteboardSupport, TextComesFromTheFirstTextTypeOnOffer) {
    const std::pair<TypedData, QString> rows[] = {
        {{{HTMLPboardType, "<b>"}, {TabularTextPboardType, "a\tb"}, {StringPboardType, "s"}}, "s"},
        {{{StringPboardType, QByteArray("a\0b", 3)}}, QString::fromUtf16(u"a\0b", 3)},
        {{{RTFPboardType, "{\\rtf1 x}"}}, {}}};
    for (const auto &[flavours, text] : rows) {
        const MemoryPasteboard pboard = pboardWith(flavours);
        expectText(stringFromPasteboard(&pboard), text);
    }
    expectText(stringFromPasteboard(nullptr), {});

    LogCapture log;
    const ThrowingPasteboard broken;
    expectText(stringFromPasteboard(&broken), {});
    EXPECT_EQ(attributedStringFromPasteboard(&broken), std::nullopt);
    ASSERT_EQ(log.lines().size(), 2);
    EXPECT_TRUE(
        log.lines()[0].startsWith("stringFromPasteboard: (QString): std::runtime_error\nboom\n"));
    EXPECT_TRUE(log.lines()[1].startsWith(
        "attributedStringFromPasteboard: (AttributedString): std::runtime_error\nboom\n"));
}

TEST(PasteboardSupport, StyledTextTravelsAsRTFOrRTFD) {
    TextAttributes bold;
    bold.bold = true;
    const AttributedString plain("bold", bold);
    QByteArray png;
    QBuffer buffer(&png);
    QImage(2, 2, QImage::Format_RGB32).save(&buffer, "PNG"); // only pictures travel in RTFD
    AttributedString pictured = plain;
    pictured.append(AttributedString::withAttachment({"p.png", "image/png", png}));
    for (const AttributedString &text : {plain, pictured}) {
        MemoryPasteboard pboard;
        copyToPasteboard(text, pboard);
        EXPECT_EQ(pboard.types(),
                  QStringList{text.containsAttachments() ? RTFDPboardType : RTFPboardType});
        const auto back = attributedStringFromPasteboard(&pboard);
        ASSERT_TRUE(back);
        EXPECT_EQ(std::tuple(back->string(), back->attributesAtIndex(0).bold,
                             back->containsAttachments()),
                  std::tuple(text.string(), true, text.containsAttachments()));
    }
    const std::pair<TypedData, std::optional<QString>> rows[] = {
        {{{RTFPboardType, "{\\rtf1 rtf}"}, {RTFDPboardType, "{\\rtf1 rtfd}"}}, "rtfd"},
        {{{RTFPboardType, "not rtf"}}, std::nullopt}};
    for (const auto &[flavours, expected] : rows) {
        const MemoryPasteboard pboard = pboardWith(flavours);
        const auto text = attributedStringFromPasteboard(&pboard);
        EXPECT_EQ(text ? std::optional(text->string()) : std::nullopt, expected);
    }
}

TEST(PasteboardSupport, ImagesTravelAsLZWCompressedTIFF) {
    ASSERT_TRUE(QImageWriter::supportedImageFormats().contains("tiff"))
        << "install qt6-image-formats-plugins";
    QImage image(40, 30, QImage::Format_ARGB32);
    image.fill(QColor(10, 200, 30));
    image.setPixelColor(3, 4, Qt::blue);
    MemoryPasteboard pboard;
    copyToPasteboard(image, pboard);
    ASSERT_EQ(pboard.types(), QStringList{TIFFPboardType});
    const QByteArray tiff = pboard.dataForType(TIFFPboardType);
    // Little-endian directory entry: tag 259 (compression), SHORT, count 1, value 5 (LZW).
    EXPECT_TRUE(tiff.startsWith("II*") && tiff.contains(QByteArray("\3\1\3\0\1\0\0\0\5\0", 10)));
    QImage back;
    ASSERT_TRUE(back.loadFromData(tiff, "TIFF"));
    EXPECT_EQ(back.convertToFormat(image.format()), image);
}

TEST(PasteboardSupport, FileTypeForPboardType) {
    const std::pair<QString, QString> rows[] = {{"public.jpeg-2000", "jp2"}, {"PUBLIC.JPEG", {}}};
    for (const auto &[type, extension] : rows)
        expectText(fileTypeForPboardType(type), extension);
}

TEST(PasteboardSupport, IndexesAreWrittenAscendingWithoutRepeats) {
    const quint64 top = Q_UINT64_C(0xfffffffffffffffe);
    MemoryPasteboard pboard = pboardWith({{StringPboardType, "replaced"}});
    EXPECT_TRUE(writeIndexesToPasteboard({top, 3, 0, 3}, pboard, "com.example.rows"));
    EXPECT_EQ(pboard.types(), QStringList{"com.example.rows"});
    EXPECT_EQ(propertyListFromData(pboard.dataForType("com.example.rows")),
              (QVariantList{0, 3, top}));
}

TEST(PasteboardSupport, FindPasteboardIsKeptForTheProcess) {
    copyToFindPboard("");
    expectText(findPboardString(), "");
    clearFindPboard();
    expectText(findPboardString(), {});
    copyToPasteboard(QUrl("https://x/"), findPasteboard(), "t"); // text among other flavours
    expectText(findPboardString(), "https://x/");
    clearFindPboard();
}

TEST(PasteboardSupport, ClipboardMimeDataNeedsAGuiApplication) {
    MimeDataPasteboard clipboard; // the test main runs a QCoreApplication
    copyToPasteboard(QStringLiteral("x"), clipboard);
    EXPECT_TRUE(clipboard.types().isEmpty() && clipboard.dataForType(StringPboardType).isNull());
    EXPECT_FALSE(clipboard.setData("x", StringPboardType));
    EXPECT_EQ(MimeDataPasteboard(ClipboardSelection::Primary).name(), SelectionPboard);
    const std::unique_ptr<QMimeData> mime(
        MimeDataPasteboard::mimeData(pboardWith({{StringPboardType, "s"}, {PublicURLType, ""}})));
    EXPECT_EQ(mime->formats(), (QStringList{StringPboardType, PublicURLType}));
}
