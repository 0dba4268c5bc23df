#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "protocol/tracker_link.h"
#include "settings/settings_block.h"
#include "settings/tracker_settings.h"

namespace vindrel {

// "D": the tracker's 256-byte image exactly as received; nullopt when the command found no echo
// or the image came short.
std::optional<SettingsBlock> ReadSettingsImage(TrackerLink& link);

// "D": reads the 256-byte image and decodes it into settings. On failure the record is untouched.
bool ReadSettings(TrackerLink& link, TrackerSettings& settings);

enum class WriteOutcome {
  NotConnected,    // the handshake failed; the connect has said so
  NoEcho,          // the tracker answered the handshake but did not echo the command
  ExchangeFailed,  // the exchange broke off: the tracker may hold part of the new settings
  Done
};

// "U": sends bytes 0..111 of the encoded image, each acknowledged with "#". Closes the link after
// NotConnected, NoEcho and Done; leaves it up after ExchangeFailed.
WriteOutcome WriteSettings(TrackerLink& link, const TrackerSettings& settings);

// "V": the two version bytes in the order received.
std::optional<std::array<std::uint8_t, 2>> ReadVersion(TrackerLink& link);
// The version as people read it, "1.7": each byte a signed 8-bit number.
std::string VersionText(const std::array<std::uint8_t, 2>& version);

// "L" (1200 Hz) and "H" (2200 Hz) test tones; true when echoed.
bool SendLowTone(TrackerLink& link);
bool SendHighTone(TrackerLink& link);

// "A" puts the tracker into squelch adjustment; true when echoed.
bool BeginSquelchAdjustment(TrackerLink& link);
// Writes "*" whatever the link's state; raises CSerialException on a closed port.
void EndSquelchAdjustment(TrackerLink& link);

}  // namespace vindrel
