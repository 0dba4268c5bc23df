#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vindrel {

// Port numbers in the order they were found; discovery never sorts or merges.
using PortNumberList = std::vector<std::uint32_t>;

// Where discovery looks; tests point both at a temporary tree.
struct PortDiscoveryRoots {
  std::string deviceDirectory = "/dev";
  std::string sysDirectory = "/sys";
};

// Empties ports, then appends every serial port present. Reads /sys/class/tty (plus the
// /dev/ttyV* links, which /sys never shows, and bound Bluetooth ports, which have no device until
// they connect); when that cannot be read, takes every number 1..255 whose device file exists.
// Never opens a port. Raises nothing: failures only make the list shorter.
void DiscoverSerialPorts(PortNumberList& ports, const PortDiscoveryRoots& roots = {});

// The Windows device-name way, kept portable so that it is tested everywhere: walks a list of
// NUL-terminated names ended by an empty name and appends the number of every name that is "COM"
// (any case) followed by a number from 1 to 255 without leading zeros; "COM", "COM0", "COM3A"
// and "COM256" are some other device.
void AppendComPortNumbers(const char* names, PortNumberList& ports);

}  // namespace vindrel
