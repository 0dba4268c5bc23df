#include "cli/port_argument.h"

namespace vindrel {

const char kPortOptionHelp[] = "COMn (COM1 to COM255) or port number; default: the only port";

// Windows has no device files to name: COM names and numbers are all there is.
std::optional<PortArgument> ParsePortDevice(std::string_view text, std::string& problem) {
  problem = std::string(text) + ": not a serial port: give COM1 to COM255, or a port number";
  return std::nullopt;
}

}  // namespace vindrel
