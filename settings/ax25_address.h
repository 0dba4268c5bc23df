#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace vindrel {

// One AX.25 address field: six callsign characters shifted left one bit (space-padded), then the
// SSID byte 0b011SSSSE, where E marks the last address of the list.
using Ax25Address = std::array<std::uint8_t, 7>;

// "CALL" or "CALL-SSID" to an address field. The call is cut to six characters and upper-cased
// (a-z only); the SSID is read like atoi and kept to its low four bits. A zero byte ends the text.
Ax25Address EncodeAx25Address(std::string_view text, bool last);

// An address field back to "CALL" or "CALL-SSID" (no suffix for SSID 0), spaces removed.
// moreFollow is set when the end-of-address mark is clear.
std::string DecodeAx25Address(const Ax25Address& field, bool& moreFollow);

}  // namespace vindrel
