// The settings image codec. The input's first 256 bytes are an image (zero-padded when shorter);
// bytes after them, split at LF, replace the decoded record's callsign, path, beacon text, status
// text, symbol and table, so that the encoder also sees texts no image holds (spaces, bytes above
// 0x7F, more than three digipeaters, long texts).

#include <algorithm>
#include <functional>
#include <string>
#include <string_view>

#include "settings/settings_block.h"
#include "tests/fuzz/fuzz_check.h"

using namespace vindrel;

// The address list: the callsign's 7 bytes from offset 16, then three digipeater slots.
static constexpr std::size_t kCallsignMark = 16 + 6, kListEnd = 44;

static TrackerSettings Decoded(const SettingsBlock& block) {
  TrackerSettings settings;
  DecodeSettingsBlock(block, settings);
  fuzz::Check(settings.callsign.size() <= 9, "a decoded callsign has at most 9 characters");
  return settings;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  SettingsBlock image{};
  const std::size_t head = std::min(size, image.size());
  std::copy_n(data, head, image.begin());
  TrackerSettings record = Decoded(image);
  std::string_view rest(reinterpret_cast<const char*>(data) + head, size - head);
  const bool texts = !rest.empty();
  for (std::string* field : {&record.callsign, &record.digipeaterPath, &record.beaconText,
                             &record.statusText, &record.symbolChar, &record.tableChar}) {
    if (!texts) break;
    *field = rest.substr(0, rest.find('\n'));
    rest.remove_prefix(std::min(field->size() + 1, rest.size()));
  }

  SettingsBlock once = EncodeSettingsBlock(record);
  // A valid AX.25 list: exactly one address, the last one used, carries the end-of-address mark,
  // and the slots behind it stay zero.
  std::size_t mark = kCallsignMark;
  while (mark < kListEnd && !(once[mark] & 0x01)) mark += 7;
  fuzz::Check(mark < kListEnd &&
                  std::all_of(once.begin() + mark + 1, once.begin() + kListEnd, std::logical_not()),
              "one address carries the end-of-address mark, and no byte follows it in the list");
  // Texts that no image holds settle after two rounds: an address field keeps seven bits of each
  // character (a byte above 0x7F comes back as another one, 0xAD as the "-" that then separates
  // an SSID) and decoding drops spaces. And a lone digipeater with an empty call (a path such as
  // "-", or a slot of spaces) decodes as no path at all, which then encodes as none.
  const bool loneEmptyDigipeater = mark != kCallsignMark && Decoded(once).digipeaterPath.empty();
  if (texts || loneEmptyDigipeater)
    once = EncodeSettingsBlock(Decoded(EncodeSettingsBlock(Decoded(once))));
  fuzz::Check(EncodeSettingsBlock(Decoded(once)) == once,
              "encode, decode, encode give the same bytes");
  return 0;
}
