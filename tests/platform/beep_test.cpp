#include "platform/beep.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct Pty {
    int master = -1;
    int slave = -1;
    Pty() {
        master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0)
            return;
        slave = ::open(::ptsname(master), O_RDWR | O_NOCTTY);
    }
    ~Pty() {
        if (slave >= 0)
            ::close(slave);
        if (master >= 0)
            ::close(master);
    }
    bool ok() const { return slave >= 0; }
};

// Runs beep() in a child whose standard error is fd, without a controlling terminal; the
// child's exit status, or -1 when it blocked.
int beepInChild(int fd) {
    const pid_t child = ::fork();
    if (child == 0) {
        ::setsid();
        ::dup2(fd, STDERR_FILENO);
        ::alarm(5);
        beep();
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string readAvailable(int fd) {
    std::string bytes;
    pollfd request{fd, POLLIN, 0};
    char buffer[64];
    while (::poll(&request, 1, 200) == 1 && (request.revents & POLLIN)) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0)
            break;
        bytes.append(buffer, size_t(n));
    }
    return bytes;
}

// Without a QApplication the bell goes to the terminal.
TEST(Beep, RingsTheTerminalOnStandardError) {
    Pty pty;
    ASSERT_TRUE(pty.ok());
    EXPECT_EQ(beepInChild(pty.slave), 0);
    EXPECT_EQ(readAvailable(pty.master), "\a");
}

TEST(Beep, WritesNothingWhereNoTerminalIs) {
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    EXPECT_EQ(beepInChild(pipeFds[1]), 0);
    ::close(pipeFds[1]);
    EXPECT_EQ(readAvailable(pipeFds[0]), "");
    ::close(pipeFds[0]);
}

TEST(Beep, DoesNotWaitForAFullTerminal) {
    Pty pty;
    ASSERT_TRUE(pty.ok());
    // Fill the terminal through a separate non-blocking descriptor; nobody reads the master.
    const int filler = ::open(::ptsname(pty.master), O_WRONLY | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(filler, 0);
    // The kernel moves written bytes on to the master in the background, freeing room again:
    // fill until a pause frees nothing.
    const std::string chunk(4096, 'x');
    bool wrote = true;
    while (wrote) {
        wrote = false;
        while (::write(filler, chunk.data(), chunk.size()) > 0)
            wrote = true;
        ::usleep(20000);
    }
    ::close(filler);
    EXPECT_EQ(beepInChild(pty.slave), 0) << "beep blocked";
}

} // namespace
