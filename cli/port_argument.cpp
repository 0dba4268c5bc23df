#include "cli/port_argument.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

#include "serial/in_process_device.h"
#include "serial/port_names.h"

namespace vindrel {

namespace {

constexpr int kLastPortNumber = 255;

// 1..255 for a text of decimal digits only, 0 otherwise.
int DecimalPortNumber(std::string_view digits) {
  if (digits.empty() || digits.size() > 3 ||
      !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return 0;
  }
  const int number = std::stoi(std::string(digits));
  return number <= kLastPortNumber ? number : 0;
}

bool IsComName(std::string_view text) {
  return text.size() > 3 && std::toupper(static_cast<unsigned char>(text[0])) == 'C' &&
         std::toupper(static_cast<unsigned char>(text[1])) == 'O' &&
         std::toupper(static_cast<unsigned char>(text[2])) == 'M';
}

}  // namespace

std::optional<PortArgument> ParsePortArgument(std::string_view text, std::string& problem) {
  namespace fs = std::filesystem;
  PortArgument port;
  if (text == "virtual") {
    port.number = kInProcessPortNumber;
    return port;
  }
  if ((port.number = DecimalPortNumber(text)) != 0) return port;
  if (IsComName(text) && (port.number = DecimalPortNumber(text.substr(3))) != 0) return port;

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
              "device, such as a pseudo-terminal, named /dev/ttyV0 is port 161), or virtual "
              "for the tracker built into this program";
    return std::nullopt;
  }
  if (path.has_parent_path()) port.deviceDirectory = path.parent_path().string();
  return port;
}

}  // namespace vindrel
