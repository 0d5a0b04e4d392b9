#include "detachedprocess.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace platform {

namespace {

// Called between fork and exec: async-signal-safe calls only.
[[noreturn]] void execDetached(const char *exe, char *const argv[], int channel, int null) {
    if (setsid() < 0)
        _exit(127);
    // The session leader exits at once, so the process is adopted and never anyone's zombie,
    // and, no longer a session leader, it cannot acquire a terminal.
    const pid_t process = fork();
    if (process != 0)
        _exit(process < 0 ? 127 : 0);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    if (dup2(channel, STDIN_FILENO) < 0 || dup2(channel, STDOUT_FILENO) < 0
        || dup2(null, STDERR_FILENO) < 0)
        _exit(127);
    // Nothing else of the caller's stays open in a process that may live for hours.
    if (close_range(3, ~0U, 0) != 0) {
        for (int fd = 3; fd < 4096; ++fd)
            close(fd);
    }
    // Keep no mounted file system busy.
    if (chdir("/") != 0)
        _exit(127);
    execv(exe, argv);
    _exit(127);
}

} // namespace

QByteArray executablePath() {
    char buffer[4096];
    const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer);
    if (n <= 0 || size_t(n) == sizeof buffer)
        return {};
    return QByteArray(buffer, n);
}

int startDetached(const char *option) {
    QByteArray exe = executablePath();
    QByteArray argument(option);
    if (exe.isEmpty())
        return -1;
    char *argv[] = {exe.data(), argument.data(), nullptr};
    int channel[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, channel) != 0)
        return -1;
    const int null = open("/dev/null", O_RDWR | O_CLOEXEC);
    const pid_t child = null < 0 ? -1 : fork();
    if (child == 0)
        execDetached(exe.constData(), argv, channel[1], null);
    close(channel[1]);
    if (null >= 0)
        close(null);
    if (child < 0) {
        close(channel[0]);
        return -1;
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return channel[0];
}

} // namespace platform
