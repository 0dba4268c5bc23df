#include "settings/ax25_address.h"

#include <algorithm>

namespace vindrel {
namespace {

constexpr std::size_t kCallLength = 6;
constexpr std::uint8_t kShiftedSpace = 0x40;
constexpr std::uint8_t kSsidBits = 0x30;  // the two reserved bits, always set
constexpr std::uint8_t kLastAddressMark = 0x01;

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The SSID as atoi would read it (blanks, sign, digits up to the first non-digit, 0 without
// digits), kept to its low four bits. Computed modulo 16 so that no input can overflow.
unsigned ParseSsid(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  unsigned value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = (value * 10 + static_cast<unsigned>(text[i] - '0')) & 0x0F;
  }
  return negative ? (16 - value) & 0x0F : value;
}

}  // namespace

Ax25Address EncodeAx25Address(std::string_view text, bool last) {
  std::string_view call = text;
  unsigned ssid = 0;
  if (const auto dash = text.find('-'); dash != std::string_view::npos) {
    call = text.substr(0, dash);
    ssid = ParseSsid(text.substr(dash + 1));
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
