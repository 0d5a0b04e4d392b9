// The four services on a request's pasteboard, with the clipboard and the panel replaced by
// stand-ins so every outcome can be read back.
#include "pasteboard/pasteboard.h"
#include "platform/userdefaults.h"
#include "service/alerts.h"
#include "service/sumwise.h"
#include "styledtext/attributedstring.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class Services : public testing::Test {
protected:
    QTemporaryDir dir;
    UserDefaults defaults{dir.filePath(QStringLiteral("Sumwise.conf"))};
    Sumwise sumwise{defaults};
    MemoryPasteboard clipboard{GeneralPboard};
    QString panelText;
    bool copyEnabled = false;
    int panelAnswer = 1;
    int panels = 0;

    void SetUp() override {
        sumwise.generalPasteboard = [this]() -> Pasteboard & { return clipboard; };
        sumwise.activeApplication = [] { return QStringLiteral("Editor"); };
        clipboard.declareTypes({QStringLiteral("old/type")});
        setAlertAnswerer([this](QMessageBox &panel) {
            ++panels;
            panelText = panel.informativeText();
            const QAbstractButton *copy = alertButton(panel, AlertAlternateReturn);
            copyEnabled = copy && copy->isEnabled();
            return panelAnswer;
        });
    }
    void TearDown() override { setAlertAnswerer({}); }

    static MemoryPasteboard selection(const QByteArray &text,
                                      const QString &type = PasteboardType::String) {
        MemoryPasteboard pboard;
        pboard.declareTypes({type});
        pboard.setData(text, type);
        return pboard;
    }
};

TEST_F(Services, SubstituteAddAndCopy) {
    using Entry = void (Sumwise::*)(Pasteboard &, const QString &, QString *);
    struct {
        const char *name;
        Entry entry;
        QByteArray in;
        QByteArray pboardAfter;    // the selection's flavour afterwards
        QByteArray clipboardAfter; // null: untouched
        QString error;
    } const cases[] = {
        {"substitute", &Sumwise::doCalcSubstituteService, "2*(3+4)", "14", {}, {}},
        {"substitute fails",
         &Sumwise::doCalcSubstituteService,
         "1/0",
         "1/0",
         {},
         QStringLiteral("Error: Division by zero")},
        // The selection is extended, never changed.
        {"add", &Sumwise::doCalcAddService, "1,5 * 2", "1,5 * 2 = 3", {}, {}},
        // A selected whole line keeps its break after the result.
        {"add to a line", &Sumwise::doCalcAddService, "2+3\r\n", "2+3 = 5\r\n", {}, {}},
        {"add fails",
         &Sumwise::doCalcAddService,
         "2+",
         "2+",
         {},
         QStringLiteral("Error: Syntax error")},
        {"copy", &Sumwise::doCalcCopyService, "2^10", "2^10", "1024", {}},
        {"copy fails",
         &Sumwise::doCalcCopyService,
         "x",
         "x",
         {},
         QStringLiteral("Error: Syntax error")},
    };
    for (const auto &c : cases) {
        clipboard.declareTypes({QStringLiteral("old/type")});
        MemoryPasteboard pboard = selection(c.in);
        QString error;
        (sumwise.*c.entry)(pboard, QString(), &error);
        EXPECT_EQ(error, c.error) << c.name;
        EXPECT_EQ(pboard.types(), QStringList{PasteboardType::String}) << c.name;
        EXPECT_EQ(pboard.dataForType(PasteboardType::String), c.pboardAfter) << c.name;
        if (c.clipboardAfter.isNull()) {
            EXPECT_EQ(clipboard.types(), QStringList{QStringLiteral("old/type")}) << c.name;
        } else {
            EXPECT_EQ(clipboard.types(), QStringList{PasteboardType::String}) << c.name;
            EXPECT_EQ(clipboard.dataForType(PasteboardType::String), c.clipboardAfter) << c.name;
        }
    }
    EXPECT_EQ(panels, 0);
}

TEST_F(Services, ShowPanelAndItsCopyButton) {
    struct {
        const char *in;
        int answer;
        const char *shown;
        QByteArray copied; // null: the clipboard stays untouched
        bool copyEnabled;
    } const cases[] = {
        {"x=3", 0, "Formula:\n\tx=3\n\nResult:\n\t3", "3", true},
        {"x=3", 1, "Formula:\n\tx=3\n\nResult:\n\t3", {}, true},
        {" 2 * 2 ", -2, "Formula:\n\t 2 * 2 \n\nResult:\n\t4", {}, true},
        // After a failure the user saw no result: Copy can't be pressed, and copies nothing.
        {"1/0", 0, "Formula:\n\t1/0\n\nResult:\n\tDivision by zero", {}, false},
    };
    for (const auto &c : cases) {
        clipboard.declareTypes({QStringLiteral("old/type")});
        panelAnswer = c.answer;
        MemoryPasteboard pboard = selection(c.in);
        QString error;
        sumwise.doCalcShowService(pboard, QString(), &error);
        EXPECT_TRUE(error.isEmpty()) << c.in;
        EXPECT_EQ(panelText, QString::fromUtf8(c.shown)) << c.in;
        EXPECT_EQ(copyEnabled, c.copyEnabled) << c.in;
        EXPECT_EQ(clipboard.dataForType(PasteboardType::String), c.copied) << c.in;
        EXPECT_TRUE(sumwise.terminationRequested());
    }
}

TEST_F(Services, AddToAStyledLineKeepsItsBreakAndFormatting) {
    MemoryPasteboard pboard = selection("{\\rtf1\\ansi {\\b 2+3}\\par}", PasteboardType::RTF);
    QString error;
    sumwise.doCalcAddService(pboard, QString(), &error);
    ASSERT_TRUE(error.isEmpty());
    const auto styled = AttributedString::fromRTF(pboard.dataForType(PasteboardType::RTF));
    ASSERT_TRUE(styled);
    EXPECT_EQ(styled->string(), QStringLiteral("2+3 = 5\n"));
    // The appended text takes the formatting of the formula's last character.
    EXPECT_EQ(styled->attributesAtIndex(5), styled->attributesAtIndex(2));
}

TEST_F(Services, NoReadableTextFails) {
    MemoryPasteboard pboard;
    pboard.declareTypes({QStringLiteral("image/png")});
    QString error;
    sumwise.doCalcSubstituteService(pboard, QString(), &error);
    EXPECT_EQ(error, QStringLiteral("Error: Syntax error"));
    EXPECT_TRUE(sumwise.hasPerformedService());
}

} // namespace
