#pragma once
// Bit rates outside the B-constants, through Linux termios2 (BOTHER). Kept in its own file because
// <asm/termbits.h> and glibc's <termios.h> cannot be included together.
#include <cstdint>

namespace dtu_comm {
// Sets input and output speed of an open tty to any rate; false if the driver refuses.
bool SetCustomBaud(int fd, uint32_t rate);
// The tty's current output speed in bits per second (0 if it cannot be read).
uint32_t GetOutputBaud(int fd);
} // namespace dtu_comm
