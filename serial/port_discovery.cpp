#include "serial/port_discovery.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace vindrel {

void AppendComPortNumbers(const char* names, PortNumberList& ports) {
  for (const char* name = names; *name != '\0'; name += std::strlen(name) + 1) {
    if (std::strlen(name) > 3 && std::toupper(static_cast<unsigned char>(name[0])) == 'C' &&
        std::toupper(static_cast<unsigned char>(name[1])) == 'O' &&
        std::toupper(static_cast<unsigned char>(name[2])) == 'M') {
      // The number as atoi reads it; strtol saturates where atoi would overflow.
      const long number =
          std::clamp<long>(std::strtol(name + 3, nullptr, 10), INT32_MIN, INT32_MAX);
      ports.push_back(static_cast<std::uint32_t>(number));
    }
  }
}

}  // namespace vindrel
