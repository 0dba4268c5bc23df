// The AX.25 address field codec over any text and any 7-byte field.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "settings/ax25_address.h"
#include "tests/fuzz/fuzz_check.h"

using namespace vindrel;

namespace {

// What any field decodes to is a callsign the dialog would hold, and re-encoding it is settled
// after one round: encode, decode and encode again give the same bytes.
void CheckField(const Ax25Address& field) {
  bool moreFollow = false;
  const std::string text = DecodeAx25Address(field, moreFollow);
  fuzz::Check(text.size() <= 9, "a decoded callsign has at most 9 characters");
  fuzz::Check(text.find(' ') == std::string::npos, "a decoded callsign holds no space");
  fuzz::Check(moreFollow == !(field[6] & 0x01), "more-follow is the clear end-of-address mark");

  const Ax25Address once = EncodeAx25Address(text, !moreFollow);
  bool again = false;
  const std::string decoded = DecodeAx25Address(once, again);
  const Ax25Address twice = EncodeAx25Address(decoded, !again);
  fuzz::Check(once == twice, "encode, decode, encode give the same bytes");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const bool last = size % 2 == 1;
  const Ax25Address encoded = EncodeAx25Address(text, last);
  fuzz::Check((encoded[6] & 0xE1) == (last ? 0x61 : 0x60), "SSID byte is 0b011SSSSE");
  CheckField(encoded);

  Ax25Address raw{};
  std::copy_n(data, std::min(size, raw.size()), raw.begin());
  CheckField(raw);
  return 0;
}
