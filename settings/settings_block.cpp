#include "settings/settings_block.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "settings/ax25_address.h"

namespace vindrel {
namespace {

// Offsets inside the image.
constexpr std::size_t kFlags = 0;
constexpr std::size_t kTableChar = 1;
constexpr std::size_t kSymbolChar = 2;
constexpr std::size_t kBeaconInterval = 3;
constexpr std::size_t kTransmissionInterval = 4;
constexpr std::size_t kTxDelay = 5;
constexpr std::size_t kRestTime = 6;
constexpr std::size_t kSwitchDelay = 7;
constexpr std::size_t kStatusInterval = 8;
constexpr std::size_t kCallsign = 16;
constexpr std::size_t kFirstDigipeater = 23;
constexpr std::size_t kDigipeaterSlots = 3;
constexpr std::size_t kBeaconText = 48;
constexpr std::size_t kStatusText = 80;
constexpr std::size_t kTextField = 32;

constexpr std::uint8_t kSendBeaconText = 0x01;
constexpr std::uint8_t kSendSpeedCourse = 0x02;
constexpr std::uint8_t kSendAltitude = 0x04;
constexpr std::uint8_t kSpeedRelatedInterval = 0x08;
constexpr std::uint8_t kSwitchTransmitter = 0x10;
constexpr std::uint8_t kSendStatusText = 0x20;

// The tracker counts its transmitter delay in steps of 6.66666 ms and its rest time in 5 ms.
constexpr double kTxDelayRounding = 3.33333;
constexpr double kTxDelayPerMs = 0.15000015000015;
constexpr double kMsPerTxDelayStep = 6.66666;
constexpr int kMsPerRestStep = 5;

std::uint8_t LowByte(long long value) { return static_cast<std::uint8_t>(value & 0xFF); }

void PutAddress(SettingsBlock& block, std::size_t offset, std::string_view text, bool last) {
  const Ax25Address field = EncodeAx25Address(text, last);
  std::copy(field.begin(), field.end(), block.begin() + static_cast<std::ptrdiff_t>(offset));
}

std::string GetAddress(const SettingsBlock& block, std::size_t offset, bool& moreFollow) {
  Ax25Address field;
  std::copy_n(block.begin() + static_cast<std::ptrdiff_t>(offset), field.size(), field.begin());
  return DecodeAx25Address(field, moreFollow);
}

// Up to 31 bytes and a terminating zero; a zero byte inside the text ends it there, as it does
// for the tracker.
void PutText(SettingsBlock& block, std::size_t offset, const std::string& text) {
  const std::size_t n = std::min(std::strlen(text.c_str()), kTextField - 1);
  std::copy_n(text.begin(), n, block.begin() + static_cast<std::ptrdiff_t>(offset));
  block[offset + n] = 0;
}

// Up to the first zero byte, and never past the field's own end.
std::string GetText(const SettingsBlock& block, std::size_t offset) {
  const auto begin = block.begin() + static_cast<std::ptrdiff_t>(offset);
  const auto end = std::find(begin, begin + kTextField, std::uint8_t{0});
  return std::string(begin, end);
}

std::uint8_t FirstByte(const std::string& text) {
  return text.empty() ? 0 : static_cast<std::uint8_t>(text.front());
}

std::string OneCharText(std::uint8_t byte) {
  return byte == 0 ? std::string() : std::string(1, static_cast<char>(byte));
}

}  // namespace

SettingsBlock EncodeSettingsBlock(const TrackerSettings& settings) {
  SettingsBlock block;
  block.fill(0xFF);
  std::fill_n(block.begin(), kSettingsWriteSize, std::uint8_t{0});

  // The address list: the callsign, then the path's pieces as they stand (no trimming, an empty
  // piece is an empty call). Exactly one address carries the end mark. Pieces beyond the three
  // slots are dropped, so nothing lands in the reserved bytes or the texts.
  const std::string_view path = settings.digipeaterPath.c_str();  // up to a zero byte
  PutAddress(block, kCallsign, settings.callsign, path.empty());
  if (!path.empty()) {
    std::size_t start = 0;
    for (std::size_t slot = 0; slot < kDigipeaterSlots; ++slot) {
      const std::size_t comma = path.find(',', start);
      const bool lastPiece = comma == std::string_view::npos;
      const bool last = lastPiece || slot + 1 == kDigipeaterSlots;
      const std::string_view piece =
          path.substr(start, lastPiece ? std::string_view::npos : comma - start);
      PutAddress(block, kFirstDigipeater + slot * 7, piece, last);
      if (last) break;
      start = comma + 1;
    }
  }

  block[kTransmissionInterval] = LowByte(settings.transmissionInterval);
  PutText(block, kBeaconText, settings.beaconText);
  block[kBeaconInterval] = LowByte(settings.beaconInterval);
  PutText(block, kStatusText, settings.statusText);
  block[kStatusInterval] = LowByte(settings.statusInterval);
  block[kTxDelay] =
      LowByte(static_cast<long long>((settings.txDelayMs + kTxDelayRounding) * kTxDelayPerMs));
  block[kRestTime] = LowByte(settings.restTimeMs / kMsPerRestStep);
  block[kSwitchDelay] = LowByte(settings.switchDelay);

  std::uint8_t flags = 0;
  if (settings.sendBeaconText) flags |= kSendBeaconText;
  if (settings.sendSpeedCourse) flags |= kSendSpeedCourse;
  if (settings.sendAltitude) flags |= kSendAltitude;
  if (settings.speedRelatedInterval) flags |= kSpeedRelatedInterval;
  if (settings.switchTransmitter) flags |= kSwitchTransmitter;
  if (settings.sendStatusText) flags |= kSendStatusText;
  block[kFlags] = flags;

  block[kSymbolChar] = FirstByte(settings.symbolChar);
  block[kTableChar] = FirstByte(settings.tableChar);
  return block;
}

void DecodeSettingsBlock(const SettingsBlock& block, TrackerSettings& settings) {
  bool moreFollow = false;
  settings.callsign = GetAddress(block, kCallsign, moreFollow);

  // A third slot without its end mark leaves a trailing "," on the path; the tracker's list is
  // shown as it stands rather than repaired.
  std::string path;
  for (std::size_t slot = 0; moreFollow && slot < kDigipeaterSlots; ++slot) {
    path += GetAddress(block, kFirstDigipeater + slot * 7, moreFollow);
    if (moreFollow) path += ',';
  }
  settings.digipeaterPath = path;

  settings.symbolChar = OneCharText(block[kSymbolChar]);
  settings.tableChar = OneCharText(block[kTableChar]);
  settings.beaconText = GetText(block, kBeaconText);
  settings.beaconInterval = block[kBeaconInterval];
  settings.transmissionInterval = block[kTransmissionInterval];
  settings.statusText = GetText(block, kStatusText);
  settings.statusInterval = block[kStatusInterval];
  settings.txDelayMs = static_cast<int>(block[kTxDelay] * kMsPerTxDelayStep + 0.5);
  settings.restTimeMs = block[kRestTime] * kMsPerRestStep;
  settings.switchDelay = block[kSwitchDelay];

  const std::uint8_t flags = block[kFlags];
  settings.sendBeaconText = (flags & kSendBeaconText) != 0;
  settings.sendSpeedCourse = (flags & kSendSpeedCourse) != 0;
  settings.sendAltitude = (flags & kSendAltitude) != 0;
  settings.speedRelatedInterval = (flags & kSpeedRelatedInterval) != 0;
  settings.switchTransmitter = (flags & kSwitchTransmitter) != 0;
  settings.sendStatusText = (flags & kSendStatusText) != 0;
}

}  // namespace vindrel
