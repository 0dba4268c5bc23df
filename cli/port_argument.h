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

// "/dev/ttyUSB0" (any folder: the folder is where the device file is looked for), a link whose
// target has such a name ("/dev/serial/by-id/usb-FTDI..."), a bare "ttyUSB0", "COM3" (any case),
// a port number "3" (1 to 255), or "virtual" (the in-process device). nullopt, with problem set,
// for anything else.
std::optional<PortArgument> ParsePortArgument(std::string_view text, std::string& problem);

}  // namespace vindrel
