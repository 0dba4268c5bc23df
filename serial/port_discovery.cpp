#include "serial/port_discovery.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace vindrel {

namespace {

constexpr int kLastComPort = 255;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

void AppendComPortNumbers(const char* names, PortNumberList& ports) {
  for (const char* name = names; *name != '\0'; name += std::strlen(name) + 1) {
    const std::string_view text(name);
    const std::string_view digits = text.substr(std::min<std::size_t>(3, text.size()));
    if (text.size() < 4 || std::toupper(static_cast<unsigned char>(text[0])) != 'C' ||
        std::toupper(static_cast<unsigned char>(text[1])) != 'O' ||
        std::toupper(static_cast<unsigned char>(text[2])) != 'M' || digits.size() > 3 ||
        digits[0] == '0' || !std::all_of(digits.begin(), digits.end(), IsDigit)) {
      continue;
    }
    const int number = std::stoi(std::string(digits));
    if (number <= kLastComPort) ports.push_back(static_cast<std::uint32_t>(number));
  }
}

}  // namespace vindrel
