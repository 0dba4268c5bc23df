#include "protocol/tracker_commands.h"

#include "settings/settings_block.h"

namespace vindrel {

namespace {

constexpr std::uint8_t kReadSettings = 'D';
constexpr std::uint8_t kWriteSettings = 'U';
constexpr std::uint8_t kReadVersion = 'V';
constexpr std::uint8_t kLowTone = 'L';
constexpr std::uint8_t kHighTone = 'H';
constexpr std::uint8_t kBeginSquelch = 'A';
constexpr std::uint8_t kEndSquelch = '*';

constexpr std::uint8_t kWriteStart = 0x00;
constexpr std::uint8_t kWriteReady = 'p';
constexpr std::uint8_t kAcknowledge = '#';

// One step of the write exchange: the byte goes out and exactly the expected answer comes back.
bool Exchange(CSerialPort& port, std::uint8_t out, std::uint8_t expected) {
  if (port.Write(&out, 1) != 1) return false;
  std::uint8_t in = 0;
  return port.Read(&in, 1) == 1 && in == expected;
}

}  // namespace

std::optional<SettingsBlock> ReadSettingsImage(TrackerLink& link) {
  if (!link.SendCommand(kReadSettings)) return std::nullopt;
  SettingsBlock block;
  if (link.port.Read(block.data(), block.size()) != block.size()) return std::nullopt;
  return block;
}

bool ReadSettings(TrackerLink& link, TrackerSettings& settings) {
  const std::optional<SettingsBlock> block = ReadSettingsImage(link);
  if (block) DecodeSettingsBlock(*block, settings);
  return block.has_value();
}

WriteOutcome WriteSettings(TrackerLink& link, const TrackerSettings& settings) {
  if (!link.Connected() && !link.Connect()) {
    link.Close();
    return WriteOutcome::NotConnected;
  }
  if (!link.SendCommand(kWriteSettings)) {
    link.Close();
    return WriteOutcome::NoEcho;
  }
  const SettingsBlock block = EncodeSettingsBlock(settings);
  if (!Exchange(link.port, kWriteStart, kWriteStart) ||
      !Exchange(link.port, kWriteReady, kWriteReady)) {
    return WriteOutcome::ExchangeFailed;
  }
  for (std::size_t i = 0; i < kSettingsWriteSize; ++i) {
    if (!Exchange(link.port, block[i], kAcknowledge)) return WriteOutcome::ExchangeFailed;
  }
  link.Close();
  return WriteOutcome::Done;
}

std::string VersionText(const std::array<std::uint8_t, 2>& version) {
  return std::to_string(static_cast<std::int8_t>(version[0])) + "." +
         std::to_string(static_cast<std::int8_t>(version[1]));
}

std::optional<std::array<std::uint8_t, 2>> ReadVersion(TrackerLink& link) {
  if (!link.SendCommand(kReadVersion)) return std::nullopt;
  std::array<std::uint8_t, 2> version{};
  if (link.port.Read(version.data(), version.size()) != version.size()) return std::nullopt;
  return version;
}

bool SendLowTone(TrackerLink& link) { return link.SendCommand(kLowTone); }

bool SendHighTone(TrackerLink& link) { return link.SendCommand(kHighTone); }

bool BeginSquelchAdjustment(TrackerLink& link) { return link.SendCommand(kBeginSquelch); }

void EndSquelchAdjustment(TrackerLink& link) {
  // Whatever the link's state and whatever count comes back: the tracker only listens for it.
  link.port.Write(&kEndSquelch, 1);
}

}  // namespace vindrel
