#pragma once

#include <cstdint>

#include "serial/serial_port.h"

namespace vindrel {

// The line-settings step of CSerialPort::Open, kept apart from the OS so that its tables can be
// checked directly: sets BaudRate and ByteSize as given, Parity, StopBits and the flow-control
// members from the enumerations (DTR and RTS raised where no handshake takes them), and every
// other member to this program's fixed choice: binary, no parity check, no DSR sensitivity, no
// error, null, event or end-of-file character, no abort on error, XON/XOFF 0x11/0x13 with limits
// of 100. An enumeration value outside its list leaves its own members as the driver reported
// them.
void ApplyOpenSettings(LineSettings& settings, std::uint32_t baudRate, SerialParity parity,
                       std::uint8_t dataBits, SerialStopBits stopBits,
                       SerialFlowControl flowControl);

}  // namespace vindrel
