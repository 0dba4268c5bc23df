#include "cli/port_argument.h"

#include <filesystem>
#include <system_error>

#include "serial/port_names.h"

namespace vindrel {

const char kPortOptionHelp[] =
    "device path (/dev/ttyUSB0), COMn, port number, or virtual; default: the only port";

std::optional<PortArgument> ParsePortDevice(std::string_view text, std::string& problem) {
  namespace fs = std::filesystem;
  PortArgument port;
  fs::path path{std::string(text)};
  port.number = PortNumberFromDeviceName(path.filename().string());
  if (port.number == 0) {
    // A stable name such as /dev/serial/by-id/usb-FTDI... is a link to the device itself
    // ("../../ttyUSB0"). One step only: a ttyV link must not be followed on to its /dev/pts.
    std::error_code error;
    fs::path target = fs::read_symlink(path, error);
    if (!error) {
      if (target.is_relative()) target = (path.parent_path() / target).lexically_normal();
      port.number = PortNumberFromDeviceName(target.filename().string());
      path = target;
    }
  }
  if (port.number == 0) {
    problem = std::string(text) +
              ": not a serial port this program knows: give a port number, COMn, or a device "
              "named ttyS*, ttyUSB*, ttyACM*, ttyAMA*, rfcomm* or ttyV* (a link to another "
              "device, such as a pseudo-terminal, named /dev/ttyV0 is port 161), or virtual for the tracker built into this program";
    return std::nullopt;
  }
  if (path.has_parent_path()) port.deviceDirectory = path.parent_path().string();
  return port;
}

}  // namespace vindrel
