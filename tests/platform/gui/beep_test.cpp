#include "platform/gui/beep.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Runs platform::beep() in a child whose standard error is fd, without a controlling terminal (so
// no /dev/tty either); the child's exit status, or -1 when it blocked.
int beepInChild(int fd) {
    const pid_t child = ::fork();
    if (child == 0) {
        ::setsid();
        ::dup2(fd, STDERR_FILENO);
        ::alarm(5);
        platform::beep();
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string readAvailable(int fd) {
    std::string bytes;
    char buffer[64];
    pollfd request{fd, POLLIN, 0};
    for (ssize_t n; ::poll(&request, 1, 200) == 1 && (n = ::read(fd, buffer, sizeof buffer)) > 0;)
        bytes.append(buffer, size_t(n));
    return bytes;
}

// Without a QApplication the bell goes to a terminal on standard error, and nowhere else.
TEST(Beep, RingsOnlyATerminal) {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_TRUE(master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0);
    const int terminal = ::open(::ptsname(master), O_RDWR | O_NOCTTY);
    const int filler = ::open(::ptsname(master), O_WRONLY | O_NOCTTY | O_NONBLOCK);
    ASSERT_TRUE(terminal >= 0 && filler >= 0);
    EXPECT_EQ(beepInChild(terminal), 0);
    EXPECT_EQ(readAvailable(master), "\a");
    // A terminal that nobody reads must not hold us up. The kernel moves written bytes on to
    // the master in the background, freeing room again: fill until a pause frees nothing.
    const std::string chunk(4096, 'x');
    for (bool wrote = true; wrote; ::usleep(20000)) {
        for (wrote = false; ::write(filler, chunk.data(), chunk.size()) > 0;)
            wrote = true;
    }
    EXPECT_EQ(beepInChild(terminal), 0) << "beep blocked";
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    EXPECT_EQ(beepInChild(pipeFds[1]), 0);
    ::close(pipeFds[1]);
    EXPECT_EQ(readAvailable(pipeFds[0]), "");
    for (int fd : {filler, terminal, master, pipeFds[0]})
        ::close(fd);
}

} // namespace
