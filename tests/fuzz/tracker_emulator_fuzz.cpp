// The tracker emulator's handling of whatever bytes arrive on its line. A first line that names a
// fault as on the virtual tracker's command line ("ack-limit=5\n") sets that fault; every other
// byte arrives one byte time after the one before.

#include <algorithm>
#include <string>
#include <string_view>

#include "emulator/tracker_emulator.h"
#include "tests/fuzz/fuzz_check.h"

using namespace vindrel;

// "$...*hh": hh is the exclusive or of every byte between "$" and "*".
static bool ChecksumHolds(const std::string& s) {
  const std::size_t star = s.find('*');
  unsigned sum = 0;
  for (std::size_t i = 1; i < std::min(star, s.size()); ++i) sum ^= std::uint8_t(s[i]);
  return s.starts_with('$') && star != s.npos && star + 3 <= s.size() &&
         std::stoul(s.substr(star + 1, 2), nullptr, 16) == sum;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view line(reinterpret_cast<const char*>(data), size);
  TrackerEmulatorOptions options;
  if (const auto end = line.find('\n');
      end != line.npos && ParseVirtualTrackerFault(line.substr(0, end), options.faults)) {
    line.remove_prefix(end + 1);
  }
  TrackerEmulator tracker(options);
  TrackerEmulator::Clock::time_point at{}, sent{};
  for (const char c : line) {
    at += kLineByteTime;
    tracker.Receive(static_cast<std::uint8_t>(c), at);
    for (const TrackerEmulator::Output& out : tracker.TakeOutput()) {
      fuzz::Check(out.notBefore >= sent && out.notBefore >= at - kLineByteTime,
                  "answers go out in order, never before what they answer");
      sent = out.notBefore;
    }
  }

  const auto& received = tracker.ReceivedBytes();
  fuzz::Check(line.starts_with(std::string(received.begin(), received.end())),
              "the tracker receives the bytes in order, none added");
  fuzz::Check(tracker.HungUp() || received.size() == line.size(), "every byte reaches the tracker");
  for (const std::string& sentence : tracker.ReceivedNmea()) {
    fuzz::Check(ChecksumHolds(sentence), "only a sentence whose checksum holds counts as a fix");
  }
  fuzz::Check(tracker.WriteCount() <= std::count(line.begin(), line.end(), 'U'),
              "each stored write began with its command byte");
  return 0;
}
