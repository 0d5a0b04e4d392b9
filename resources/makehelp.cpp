// Build tool: renders the user's guide from Markdown into the A4 PDF that the launch panel's
// Help button opens.
//
//   sumwise_makehelp INPUT.md OUTPUT.pdf
//
// Runs without a display (Qt's offscreen platform); exits with 1 and a message on standard
// error when the input cannot be read or the output cannot be written.

#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>

#include <cstdio>

namespace {

int fail(const QString &message) {
    std::fprintf(stderr, "sumwise_makehelp: %s\n", qPrintable(message));
    return 1;
}

// Markdown tables come out with doubled borders and no padding; give them the full text
// width, some air, a shaded header row that repeats on every page and a thin rule under
// every row.
void styleTables(QTextFrame *frame) {
    for (QTextFrame *child : frame->childFrames()) {
        if (auto *table = qobject_cast<QTextTable *>(child)) {
            QTextTableFormat format = table->format();
            format.setBorderCollapse(true);
            format.setBorder(0);
            format.setCellPadding(4);
            format.setCellSpacing(0);
            format.setHeaderRowCount(1);
            format.setTopMargin(2);
            format.setBottomMargin(8);
            format.setWidth(QTextLength(QTextLength::PercentageLength, 100));
            table->setFormat(format);
            for (int row = 0; row < table->rows(); ++row) {
                for (int column = 0; column < table->columns(); ++column) {
                    QTextTableCell cell = table->cellAt(row, column);
                    QTextTableCellFormat cellFormat = cell.format().toTableCellFormat();
                    cellFormat.setBottomBorder(1);
                    cellFormat.setBottomBorderStyle(QTextFrameFormat::BorderStyle_Solid);
                    cellFormat.setBottomBorderBrush(QColor(0xb0, 0xb8, 0xc4));
                    if (row == 0)
                        cellFormat.setBackground(QColor(0xe8, 0xee, 0xf7));
                    cell.setFormat(cellFormat);
                }
            }
        }
        styleTables(child);
    }
}

} // namespace

int main(int argc, char *argv[]) {
    // A build machine has no display; the document needs fonts, not windows.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Builds often run without a login session; Qt wants a private runtime folder then.
    QTemporaryDir runtimeDir;
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR") && runtimeDir.isValid())
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtimeDir.path()));
    QGuiApplication app(argc, argv);

    const QStringList args = QGuiApplication::arguments();
    if (args.size() != 3)
        return fail(QStringLiteral("usage: sumwise_makehelp INPUT.md OUTPUT.pdf"));
    const QString inputPath = args.at(1);
    const QString outputPath = args.at(2);

    QFile input(inputPath);
    if (!input.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("cannot read %1: %2").arg(inputPath, input.errorString()));
    const QString markdown = QString::fromUtf8(input.readAll());
    if (markdown.trimmed().isEmpty())
        return fail(QStringLiteral("%1 is empty").arg(inputPath));

    QTextDocument document;
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(10.5);
    document.setDefaultFont(font);
    document.setMarkdown(markdown, QTextDocument::MarkdownDialectGitHub);
    styleTables(document.rootFrame());

    // Written beside the target and renamed at the end, so a failed run never leaves a
    // truncated PDF that a later build would take as up to date.
    QSaveFile output(outputPath);
    if (!output.open(QIODevice::WriteOnly))
        return fail(QStringLiteral("cannot write %1: %2").arg(outputPath, output.errorString()));
    {
        QPdfWriter writer(&output);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                         QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter));
        writer.setResolution(300);
        writer.setTitle(QStringLiteral("Sumwise"));
        writer.setCreator(QStringLiteral("Sumwise"));
        // Breaks the text into pages with margins of 2 cm and numbers them at the foot.
        document.print(&writer);
    }
    if (!output.commit())
        return fail(QStringLiteral("cannot write %1: %2").arg(outputPath, output.errorString()));
    return 0;
}
