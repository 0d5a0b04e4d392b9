// The bell of the terminal the program runs in.
#pragma once

namespace platform {

/// Writes BEL to standard error when it is a terminal, else to the controlling terminal.
/// Never blocks, and does nothing without a terminal.
void terminalBell();

} // namespace platform
