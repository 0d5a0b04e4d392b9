// Helper processes that outlive the one that starts them.
#pragma once

#include <QByteArray>

namespace platform {

/// This process's executable, from /proc/self/exe; empty when it cannot be read.
QByteArray executablePath();

/// Starts this executable with one option in a session of its own, not a child of the caller
/// (nobody has to reap it) and with nothing of the caller's open but one socket on its
/// standard input and output, standard error on /dev/null and "/" as working directory.
/// Returns the socket's other end (close-on-exec), or -1.
int startDetached(const char *option);

} // namespace platform
