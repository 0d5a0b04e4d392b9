// The system's alert sound.
#pragma once

namespace platform {

/// Rings the display's bell when a QApplication with a real display runs, otherwise writes BEL
/// to the terminal (standard error when it is one, else the controlling terminal). Never
/// blocks, and does nothing when there is neither.
void beep();

} // namespace platform
