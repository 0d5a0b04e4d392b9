#include "terminalbell.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace platform {

namespace {

// A terminal that is not reading (stopped output, full buffer) must not hold us up.
void ringBell(int fd) {
    pollfd request{fd, POLLOUT, 0};
    if (::poll(&request, 1, 0) == 1 && (request.revents & POLLOUT)) {
        [[maybe_unused]] const ssize_t written = ::write(fd, "\a", 1);
    }
}

} // namespace

void terminalBell() {
    if (::isatty(STDERR_FILENO)) {
        ringBell(STDERR_FILENO);
        return;
    }
    const int tty = ::open("/dev/tty", O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (tty < 0)
        return;
    ringBell(tty);
    ::close(tty);
}

} // namespace platform
