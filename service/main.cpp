#include "commands.h"

#include "evaluator/sumwise.h"
#include "platform/localization.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringList>

#include <cstdio>
#include <unistd.h>

namespace {

constexpr char Usage[] = R"(Usage: sumwise COMMAND [FORMULA...]

Calculates the formula you selected.

Commands:
  substitute   Read the selection from standard input and write the result
               in its place (a filter for editors). With FORMULA arguments,
               evaluate them instead and print the result.

Options:
  -h, --help     Show this help and exit.
  -v, --version  Show the version and exit.

Examples:
  echo '2*(3+4)^2' | sumwise substitute        # 98
  sumwise substitute 'x=1,5;x*3'               # 4.5 (x is remembered)
)";

bool writeAll(int fd, const QByteArray &bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0)
            return false;
        done += n;
    }
    return true;
}

int usageError(const char *message) {
    std::fprintf(stderr, "sumwise: %s\nTry 'sumwise --help'.\n", message);
    return 2;
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Sumwise"));
    QCoreApplication::setApplicationName(QStringLiteral("Sumwise"));
    QCoreApplication::setApplicationVersion(QStringLiteral(SUMWISE_VERSION));

    const QStringList args = QCoreApplication::arguments().mid(1);
    if (args.isEmpty())
        return usageError("missing command");
    const QString &command = args.first();
    if (command == u"-h" || command == u"--help") {
        std::fputs(Usage, stdout);
        return 0;
    }
    if (command == u"-v" || command == u"--version") {
        std::printf("sumwise %s\n", SUMWISE_VERSION);
        return 0;
    }
    if (command != u"substitute")
        return usageError(("unknown command '" + command.toLocal8Bit() + "'").constData());

    installTranslations();
    Sumwise sumwise;

    QByteArray selection;
    const bool fromArguments = args.size() > 1;
    if (fromArguments) {
        selection = args.mid(1).join(u' ').toUtf8();
    } else {
        QFile in;
        if (!in.open(stdin, QIODevice::ReadOnly))
            return usageError("cannot read standard input");
        selection = in.readAll();
    }

    FilterResult result = substituteFilter(sumwise, selection);
    // A formula from the command line is no selection to give back; a result needs a line.
    if (fromArguments)
        result.output = result.status == 0 ? result.output + '\n' : QByteArray();
    if (!writeAll(STDOUT_FILENO, result.output))
        return 1;
    writeAll(STDERR_FILENO, result.error);
    return result.status;
}
