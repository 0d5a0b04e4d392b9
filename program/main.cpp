#include "commands.h"
#include "pasteboard/clipboardholder.h"
#include "provider.h"
#include "service/alerts.h"

#include "platform/fdio.h"
#include "platform/localization.h"
#include "service/sumwise.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLibraryInfo>
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
  --type=MIME    The input's type (text/plain, text/rtf); RTF is recognised
                 by its "{\rtf" opening.
  -h, --help     Show this help and exit.
  -v, --version  Show the version and exit.
  --             End of options: a formula may start with "-".

Examples:
  echo '2*(3+4)^2' | sumwise substitute        # 98
  echo '2+3' | sumwise add                     # 2+3 = 5
  sumwise substitute 'x=1,5;x*3'               # 4.5 (x is remembered)
)";

int usageError(const QByteArray &message) {
    std::fprintf(stderr, "sumwise: %s\nTry 'sumwise --help'.\n", message.constData());
    return 2;
}

bool namesDisplay() {
    return !qEnvironmentVariableIsEmpty("DISPLAY")
           || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

void setNames() {
    QCoreApplication::setOrganizationName(QStringLiteral("Sumwise"));
    QCoreApplication::setApplicationName(QStringLiteral("Sumwise"));
    QCoreApplication::setApplicationVersion(QStringLiteral(SUMWISE_VERSION));
}

// Qt aborts when none of the platforms it is told to try starts. The session's displays
// come first and drawing nowhere last, so a missing plugin or an unreachable display costs
// the panels, not the program. Returns whether a display was wanted.
bool choosePlatforms() {
    QByteArray platforms = qgetenv("QT_QPA_PLATFORM");
    const bool chosen = !platforms.isEmpty();
    if (!chosen) {
        // An unset WAYLAND_DISPLAY would still reach a compositor on "wayland-0".
        if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
            platforms += "wayland;";
        if (!qEnvironmentVariableIsEmpty("DISPLAY"))
            platforms += "xcb;";
    }
    bool drawsNowhere = false;
    for (const QByteArray &platform : platforms.split(';'))
        drawsNowhere = drawsNowhere || platform.startsWith("offscreen");
    if (!drawsNowhere)
        platforms += chosen ? ";offscreen" : "offscreen";
    qputenv("QT_QPA_PLATFORM", platforms);
    return chosen ? !platforms.startsWith("offscreen") : namesDisplay();
}

QString missingDisplayMessage() {
    QString message = QStringLiteral("no display could be opened (QT_QPA_PLATFORM=%1")
                          .arg(qEnvironmentVariable("QT_QPA_PLATFORM"));
    for (const char *name : {"WAYLAND_DISPLAY", "DISPLAY"}) {
        if (!qEnvironmentVariableIsEmpty(name))
            message +=
                QStringLiteral(", %1=%2").arg(QLatin1String(name), qEnvironmentVariable(name));
    }
    message += u')';
    const QString plugins = QLibraryInfo::path(QLibraryInfo::PluginsPath);
    if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        && QDir(plugins + QStringLiteral("/platforms"))
               .entryList({QStringLiteral("libqwayland*")})
               .isEmpty())
        message += QStringLiteral("; Qt's Wayland platform plugin is not installed (Debian: "
                                  "qt6-wayland)");
    return message;
}

// Panels and the clipboard need a GUI application; plain filters start faster without one.
// *unseen is set when a display was wanted but panels would be drawn nowhere.
std::unique_ptr<QCoreApplication> makeApplication(int &argc, char **argv, bool gui,
                                                  bool *unseen = nullptr) {
    if (gui) {
        const bool wanted = choosePlatforms();
        auto app = std::make_unique<QApplication>(argc, argv);
        const bool nowhere = QGuiApplication::platformName() == u"offscreen";
        if (unseen)
            *unseen = wanted && nowhere;
        if (wanted && nowhere)
            std::fprintf(stderr, "sumwise: %s\n", qUtf8Printable(missingDisplayMessage()));
        // Nobody can answer a panel drawn nowhere: say what it says and go on without an
        // answer instead of waiting for ever.
        if (nowhere && qEnvironmentVariableIsEmpty("SUMWISE_ALERT_ANSWER"))
            service::setAlertAnswerer([](QMessageBox &alert) {
                std::fprintf(stderr, "%s\n%s\n", qUtf8Printable(alert.text()),
                             qUtf8Printable(alert.informativeText()));
                return int(service::AlertNoAnswer);
            });
        return app;
    }
    return std::make_unique<QCoreApplication>(argc, argv);
}

int runProviderApplication(int argc, char **argv) {
    const auto app = makeApplication(argc, argv, true);
    setNames();
    QApplication::setQuitOnLastWindowClosed(false);
    platform::installTranslations();
    Sumwise sumwise;
    return runProvider(sumwise);
}

// Reads the command line into a command and its formula; an exit status when the program is
// done (help, version, bad usage), else -1.
int parseArguments(int argc, char **argv, ServiceCommand *command, QStringList *formula) {
    const QString first = QString::fromLocal8Bit(argv[1]);
    const std::optional<ServiceName> service = serviceNamed(first);
    if (!service && !first.startsWith(u'-'))
        return usageError("unknown command '" + first.toLocal8Bit() + "'");
    if (service)
        command->service = *service;
    bool options = true;
    // Options may follow the command; "--" ends them, so a formula may start with "-".
    for (int i = service ? 2 : 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (!options || (!arg.startsWith(u"--") && arg != u"-h" && arg != u"-v")) {
            formula->append(arg);
            continue;
        }
        const qsizetype equals = arg.indexOf(u'=');
        const QString name = equals < 0 ? arg : arg.left(equals);
        // An option's value follows it, or "=" joins them.
        auto value = [&](QString *out) {
            if (equals >= 0) {
                *out = arg.mid(equals + 1);
                return true;
            }
            if (i + 1 == argc)
                return false;
            *out = QString::fromLocal8Bit(argv[++i]);
            return true;
        };
        if (arg == u"--") {
            options = false;
        } else if (arg == u"-h" || arg == u"--help") {
            std::fputs(Usage, stdout);
            return 0;
        } else if (arg == u"-v" || arg == u"--version") {
            std::printf("sumwise %s\n", SUMWISE_VERSION);
            return 0;
        } else if (arg == u"--selection") {
            command->selection = true;
        } else if (arg == u"--no-paste") {
            command->paste = false;
        } else if (name == u"--paste-key") {
            if (!value(&command->pasteKey) || command->pasteKey.isEmpty())
                return usageError("--paste-key needs a key such as ctrl+shift+v");
        } else if (name == u"--type") {
            if (!value(&command->type) || command->type.isEmpty())
                return usageError("--type needs a MIME type");
        } else {
            return usageError("unknown option '" + arg.toLocal8Bit() + "'");
        }
    }
    if (!service)
        return usageError("unknown command '" + first.toLocal8Bit() + "'");
    if (command->selection && !formula->isEmpty())
        return usageError("--selection takes no formula");
    if (!command->selection && (!command->paste || !command->pasteKey.isEmpty()))
        return usageError("--no-paste and --paste-key go with --selection");
    return -1;
}

} // namespace

int main(int argc, char *argv[]) {
    if (argc > 1 && std::strcmp(argv[1], "--hold-clipboard") == 0)
        return clipboardHolderMain(argc, argv);
    if (argc == 1)
        return runProviderApplication(argc, argv);

    ServiceCommand command;
    QStringList formula;
    if (const int status = parseArguments(argc, argv, &command, &formula); status >= 0)
        return status;

    const bool gui = command.service == ServiceName::Show || command.service == ServiceName::Copy;
    bool unseen = false;
    const auto app = makeApplication(argc, argv, gui, &unseen);
    setNames();
    platform::installTranslations();

    if (!formula.isEmpty()) {
        command.fromArguments = true;
        command.input = formula.join(u' ').toUtf8();
    } else if (!command.selection) {
        QFile in;
        if (!in.open(stdin, QIODevice::ReadOnly))
            return usageError("cannot read standard input");
        command.input = in.readAll();
    }

    FilterResult result;
    // A panel nobody sees is no answer: the selection stays as it was.
    if (unseen && command.service == ServiceName::Show)
        result = {command.fromArguments ? QByteArray() : command.input,
                  "Error: the panel cannot be shown without a display\n", 1};
    else
        result = runServiceCommand(command);
    // A formula from the command line is no selection to give back; a result needs a line.
    if (command.fromArguments && result.status == 0 && !result.output.isEmpty())
        result.output += '\n';
    if (!platform::writeAll(STDOUT_FILENO, result.output))
        return 1;
    platform::writeAll(STDERR_FILENO, result.error);
    return result.status;
}
