// The four services on a request's pasteboard, with the clipboard and the panel replaced by
// stand-ins so every outcome can be read back.
#include "platform/userdefaults.h"
#include "service/alerts.h"
#include "service/sumwise.h"

#include <QAbstractButton>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

using namespace service;
using namespace Qt::Literals::StringLiterals;

namespace {

class Services : public testing::Test {
protected:
    QTemporaryDir dir;
    UserDefaults defaults{dir.filePath("Sumwise.conf")};
    Sumwise sumwise{defaults};
    MemoryPasteboard clipboard{GeneralPboard};
    QString panelText;
    bool copyEnabled = false;
    int panelAnswer = 1;
    int panels = 0;

    void SetUp() override {
        sumwise.generalPasteboard = [this]() -> Pasteboard & { return clipboard; };
        sumwise.activeApplication = [] { return QStringLiteral("Editor"); };
        setAlertAnswerer([this](QMessageBox &panel) {
            ++panels;
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

TEST_F(Services, SubstituteAddAndCopy) {
    const auto substitute = &Sumwise::doCalcSubstituteService, add = &Sumwise::doCalcAddService,
               copy = &Sumwise::doCalcCopyService;
    struct {
        const char *name;
        decltype(substitute) entry;
        QByteArray in;
        QByteArray pboardAfter;    // the selection's flavour afterwards
        QByteArray clipboardAfter; // null: untouched
        QString error = {};
    } const cases[] = {
        {"substitute", substitute, "2*(3+4)", "14", {}},
        {"substitute fails", substitute, "1/0", "1/0", {}, "Error: Division by zero"},
        // The selection is extended, never changed.
        {"add", add, "1,5 * 2", "1,5 * 2 = 3", {}},
        // A selected whole line keeps its break after the result.
        {"add to a line", add, "2+3\r\n", "2+3 = 5\r\n", {}},
        {"add fails", add, "2+", "2+", {}, "Error: Syntax error"},
        {"copy", copy, "2^10", "2^10", "1024"},
        {"copy fails", copy, "x", "x", {}, "Error: Syntax error"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        clipboard.declareTypes({"old/type"});
        MemoryPasteboard pboard = selection(c.in);
        QString error;
        (sumwise.*c.entry)(pboard, QString(), &error);
        EXPECT_EQ(error, c.error);
        EXPECT_EQ(pboard.types(), QStringList{PasteboardType::String});
        EXPECT_EQ(pboard.dataForType(PasteboardType::String), c.pboardAfter);
        EXPECT_EQ(clipboard.types(),
                  QStringList{c.clipboardAfter.isNull() ? "old/type" : PasteboardType::String});
        EXPECT_EQ(clipboard.dataForType(PasteboardType::String), c.clipboardAfter);
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
        // Any answer but Copy copies nothing; the formula is shown as selected.
        {" 2 * 2 ", 1, "Formula:\n\t 2 * 2 \n\nResult:\n\t4", {}, true},
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

// The automatic styles and the body of a flat ODF text: what a document holds, without the
// metadata that differs from one conversion to the next.
QString styledContent(const QString &file) {
    QFile f(file);
    const QString fodt = f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    QString content;
    for (const char *element : {"office:automatic-styles", "office:body"}) {
        const qsizetype start = fodt.indexOf(u'<' + QLatin1String(element) + u'>');
        const qsizetype end = fodt.indexOf("</" + QLatin1String(element) + u'>', start);
        content += start < 0 || end < 0 ? QString() : fodt.sliced(start, end - start);
    }
    // A leading blank is written as an element.
    return content.replace("<text:s/>", " ");
}

// RTF written by LibreOffice (data/sources holds what it was made from, see data/README.md),
// extended by Add and read back by LibreOffice: everything of the selection is still there,
// and the result lies in the run of the selection's last character.
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
    QTemporaryDir out;
    QStringList written;
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
        // Not a byte of the selection changed: the result is one group inserted.
        const QByteArray group = '{' + QByteArray(c.appended) + '}';
        const qsizetype at = added.indexOf(group);
        ASSERT_GE(at, 0);
        EXPECT_EQ(QByteArray(added).remove(at, group.size()), rtf);
        const auto styled = AttributedString::fromRTF(added);
        ASSERT_TRUE(styled);
        EXPECT_TRUE(styled->string().contains(QLatin1String(c.appended)));
        for (const auto &[suffix, data] : {std::pair{"-in.rtf", rtf}, {"-out.rtf", added}}) {
            QFile file(out.filePath(c.file + QString(suffix)));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(data) == data.size());
            written.append(file.fileName());
        }
    }

    const QString soffice = QStandardPaths::findExecutable("soffice");
    if (soffice.isEmpty())
        GTEST_SKIP() << "soffice (libreoffice-writer) is not installed: the conversion back "
                        "by LibreOffice is not checked";
    // A profile of its own, so a LibreOffice the user runs meanwhile is left alone.
    QProcess convert;
    convert.start(soffice,
                  QStringList{"-env:UserInstallation="
                                  + QUrl::fromLocalFile(out.filePath("profile")).toString(),
                              "--headless", "--convert-to", "fodt", "--outdir", out.path()}
                      + written);
    ASSERT_TRUE(convert.waitForFinished(300000)) << "soffice did not finish";
    ASSERT_EQ(convert.exitCode(), 0) << convert.readAllStandardError().toStdString();
    for (const auto &c : cases) {
        SCOPED_TRACE(c.file);
        const QString before = styledContent(out.filePath(c.file + u"-in.fodt"_s));
        const QString after = styledContent(out.filePath(c.file + u"-out.fodt"_s));
        ASSERT_FALSE(before.isEmpty());
        // The same styles, paragraphs and runs; the result inside the last character's run.
        const qsizetype at = after.indexOf(QLatin1String(c.appended));
        ASSERT_GE(at, 0) << after.toStdString();
        QString rest = QString(after).remove(at, QLatin1String(c.appended).size());
        // After a picture, which has no run, the result has a run of its own: the one of the
        // text before the picture, in whose group the picture stands.
        static const QRegularExpression run(uR"re(<text:span text:style-name="([^"]*)">$)re"_s);
        if (const auto open = run.match(rest.first(at)); open.hasMatch()) {
            const QString close = u"</text:span>"_s;
            ASSERT_TRUE(QStringView(rest).sliced(at).startsWith(close));
            const QString previous = u"<text:span text:style-name=\"%1\">"_s.arg(open.captured(1));
            EXPECT_GE(rest.lastIndexOf(previous, open.capturedStart() - 1), 0);
            rest.remove(open.capturedStart(), open.capturedLength() + close.size());
        }
        // An empty paragraph that gained the result is written as an element with content.
        static const QRegularExpression emptyParagraph(uR"re(<text:p([^>]*)></text:p>)re"_s);
        EXPECT_EQ(rest.replace(emptyParagraph, u"<text:p\\1/>"_s).toStdString(),
                  before.toStdString());
    }
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
