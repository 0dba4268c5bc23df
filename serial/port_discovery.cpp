#include "serial/port_discovery.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>

namespace vindrel {
namespace {

// The number after "COM", read as atoi reads it: leading white space, an optional sign, then
// digits up to the first other character; 0 without digits. Values too large for 32 bits are
// cut off there instead of overflowing.
std::uint32_t ReadLikeAtoi(const char* text) {
  while (std::isspace(static_cast<unsigned char>(*text)) != 0) {
    ++text;
  }
  bool negative = false;
  if (*text == '+' || *text == '-') {
    negative = *text == '-';
    ++text;
  }
  std::int64_t value = 0;
  while (*text >= '0' && *text <= '9') {
    value = std::min<std::int64_t>(value * 10 + (*text - '0'), INT32_MAX);
    ++text;
  }
  return static_cast<std::uint32_t>(negative ? -value : value);
}

}  // namespace

void AppendComPortNumbers(const char* names, PortNumberList& ports) {
  for (const char* name = names; *name != '\0'; name += std::strlen(name) + 1) {
    if (std::strlen(name) > 3 && std::toupper(static_cast<unsigned char>(name[0])) == 'C' &&
        std::toupper(static_cast<unsigned char>(name[1])) == 'O' &&
        std::toupper(static_cast<unsigned char>(name[2])) == 'M') {
      ports.push_back(ReadLikeAtoi(name + 3));
    }
  }
}

}  // namespace vindrel
