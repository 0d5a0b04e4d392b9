#include "systemlog.h"

#include <QCoreApplication>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <execinfo.h>
#include <memory>
#include <syslog.h>
#include <unistd.h>

namespace textlib {

namespace {
std::atomic<LogHandler> handler{nullptr};
} // namespace

void systemLog(const QString &message) {
    if (LogHandler h = handler.load()) {
        h(message);
        return;
    }
    const QByteArray text = message.toUtf8();
    // The program name must outlive openlog(), hence static; LOG_USER is what NSLog-like
    // tools use.
    static const QByteArray ident = QCoreApplication::applicationName().isEmpty()
                                        ? QByteArray("sumwise")
                                        : QCoreApplication::applicationName().toUtf8();
    static const bool opened = (openlog(ident.constData(), LOG_PID, LOG_USER), true);
    Q_UNUSED(opened);
    syslog(LOG_NOTICE, "%s", text.constData());
    if (isatty(STDERR_FILENO))
        std::fprintf(stderr, "%s: %s\n", ident.constData(), text.constData());
}

LogHandler setLogHandler(LogHandler h) {
    return handler.exchange(h);
}

QStringList callStack() {
    void *frames[64];
    const int count = ::backtrace(frames, 64);
    QStringList lines;
    std::unique_ptr<char *, void (*)(void *)> symbols(::backtrace_symbols(frames, count),
                                                      std::free);
    for (int i = 0; symbols && i < count; ++i)
        lines.append(QString::fromLocal8Bit(symbols.get()[i]));
    return lines;
}

} // namespace textlib
