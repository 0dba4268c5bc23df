// The AX.25 address field codec over any text and any 7-byte field.

#include <algorithm>
#include <string>

#include "settings/ax25_address.h"
#include "tests/fuzz/fuzz_check.h"

using namespace vindrel;

// What any field decodes to is a callsign the dialog would hold, and re-encoding it is settled
// after one round: encode, decode and encode again give the same bytes.
static void CheckField(const Ax25Address& field) {
  bool moreFollow = false, again = false;
  const std::string text = DecodeAx25Address(field, moreFollow);
  fuzz::Check(text.size() <= 9 && text.find(' ') == std::string::npos,
              "a decoded callsign has at most 9 characters and no space");
  const Ax25Address once = EncodeAx25Address(text, !moreFollow);
  const std::string decoded = DecodeAx25Address(once, again);
  fuzz::Check(EncodeAx25Address(decoded, !again) == once,
              "encode, decode, encode give the same bytes");
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  CheckField(EncodeAx25Address({reinterpret_cast<const char*>(data), size}, size % 2 == 1));
  Ax25Address raw{};
  std::copy_n(data, std::min(size, raw.size()), raw.begin());
  CheckField(raw);
  return 0;
}
