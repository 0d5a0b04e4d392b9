// Whole reads and writes on file descriptors, resumed after signals.
#pragma once

#include <QByteArray>

namespace platform {

/// Writes all of bytes; false when the descriptor refused them.
bool writeAll(int fd, const QByteArray &bytes);

/// Everything up to the end of input (or the first error).
QByteArray readAll(int fd);

} // namespace platform
