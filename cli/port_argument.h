#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vindrel {

// A port as -p names it.
struct PortArgument {
  int number = 0;
  std::string deviceDirectory = "/dev";  // where the device files are (Linux)
};

// A port number "3" (1 to 255), "COM3" (any case), "virtual" (the in-process device), and on
// Linux also "/dev/ttyUSB0" (any folder: the folder is where the device file is looked for), a
// link whose target has such a name ("/dev/serial/by-id/usb-FTDI..."), or a bare "ttyUSB0".
// nullopt, with problem set, for anything else.
std::optional<PortArgument> ParsePortArgument(std::string_view text, std::string& problem);

// The platform's part of ParsePortArgument, for what is neither a number nor COMn: a device file
// on Linux, nothing on Windows.
std::optional<PortArgument> ParsePortDevice(std::string_view text, std::string& problem);

// What --help says of -p, in the platform's own names for ports.
extern const char kPortOptionHelp[];

}  // namespace vindrel
