#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vindrel {

// Serial ports are known by number. On Linux a fixed table maps blocks of 32 numbers to device
// families, so every number stays within 1..255:
//   1-32 ttyS0..31, 33-64 ttyUSB0..31, 65-96 ttyACM0..31, 97-128 ttyAMA0..31,
//   129-160 rfcomm0..31, 161-192 ttyV0..31 (links to pseudo-terminals).

// "ttyUSB0" for 33; empty for a number outside the table.
std::string PortDeviceName(int portNumber);

// The device file of a port inside deviceDirectory ("/dev/ttyUSB0"); empty outside the table.
std::string PortDevicePath(int portNumber, std::string_view deviceDirectory = "/dev");

// 33 for "ttyUSB0"; 0 for a name outside the table ("tty0", "ttyUSB32", "ttyUSB01").
int PortNumberFromDeviceName(std::string_view name);

// What the port list shows for a port: its device path on Linux ("/dev/ttyUSB0"), "COM3" on
// Windows. Defined by the platform's discovery backend.
std::string PortDisplayName(int portNumber);

}  // namespace vindrel
