#include "busprobe.h"
#include "moduleentries.h"
#include "request.h"

#include "evaluator/formulaengine.h"
#include "evaluator/textservices.h"
#include "platform/detachedprocess.h"
#include "platform/fdio.h"
#include "platform/localization.h"
#include "platform/terminalbell.h"

#include <QCoreApplication>
#include <QFile>
#include <QMap>
#include <QStringList>

#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <memory>
#include <optional>
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

// A module beside this executable and one of its entries; null, with the reason on standard
// error, when it cannot be loaded.
void *loadEntry(const char *module, const char *entry) {
    QByteArray path = platform::executablePath();
    if (path.isEmpty()) {
        std::perror("sumwise: /proc/self/exe");
        return nullptr;
    }
    path.truncate(path.lastIndexOf('/') + 1);
    path += "../lib/sumwise/";
    path += module;
    void *handle = dlopen(path.constData(), RTLD_NOW | RTLD_LOCAL);
    void *symbol = handle ? dlsym(handle, entry) : nullptr;
    if (!symbol)
        std::fprintf(stderr, "sumwise: cannot load %s: %s\n", module, dlerror());
    return symbol;
}

template<typename Function> Function *load(const char *module, const char *entry) {
    return reinterpret_cast<Function *>(loadEntry(module, entry));
}

#define SUMWISE_LOAD(module, entry) load<decltype(entry)>(module, #entry)

constexpr char HolderOption[] = "--hold-clipboard";

// While the mail application is in front, results go to the clipboard too, which needs the
// desktop.
bool mailInFront() {
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        return false;
    auto *active = SUMWISE_LOAD(DisplayModule, sumwiseActiveApplication);
    QString name;
    if (active)
        active(&name);
    return name == u"Mail";
}

// The type under which a request's pasteboard holds plain text.
constexpr char16_t PlainTextType[] = u"text/plain;charset=utf-8";

// Plain text through a provider that already runs (it holds the variables of its own session),
// on Qt D-Bus alone; nothing when no provider took it. The selection's final line break stays
// here, as it does for the desktop's requests.
std::optional<FilterResult> plainThroughProvider(const ServiceCommand &command) {
    auto *ask = SUMWISE_LOAD(BusModule, sumwiseAskProvider);
    if (!ask)
        return std::nullopt;
    const QByteArray lineBreak = textservices::trailingLineBreak(command.input);
    const QString type = QString::fromUtf16(PlainTextType);
    const QMap<QString, QByteArray> flavours{{type, command.input.chopped(lineBreak.size())}};
    QString error;
    QMap<QString, QByteArray> pboard;
    if (!ask(command.service, &flavours, &error, &pboard))
        return std::nullopt;
    if (!error.isEmpty())
        return textservices::failure(command.input, command.fromArguments, error);
    if (!replacesSelection(command.service))
        return FilterResult{command.input, {}, 0};
    return FilterResult{pboard.value(type) + lineBreak, {}, 0};
}

// The application object of a request served without the desktop module, with the names its
// settings and translations are found by.
std::unique_ptr<QCoreApplication> coreApplication(int &argc, char **argv) {
    auto app = std::make_unique<QCoreApplication>(argc, argv);
    setApplicationNames();
    platform::installTranslations();
    return app;
}

// Plain text or the shortcut routine through a provider that runs, which has the desktop
// loaded: this process needs neither Qt GUI nor the desktop module. Nothing when none took it.
std::optional<FilterResult> throughRunningProvider(int argc, char **argv,
                                                   const ServiceCommand &command) {
    const auto app = coreApplication(argc, argv);
    if (!command.selection)
        return plainThroughProvider(command);
    auto *run = SUMWISE_LOAD(BusModule, sumwiseRunOnSelection);
    FilterResult result;
    if (!run || !run(&command, &result))
        return std::nullopt;
    return result;
}

// A plain filter needs no module unless, for the mail application's clipboard rule, the
// desktop (a running provider applies that rule itself). Nothing when the desktop module must
// serve it.
std::optional<FilterResult> servePlain(int argc, char **argv, const ServiceCommand &command,
                                       ProviderState provider) {
    if (provider == ProviderState::Unknown || (provider != ProviderState::Running && mailInFront()))
        return std::nullopt;
    const auto app = coreApplication(argc, argv);
    FormulaEngine engine;
    const FilterResult result = textservices::filter(engine, command.service == ServiceName::Add,
                                                     command.input, command.fromArguments);
    if (result.status != 0)
        platform::terminalBell();
    return result;
}

} // namespace

int main(int argc, char *argv[]) {
    if (argc > 1 && std::strcmp(argv[1], HolderOption) == 0) {
        auto *holder = SUMWISE_LOAD(DisplayModule, sumwiseHoldClipboard);
        return holder ? holder(argc, argv) : 1;
    }
    if (argc == 1) {
        auto *desktop = SUMWISE_LOAD(DesktopModule, sumwiseDesktopMain);
        return desktop ? desktop(argc, argv, nullptr, nullptr) : 1;
    }

    ServiceCommand command;
    QStringList formula;
    if (const int status = parseArguments(argc, argv, &command, &formula); status >= 0)
        return status;

    if (!formula.isEmpty()) {
        command.fromArguments = true;
        command.input = formula.join(u' ').toUtf8();
    } else if (!command.selection) {
        QFile in;
        if (!in.open(stdin, QIODevice::ReadOnly))
            return usageError("cannot read standard input");
        command.input = in.readAll();
    }

    // No request waits for a provider's start (tens of milliseconds, a hundred with a panel):
    // one that runs holds the session's variables, else the settings file does.
    const ProviderState provider = busProvider(ProviderName);
    command.inProcess = provider == ProviderState::NoBus || provider == ProviderState::NotRunning;
    std::optional<FilterResult> served;
    if (provider == ProviderState::Running && (command.selection || isPlainText(command)))
        served = throughRunningProvider(argc, argv, command);
    if (!served && isPlainFilter(command))
        served = servePlain(argc, argv, command, provider);
    FilterResult result;
    if (served) {
        result = *std::move(served);
    } else {
        // The holder of the result starts while the desktop module loads.
        if (command.selection && replacesSelection(command.service))
            command.holderChannel = platform::startDetached(HolderOption);
        // Without its module the request cannot be served, but the selection is not lost.
        if (auto *desktop = SUMWISE_LOAD(DesktopModule, sumwiseDesktopMain))
            desktop(argc, argv, &command, &result);
        else
            result = {command.fromArguments ? QByteArray() : command.input, {}, 1};
    }
    // A formula from the command line is no selection to give back; a result needs a line.
    if (command.fromArguments && result.status == 0 && !result.output.isEmpty())
        result.output += '\n';
    if (!platform::writeAll(STDOUT_FILENO, result.output))
        return 1;
    platform::writeAll(STDERR_FILENO, result.error);
    return result.status;
}
