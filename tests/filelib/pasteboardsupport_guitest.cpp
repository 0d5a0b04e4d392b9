// The pasteboard conveniences on the desktop clipboard under a private Xvfb, cross-checked with
// xclip and with a reader process that has no GUI application.
#include "tests/support/guitest.h"

#include "filelib/pasteboardsupport.h"
#include "filelib/propertylist.h"

#include "filetesting.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QStandardPaths>
#include <QThread>

#include <functional>

using namespace filelib;

namespace {

const auto clip = [](const QString &target) { return xclipRead("clipboard", target).out; };
const QString utf8 = QStringLiteral("UTF8_STRING");

class PasteboardSupportGui : public X11Test {
protected:
    void SetUp() override {
        X11Test::SetUp();
        if (!ready())
            return;
        if (QStandardPaths::findExecutable("xclip").isEmpty())
            GTEST_SKIP() << "xclip is not installed";
        // Take the clipboard from whoever holds it, then leave it empty.
        ASSERT_TRUE(waitUntil([] {
            QGuiApplication::clipboard()->setText("reset");
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
};

} // namespace

TEST_F(PasteboardSupportGui, EveryFlavourOfOneAddressReachesOtherPrograms) {
    const QUrl url("https://example.org/a b");
    const QByteArray address = "https://example.org/a%20b";
    const QVariantMap bookmark{{"Title", "t"}};
    ASSERT_TRUE(write([&](Pasteboard &p) { copyToPasteboard(url, p, "A: title", bookmark); }));
    // Names with blanks and without a slash travel as they are.
    const QStringList targets = xclipTargets("clipboard");
    for (const QString &type : {StringPboardType, URLPboardType, CorePasteboardFlavorTypeURLName})
        EXPECT_TRUE(targets.contains(type)) << type.toStdString();
    EXPECT_EQ(clip(utf8), address);
    EXPECT_EQ(clip(CorePasteboardFlavorTypeURL), address);
    EXPECT_EQ(clip(CorePasteboardFlavorTypeURLName), "A- title");
    const Ran titled = run(QCoreApplication::applicationFilePath(),
                           {"--read-pasteboard", "clipboard", WebURLsWithTitlesPboardType});
    EXPECT_EQ(titled.status, 0);
    EXPECT_EQ(propertyListFromData(titled.out).toList().value(1).toStringList(),
              QStringList{"A: title"});
    EXPECT_EQ(propertyListFromData(clip(BookmarksPboardType)), QVariant(bookmark));
    // And this process reads them back through the clipboard.
    MimeDataPasteboard clipboard;
    EXPECT_EQ((QStringList{URL(clipboard), URLName(clipboard), stringFromPasteboard(&clipboard)}),
              (QStringList{address, "A- title", address}));
}

TEST_F(PasteboardSupportGui, ReadsWhatOtherProgramsOffer) {
    MimeDataPasteboard clipboard;
    xclipWrite("clipboard", PublicURLType, "https://other.example/");
    ASSERT_TRUE(waitUntil([&] { return containsURL(clipboard); }));
    EXPECT_EQ(URL(clipboard), "https://other.example/");
}

TEST_F(PasteboardSupportGui, OneFlavourClipboardKeepsTheText) {
    // The service's clipboard hands one flavour per write to a holder process; the text is
    // written last so that it is what stays.
    Pasteboard &general = Pasteboard::generalPasteboard();
    copyToPasteboard(QUrl("https://kept.example/"), general, QString());
    EXPECT_EQ(clip(utf8), "https://kept.example/");
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(Qt::red);
    copyToPasteboard(image, general);
    EXPECT_TRUE(clip(TIFFPboardType).startsWith("II*"));
}
