#include "cli/port_argument.h"

#include <algorithm>
#include <cctype>

#include "serial/in_process_device.h"

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
  PortArgument port;
  if (text == "virtual") {
    port.number = kInProcessPortNumber;
    return port;
  }
  if ((port.number = DecimalPortNumber(text)) != 0) return port;
  if (IsComName(text) && (port.number = DecimalPortNumber(text.substr(3))) != 0) return port;
  return ParsePortDevice(text, problem);
}

}  // namespace vindrel
