// The four services on a request's pasteboard, with the clipboard and the panel replaced by
// stand-ins so every outcome can be read back.
#include "platform/userdefaults.h"
#include "service/alerts.h"
#include "service/sumwise.h"

#include <QAbstractButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace service;

namespace {

class Services : public testing::Test {
protected:
    QTemporaryDir dir;
    UserDefaults defaults{dir.filePath("Sumwise.conf")};
    Sumwise sumwise{defaults};
    MemoryPasteboard clipboard{GeneralPboard};
    QString panelText;
    bool copyEnabled = true;
    int panelAnswer = 1;

    void SetUp() override {
        sumwise.generalPasteboard = [this]() -> Pasteboard & { return clipboard; };
        sumwise.activeApplication = [] { return QStringLiteral("Editor"); };
        setAlertAnswerer([this](QMessageBox &panel) {
            panelText = panel.informativeText();
            copyEnabled = alertButton(panel, AlertAlternateReturn)->isEnabled();
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

TEST_F(Services, EachServiceOnThePasteboardTheClipboardAndThePanel) {
    const auto substitute = &Sumwise::doCalcSubstituteService, add = &Sumwise::doCalcAddService,
               copy = &Sumwise::doCalcCopyService, show = &Sumwise::doCalcShowService;
    struct {
        const char *name;
        decltype(substitute) entry;
        QByteArray in;
        QByteArray pboardAfter;    // the selection's flavour afterwards
        QByteArray clipboardAfter; // null: untouched
        QString error = {};
        const char *panel = ""; // how the panel's text ends, and the answer it gets
        int answer = AlertDefaultReturn;
        bool copyEnabled = true;
    } const cases[] = {
        {"substitute fails", substitute, "1/0", "1/0", {}, "Error: Division by zero"},
        // A selected whole line keeps its break after the result.
        {"add to a line", add, "2+3\r\n", "2+3 = 5\r\n", {}},
        {"copy fails", copy, "x", "x", {}, "Error: Syntax error"},
        // Any answer but Copy copies nothing; the formula is shown as selected.
        {"show", show, " 2 * 2 ", " 2 * 2 ", {}, {}, "Formula:\n\t 2 * 2 \n\nResult:\n\t4"},
        // After a failure the user saw no result: Copy can't be pressed, and copies nothing.
        {"show fails", show, "1/0", "1/0", {}, {}, "\tDivision by zero", 0, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        clipboard.declareTypes({"old/type"});
        panelText.clear();
        panelAnswer = c.answer;
        MemoryPasteboard pboard = selection(c.in);
        QString error;
        (sumwise.*c.entry)(pboard, QString(), &error);
        EXPECT_EQ(error, c.error);
        EXPECT_EQ(pboard.types(), QStringList{PasteboardType::String});
        EXPECT_EQ(pboard.dataForType(PasteboardType::String), c.pboardAfter);
        EXPECT_EQ(clipboard.types(),
                  QStringList{c.clipboardAfter.isNull() ? "old/type" : PasteboardType::String});
        EXPECT_EQ(clipboard.dataForType(PasteboardType::String), c.clipboardAfter);
        EXPECT_TRUE(*c.panel ? panelText.endsWith(QString::fromUtf8(c.panel)) : panelText.isNull())
            << panelText.toStdString();
        EXPECT_EQ(copyEnabled, c.copyEnabled);
    }
}

// RTF written by LibreOffice (data/sources holds what it was made from, see data/README.md),
// extended by Add: not a byte of the selection changed, the result is one group inserted.
TEST_F(Services, AddKeepsEveryPropertyLibreOfficeWrote) {
    struct {
        const char *file;
        const char *appended;
        QString type; // the flavour Add writes
    } const cases[] = {
        // Centred heading, indents, 1.15 lines, super- and subscript, strike-through, small
        // caps, caps, double and word underline, letter spacing, outline.
        {"formatted", " = 267.869604401", PasteboardType::RTF},
        {"table", " = 15", PasteboardType::RTF},    // in the empty paragraph after it
        {"picture", " = 42", PasteboardType::RTFD}, // after the picture
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.file);
        QFile in(SERVICE_TEST_DATA "/" + QString::fromLatin1(c.file) + ".rtf");
        ASSERT_TRUE(in.open(QIODevice::ReadOnly));
        const QByteArray rtf = in.readAll();
        MemoryPasteboard pboard = selection(rtf, PasteboardType::RTF);
        QString error;
        sumwise.doCalcAddService(pboard, QString(), &error);
        ASSERT_EQ(error, QString());
        ASSERT_EQ(pboard.types(), QStringList{c.type});
        const QByteArray added = pboard.dataForType(c.type);
        const QByteArray group = '{' + QByteArray(c.appended) + '}';
        const qsizetype at = added.indexOf(group);
        ASSERT_GE(at, 0);
        EXPECT_EQ(QByteArray(added).remove(at, group.size()), rtf);
        // The group is the last text of the document.
        const auto styled = AttributedString::fromRTF(added);
        ASSERT_TRUE(styled);
        EXPECT_TRUE(styled->string().trimmed().endsWith(QLatin1String(c.appended)))
            << styled->string().right(40).toStdString();
    }
}

} // namespace
