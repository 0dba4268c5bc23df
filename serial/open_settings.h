#pragma once

#include <cstdint>

#include "serial/serial_port.h"

namespace vindrel {

// The line-settings step of CSerialPort::Open, kept apart from the OS so that its tables can be
// checked directly: sets BaudRate and ByteSize as given, Parity, StopBits and the flow-control
// members from the enumerations, and turns fDsrSensitivity off. An enumeration value outside its
// list leaves its members as the driver reported them; everything else stays as it was.
void ApplyOpenSettings(LineSettings& settings, std::uint32_t baudRate, SerialParity parity,
                       std::uint8_t dataBits, SerialStopBits stopBits,
                       SerialFlowControl flowControl);

}  // namespace vindrel
