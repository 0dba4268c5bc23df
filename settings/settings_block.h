#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "settings/tracker_settings.h"

namespace vindrel {

// The tracker's 256-byte settings image. Bytes 0..111 hold every setting and are what a write
// sends; the rest belongs to the tracker.
using SettingsBlock = std::array<std::uint8_t, 256>;

inline constexpr std::size_t kSettingsWriteSize = 112;

// The record as the tracker keeps it. Bytes 112..255 are 0xFF. A path of more than three pieces
// keeps the first three, the third carrying the end-of-address mark. A zero byte ends a text.
SettingsBlock EncodeSettingsBlock(const TrackerSettings& settings);

// Overwrites every field of settings from the image. Never reads outside the block; a text
// without a terminating zero ends at its own field's end.
void DecodeSettingsBlock(const SettingsBlock& block, TrackerSettings& settings);

}  // namespace vindrel
