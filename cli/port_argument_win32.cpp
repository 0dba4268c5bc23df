#include "cli/port_argument.h"

namespace vindrel {

const char kPortOptionHelp[] =
    "COMn (COM1 to COM255), port number, or virtual; default: the only port";

// Windows has no device files to name: COM names and numbers are all there is.
std::optional<PortArgument> ParsePortDevice(std::string_view text, std::string& problem) {
  problem = std::string(text) + ": not a serial port: give COM1 to COM255, a port number, or virtual for the tracker built into this program";
  return std::nullopt;
}

}  // namespace vindrel
