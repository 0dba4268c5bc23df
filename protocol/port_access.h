#pragma once

#include <cstdint>
#include <string>

namespace vindrel {

// The connect's message for a port that the user may not open: it names the group that owns the
// device file, which the user must join. Empty when errorCode is no refusal of permission; the
// connect then reports the port as in use.
std::string PortAccessDeniedMessage(std::uint32_t errorCode, const std::string& devicePath);

}  // namespace vindrel
