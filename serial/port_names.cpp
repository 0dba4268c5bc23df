#include "serial/port_names.h"

#include <array>

namespace vindrel {
namespace {

constexpr int kFamilySize = 32;

// Each family owns a block of 32 numbers, in this order from 1.
constexpr std::array<std::string_view, 6> kFamilies{"ttyS",   "ttyUSB", "ttyACM",
                                                    "ttyAMA", "rfcomm", "ttyV"};

}  // namespace

std::string PortDeviceName(int portNumber) {
  if (portNumber < 1 || portNumber > kFamilySize * static_cast<int>(kFamilies.size())) {
    return {};
  }
  const int index = portNumber - 1;
  return std::string(kFamilies[index / kFamilySize]) + std::to_string(index % kFamilySize);
}

std::string PortDevicePath(int portNumber, std::string_view deviceDirectory) {
  std::string name = PortDeviceName(portNumber);
  if (name.empty()) {
    return name;
  }
  std::string path(deviceDirectory);
  if (path.empty() || path.back() != '/') {
    path += '/';
  }
  return path + name;
}

int PortNumberFromDeviceName(std::string_view name) {
  for (std::size_t family = 0; family < kFamilies.size(); ++family) {
    const std::string_view prefix = kFamilies[family];
    if (name.size() <= prefix.size() || name.substr(0, prefix.size()) != prefix) {
      continue;
    }
    const std::string_view digits = name.substr(prefix.size());
    // The kernel writes unit numbers without leading zeros; "ttyUSB01" is some other file.
    if (digits.size() > 2 || (digits.size() == 2 && digits[0] == '0')) {
      return 0;
    }
    int unit = 0;
    for (const char c : digits) {
      if (c < '0' || c > '9') {
        return 0;
      }
      unit = unit * 10 + (c - '0');
    }
    if (unit >= kFamilySize) {
      return 0;
    }
    return static_cast<int>(family) * kFamilySize + unit + 1;
  }
  return 0;
}

}  // namespace vindrel
