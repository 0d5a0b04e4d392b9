#include "commands.h"
#include "pasteboard/clipboardholder.h"
#include "provider.h"
#include "service/alerts.h"

#include "platform/fdio.h"
#include "platform/localization.h"
#include "service/sumwise.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QMessageBox>
#include <QStringList>

#include <cstdio>
#include <cstring>
#include <memory>
#include <unistd.h>

namespace {

constexpr char Usage[] = R"(Usage: sumwise [COMMAND [OPTIONS] [FORMULA...]]

Calculates the formula you selected.

Without a command, sumwise is the service provider on the session bus (the desktop
starts it on demand; started by hand it explains itself).

Commands (the selection comes from standard input, the new selection goes to
standard output; a failure gives the selection back unchanged, exit status 1):
  substitute   Replace the selection by the result.
  add          Append " = " and the result, keeping rich text formatting.
  show         Show formula and result in a panel with a Copy button.
  copy         Put the result on the clipboard.

Options:
  --selection    Take the text highlighted in the window you are typing in and
                 paste the new selection over it (substitute, add); the clipboard
                 gets its previous contents back. On failure nothing changes and
                 a notification says why.
  --no-paste     With --selection: leave the new selection on the clipboard
                 instead of pasting it (on failure, the unchanged selection).
  --paste-key K  With --selection: paste with this key, e.g. ctrl+shift+v
                 (terminals are recognised and get Ctrl+Shift+V).
  --type MIME    The input's type (text/plain, text/rtf); RTF is recognised
                 by its "{\rtf" opening.
  -h, --help     Show this help and exit.
  -v, --version  Show the version and exit.

Examples:
  echo '2*(3+4)^2' | sumwise substitute        # 98
  echo '2+3' | sumwise add                     # 2+3 = 5
  sumwise substitute 'x=1,5;x*3'               # 4.5 (x is remembered)
)";

int usageError(const QByteArray &message) {
    std::fprintf(stderr, "sumwise: %s\nTry 'sumwise --help'.\n", message.constData());
    return 2;
}

bool hasDisplay() {
    return !qEnvironmentVariableIsEmpty("DISPLAY")
           || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
           || !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

void setNames() {
    QCoreApplication::setOrganizationName(QStringLiteral("Sumwise"));
    QCoreApplication::setApplicationName(QStringLiteral("Sumwise"));
    QCoreApplication::setApplicationVersion(QStringLiteral(SUMWISE_VERSION));
}

// Panels and the clipboard need a GUI application; plain filters start faster without one.
std::unique_ptr<QCoreApplication> makeApplication(int &argc, char **argv, bool gui) {
    if (gui) {
        // Without any display, panels are drawn nowhere rather than ending the program.
        if (!hasDisplay())
            qputenv("QT_QPA_PLATFORM", "offscreen");
        auto app = std::make_unique<QApplication>(argc, argv);
        // Nobody can answer a panel drawn nowhere: say what it says and go on without an
        // answer instead of waiting for ever.
        if (QGuiApplication::platformName() == u"offscreen"
            && qEnvironmentVariableIsEmpty("SUMWISE_ALERT_ANSWER"))
            setAlertAnswerer([](QMessageBox &alert) {
                std::fprintf(stderr, "%s\n%s\n", qUtf8Printable(alert.text()),
                             qUtf8Printable(alert.informativeText()));
                return int(AlertNoAnswer);
            });
        return app;
    }
    return std::make_unique<QCoreApplication>(argc, argv);
}

int runProviderApplication(int argc, char **argv) {
    const auto app = makeApplication(argc, argv, true);
    setNames();
    QApplication::setQuitOnLastWindowClosed(false);
    installTranslations();
    Sumwise sumwise;
    return runProvider(sumwise);
}

} // namespace

int main(int argc, char *argv[]) {
    if (argc > 1 && std::strcmp(argv[1], "--hold-clipboard") == 0)
        return clipboardHolderMain(argc, argv);
    if (argc == 1)
        return runProviderApplication(argc, argv);

    ServiceCommand command;
    QStringList formula;
    const QString first = QString::fromLocal8Bit(argv[1]);
    if (first == u"-h" || first == u"--help") {
        std::fputs(Usage, stdout);
        return 0;
    }
    if (first == u"-v" || first == u"--version") {
        std::printf("sumwise %s\n", SUMWISE_VERSION);
        return 0;
    }
    if (!serviceEntry(first))
        return usageError("unknown command '" + first.toLocal8Bit() + "'");
    command.service = first;
    for (int i = 2; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (arg == u"--selection") {
            command.selection = true;
        } else if (arg == u"--no-paste") {
            command.paste = false;
        } else if (arg == u"--paste-key") {
            if (++i == argc)
                return usageError("--paste-key needs a key such as ctrl+shift+v");
            command.pasteKey = QString::fromLocal8Bit(argv[i]);
        } else if (arg == u"--type") {
            if (++i == argc)
                return usageError("--type needs a MIME type");
            command.type = QString::fromLocal8Bit(argv[i]);
        } else if (arg.startsWith(u"--")) {
            return usageError("unknown option '" + arg.toLocal8Bit() + "'");
        } else {
            formula.append(arg);
        }
    }
    if (command.selection && !formula.isEmpty())
        return usageError("--selection takes no formula");
    if (!command.selection && (!command.paste || !command.pasteKey.isEmpty()))
        return usageError("--no-paste and --paste-key go with --selection");

    const bool gui = command.service == u"show" || command.service == u"copy";
    const auto app = makeApplication(argc, argv, gui);
    setNames();
    installTranslations();

    if (!formula.isEmpty()) {
        command.fromArguments = true;
        command.input = formula.join(u' ').toUtf8();
    } else if (!command.selection) {
        QFile in;
        if (!in.open(stdin, QIODevice::ReadOnly))
            return usageError("cannot read standard input");
        command.input = in.readAll();
    }

    FilterResult result = runServiceCommand(command);
    // A formula from the command line is no selection to give back; a result needs a line.
    if (command.fromArguments && result.status == 0 && !result.output.isEmpty())
        result.output += '\n';
    if (!writeAll(STDOUT_FILENO, result.output))
        return 1;
    writeAll(STDERR_FILENO, result.error);
    return result.status;
}
