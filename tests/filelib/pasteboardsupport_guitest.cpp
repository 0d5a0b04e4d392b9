// The pasteboard conveniences on the desktop clipboard under a private Xvfb, cross-checked with
// xclip and with a reader process that has no GUI application.
#include "tests/service/guitest.h"

#include "filelib/pasteboardsupport.h"
#include "filelib/propertylist.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QGuiApplication>
#include <QMimeData>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <functional>

using namespace filelib;

namespace {

QByteArray xclipRead(const QString &target) {
    return ::xclipRead("clipboard", target).out;
}

QStringList xclipTargets() {
    return ::xclipTargets("clipboard");
}

bool waitUntil(const std::function<bool()> &done, int ms = 5000) {
    const QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired()) {
        QCoreApplication::processEvents();
        if (done())
            return true;
        QThread::msleep(20);
    }
    return done();
}

// xclip serves the flavour from a background process of its own until someone takes over.
void xclipWrite(const QString &target, const QByteArray &data) {
    const Ran ran = run(QStringLiteral("xclip"),
                        {QStringLiteral("-selection"), QStringLiteral("clipboard"),
                         QStringLiteral("-t"), target, QStringLiteral("-i")},
                        data);
    ASSERT_EQ(ran.status, 0);
}

class PasteboardSupportGui : public testing::Test {
protected:
    void SetUp() override {
        QString why;
        const X11Status status = startX11(&why);
        if (status == X11Status::NotInstalled)
            GTEST_SKIP() << why.toStdString();
        ASSERT_EQ(status, X11Status::Ready) << why.toStdString();
        if (QStandardPaths::findExecutable(QStringLiteral("xclip")).isEmpty())
            GTEST_SKIP() << "xclip is not installed";
        // Take the clipboard from whoever holds it, then leave it empty.
        ASSERT_TRUE(waitUntil([] {
            QGuiApplication::clipboard()->setText(QStringLiteral("reset"));
            return QGuiApplication::clipboard()->ownsClipboard();
        }));
        QGuiApplication::clipboard()->clear();
    }

    // Qt claims the clipboard with the time of the last event it saw; writes may need newer
    // events before they stick.
    static bool write(const std::function<void(Pasteboard &)> &copy) {
        MimeDataPasteboard clipboard;
        return waitUntil([&] {
            copy(clipboard);
            return QGuiApplication::clipboard()->ownsClipboard();
        });
    }

    static Ran readWithoutGui(const QString &type) {
        return run(QCoreApplication::applicationFilePath(),
                   {QStringLiteral("--read-pasteboard"), QStringLiteral("clipboard"), type});
    }
};

} // namespace

TEST_F(PasteboardSupportGui, EveryFlavourOfOneAddressReachesOtherPrograms) {
    const QUrl url(QStringLiteral("https://example.org/a b"));
    const QString address = QStringLiteral("https://example.org/a%20b");
    const QVariantMap bookmark{{QStringLiteral("Title"), QStringLiteral("t")}};
    ASSERT_TRUE(write([&](Pasteboard &p) { copyToPasteboard(url, p, "A: title", bookmark); }));

    // Names with blanks and without a slash travel as they are.
    const QStringList targets = xclipTargets();
    for (const QString &type : {StringPboardType, QStringLiteral("UTF8_STRING"), URLPboardType,
                                CorePasteboardFlavorTypeURL, CorePasteboardFlavorTypeURLName,
                                WebURLsWithTitlesPboardType, BookmarksPboardType})
        EXPECT_TRUE(targets.contains(type)) << type.toStdString();
    EXPECT_EQ(xclipRead(QStringLiteral("UTF8_STRING")), address.toUtf8());
    EXPECT_EQ(xclipRead(CorePasteboardFlavorTypeURL), address.toUtf8());
    EXPECT_EQ(xclipRead(CorePasteboardFlavorTypeURLName), "A- title");
    const Ran titled = readWithoutGui(WebURLsWithTitlesPboardType);
    EXPECT_EQ(titled.status, 0);
    EXPECT_EQ(propertyListFromData(titled.out).toList().value(1).toStringList(),
              QStringList{"A: title"});
    EXPECT_EQ(propertyListFromData(xclipRead(BookmarksPboardType)), QVariant(bookmark));

    // And this process reads them back through the clipboard.
    MimeDataPasteboard clipboard;
    EXPECT_EQ(URL(clipboard), address);
    EXPECT_EQ(URLName(clipboard), "A- title");
    EXPECT_TRUE(containsURLs(clipboard));
    EXPECT_EQ(stringFromPasteboard(&clipboard), address);
}

TEST_F(PasteboardSupportGui, AddressListsAndTextReachOtherPrograms) {
    const QList<QUrl> urls{QUrl(QStringLiteral("https://a.example/")),
                           QUrl::fromLocalFile(QStringLiteral("/tmp/b"))};
    ASSERT_TRUE(write([&](Pasteboard &p) { copyURLsToPasteboard(urls, p); }));
    EXPECT_EQ(xclipRead(QStringLiteral("UTF8_STRING")), "https://a.example/\n/tmp/b\n");
    EXPECT_EQ(propertyListFromData(xclipRead(WebURLsWithTitlesPboardType)).toList().size(), 2);

    ASSERT_TRUE(
        write([&](Pasteboard &p) { copyToPasteboard(QStringLiteral("caf\u00e9 \U0001F600"), p); }));
    EXPECT_EQ(xclipTargets().contains(QStringLiteral("text/plain")), true);
    EXPECT_EQ(xclipRead(QStringLiteral("UTF8_STRING")),
              QStringLiteral("caf\u00e9 \U0001F600").toUtf8());
}

TEST_F(PasteboardSupportGui, StyledTextAndImagesReachOtherPrograms) {
    AttributedString text(QStringLiteral("x"));
    text.append(AttributedString::withAttachment({"a.bin", "application/octet-stream", "x"}));
    ASSERT_TRUE(write([&](Pasteboard &p) { copyToPasteboard(text, p); }));
    const QStringList targets = xclipTargets();
    EXPECT_TRUE(targets.contains(RTFDPboardType));
    EXPECT_TRUE(targets.contains(RTFPboardType)); // what other programs read
    EXPECT_TRUE(xclipRead(RTFPboardType).startsWith("{\\rtf"));

    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(Qt::green);
    ASSERT_TRUE(write([&](Pasteboard &p) { copyToPasteboard(image, p); }));
    const QByteArray tiff = xclipRead(TIFFPboardType);
    EXPECT_TRUE(tiff.startsWith("II*") || tiff.startsWith("MM")) << tiff.left(8).toHex().data();
    QImage back;
    EXPECT_TRUE(back.loadFromData(tiff, "TIFF"));
    EXPECT_EQ(back.convertToFormat(QImage::Format_RGB32), image);
}

TEST_F(PasteboardSupportGui, ReadsWhatOtherProgramsOffer) {
    MimeDataPasteboard clipboard;
    xclipWrite(PublicURLType, "https://other.example/");
    ASSERT_TRUE(waitUntil([&] { return containsURL(clipboard); }));
    EXPECT_EQ(URL(clipboard), "https://other.example/");

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString location = dir.filePath(QStringLiteral("site.url"));
    QFile file(location);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[InternetShortcut]\r\nURL=https://site.example/\r\n");
    file.close();
    xclipWrite(FilenamesPboardType, QUrl::fromLocalFile(location).toEncoded() + "\r\n");
    ASSERT_TRUE(waitUntil([&] { return availableType(clipboard, FilenamesPboardType); }));
    EXPECT_FALSE(containsURL(clipboard)); // a file list is no address
    EXPECT_TRUE(containsURLs(clipboard));
    EXPECT_EQ(URLsFromPasteboard(clipboard, FilenamesPboardType),
              QList<QUrl>{QUrl(QStringLiteral("https://site.example/"))});

    xclipWrite(QStringLiteral("UTF8_STRING"), "plain \xc3\xa9");
    ASSERT_TRUE(waitUntil([&] { return availableType(clipboard, StringPboardType); }));
    EXPECT_EQ(stringFromPasteboard(&clipboard), QStringLiteral("plain \u00e9"));
    EXPECT_FALSE(containsURLs(clipboard));
}

TEST_F(PasteboardSupportGui, OneFlavourClipboardKeepsTheText) {
    // The service's clipboard hands one flavour per write to a holder process; the text is
    // written last so that it is what stays.
    Pasteboard &general = Pasteboard::generalPasteboard();
    copyToPasteboard(QUrl(QStringLiteral("https://kept.example/")), general, QString());
    EXPECT_EQ(xclipRead(QStringLiteral("UTF8_STRING")), "https://kept.example/");
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(Qt::red);
    copyToPasteboard(image, general);
    EXPECT_TRUE(xclipRead(TIFFPboardType).startsWith("II*"));
}
