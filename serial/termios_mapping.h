#pragma once

#include <termios.h>

#include "serial/serial_port.h"

namespace vindrel {

// The mapping between LineSettings and a terminal's termios record, free of system calls.

// Reads what a termios record says into settings. Members termios has no counterpart for keep
// fixed values: DTR and RTS are reported as raised (the kernel raises both on open), and RTS as
// handshake when hardware flow control is on.
void TermiosToLineSettings(const termios& attributes, LineSettings& settings);

// Writes settings into attributes, always in raw mode (CLOCAL | CREAD, VMIN = VTIME = 0, no input
// or output processing). Returns 0, or EINVAL for what the kernel cannot do: a baud rate without
// a speed constant, data bits outside 5..8, an unknown parity or stop-bit value, 1.5 stop bits,
// DSR flow control or DSR sensitivity, DTR handshake, RTS toggle. Hardware flow control (CRTSCTS,
// one flag for both directions) follows fOutxCtsFlow. Leaves attributes untouched when it
// refuses.
int LineSettingsToTermios(const LineSettings& settings, termios& attributes);

// Whether the kernel kept what LineSettingsToTermios asked for: tcsetattr succeeds when it applied
// only part of a request.
bool SameLineAttributes(const termios& wanted, const termios& applied);

}  // namespace vindrel
