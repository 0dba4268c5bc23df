#include "settings/ax25_address.h"

#include <algorithm>
#include <cstdlib>

namespace vindrel {
namespace {

constexpr std::size_t kCallLength = 6;
constexpr std::uint8_t kShiftedSpace = 0x40;
constexpr std::uint8_t kSsidBits = 0x30;  // the two reserved bits, always set
constexpr std::uint8_t kLastAddressMark = 0x01;

}  // namespace

Ax25Address EncodeAx25Address(std::string_view text, bool last) {
  // The tracker's texts end at a zero byte; one inside the text would land in the field as a
  // character that decodes as the call's end.
  text = text.substr(0, text.find('\0'));
  std::string_view call = text;
  unsigned ssid = 0;
  if (const auto dash = text.find('-'); dash != std::string_view::npos) {
    call = text.substr(0, dash);
    // Read as atoi reads it (blanks, sign, digits up to the first other character, 0 without
    // digits); strtol saturates where atoi would overflow. The low four bits are the SSID.
    const std::string number(text.substr(dash + 1));
    ssid = static_cast<unsigned long>(std::strtol(number.c_str(), nullptr, 10)) & 0x0F;
  }
  call = call.substr(0, std::min(call.size(), kCallLength));

  Ax25Address field;
  field.fill(kShiftedSpace);
  for (std::size_t i = 0; i < call.size(); ++i) {
    auto c = static_cast<std::uint8_t>(call[i]);
    if (c >= 'a' && c <= 'z') c = static_cast<std::uint8_t>(c - 'a' + 'A');
    field[i] = static_cast<std::uint8_t>(c << 1);
  }
  field[6] = static_cast<std::uint8_t>(((ssid | kSsidBits) << 1) + (last ? kLastAddressMark : 0));
  return field;
}

std::string DecodeAx25Address(const Ax25Address& field, bool& moreFollow) {
  std::string text;
  for (std::size_t i = 0; i < kCallLength; ++i) {
    const char c = static_cast<char>(field[i] >> 1);
    if (c == 0) break;
    text.push_back(c);
  }
  const unsigned ssid = (field[6] >> 1) & 0x0F;
  if (ssid != 0) text += "-" + std::to_string(ssid);
  std::erase(text, ' ');
  moreFollow = (field[6] & kLastAddressMark) == 0;
  return text;
}

}  // namespace vindrel
