// The settings image codec. The input's first 256 bytes are an image (zero-padded when shorter);
// bytes after them, split at LF, replace the decoded record's callsign, path, beacon text, status
// text, symbol and table, so that the encoder also sees texts no image holds (spaces, bytes above
// 0x7F, more than three digipeaters, long texts).

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>

#include "settings/settings_block.h"
#include "tests/fuzz/fuzz_check.h"

using namespace vindrel;

namespace {

constexpr std::size_t kCallsign = 16;
constexpr std::size_t kSlots = 4;  // the callsign and three digipeaters, 7 bytes each

// Each digipeater's field is checked the same way by the AX.25 target.
void CheckCallsign(const TrackerSettings& settings) {
  fuzz::Check(settings.callsign.size() <= 9, "a decoded callsign has at most 9 characters");
}

// The address list is a valid AX.25 list: exactly one address, the last one used, carries the
// end-of-address mark, and the slots behind it stay zero.
void CheckAddressList(const SettingsBlock& block) {
  std::size_t slot = 0;
  while (slot < kSlots && !(block[kCallsign + slot * 7 + 6] & 0x01)) ++slot;
  fuzz::Check(slot < kSlots, "one address carries the end-of-address mark");
  const auto rest = block.begin() + static_cast<std::ptrdiff_t>(kCallsign + (slot + 1) * 7);
  fuzz::Check(std::all_of(rest, block.begin() + kCallsign + kSlots * 7,
                          [](std::uint8_t b) { return b == 0; }),
              "the slots behind the last address stay zero");
}

bool LoneEmptyDigipeater(const SettingsBlock& block) {
  constexpr std::uint8_t kEmptyLast[] = {0x40, 0x40, 0x40, 0x40, 0x40, 0x40, 0x61};
  return !(block[kCallsign + 6] & 0x01) &&
         std::equal(std::begin(kEmptyLast), std::end(kEmptyLast), block.begin() + kCallsign + 7);
}

SettingsBlock RoundTrip(const SettingsBlock& block) {
  TrackerSettings decoded;
  DecodeSettingsBlock(block, decoded);
  CheckCallsign(decoded);
  return EncodeSettingsBlock(decoded);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  SettingsBlock image{};
  std::copy_n(data, std::min(size, image.size()), image.begin());
  TrackerSettings record;
  DecodeSettingsBlock(image, record);
  CheckCallsign(record);

  const bool texts = size > image.size();
  if (texts) {
    std::string* fields[] = {&record.callsign,   &record.digipeaterPath, &record.beaconText,
                             &record.statusText, &record.symbolChar,     &record.tableChar};
    std::string_view rest(reinterpret_cast<const char*>(data) + image.size(), size - image.size());
    for (std::string* field : fields) {
      const std::size_t end = std::min(rest.find('\n'), rest.size());
      *field = rest.substr(0, end);
      rest.remove_prefix(std::min(end + 1, rest.size()));
    }
  }

  SettingsBlock once = EncodeSettingsBlock(record);
  CheckAddressList(once);
  // Texts that no image holds settle after two rounds: an address field keeps seven bits of each
  // character (a byte above 0x7F comes back as another one, 0xAD as the "-" that then separates
  // an SSID) and decoding drops spaces. And a lone digipeater with an empty call (a path such as
  // "-", or a slot of spaces) decodes as no path at all, which then encodes as none.
  if (texts || LoneEmptyDigipeater(once)) once = RoundTrip(RoundTrip(once));
  fuzz::Check(RoundTrip(once) == once, "encode, decode, encode give the same bytes");
  return 0;
}
