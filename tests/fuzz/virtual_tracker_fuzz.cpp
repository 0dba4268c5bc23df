// The virtual tracker's handling of whatever bytes arrive on its line. A first line that names a
// fault as on its command line ("ack-limit=5\n") sets that fault; everything else goes on the
// line, written as fast as the pseudo-terminal takes it while the answers are read away.

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <string_view>

#include "tests/fuzz/fuzz_check.h"
#include "tools/virtual_tracker/tracker_line.h"
#include "tools/virtual_tracker/virtual_tracker.h"

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
  VirtualTrackerOptions options;
  if (const auto end = line.find('\n');
      end != line.npos && ParseVirtualTrackerFault(line.substr(0, end), options.faults)) {
    line.remove_prefix(end + 1);
  }
  VirtualTracker tracker(options);
  tracker.Start();
  const UniqueFd client(::open(tracker.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK));
  fuzz::Check(static_cast<bool>(client), "the pseudo-terminal opens");

  // Far above what a few kilobytes take on a pseudo-terminal: a tracker that needs longer has
  // stopped taking bytes.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  std::size_t sent = 0;
  while (tracker.IsRunning() && tracker.ReceivedBytes().size() < line.size()) {
    fuzz::Check(std::chrono::steady_clock::now() < deadline, "the tracker keeps taking bytes");
    pollfd fd{client.Get(), static_cast<short>(POLLIN | (sent < line.size() ? POLLOUT : 0)), 0};
    ::poll(&fd, 1, 1);
    sent += std::max<ssize_t>(0, ::write(client.Get(), line.data() + sent, line.size() - sent));
    for (char answer[4096]; ::read(client.Get(), answer, sizeof answer) > 0;) continue;
  }
  const bool hungUp = !tracker.IsRunning();
  tracker.Stop();

  const auto received = tracker.ReceivedBytes();
  fuzz::Check(line.starts_with(std::string(received.begin(), received.end())),
              "the tracker receives the bytes in order, none added");
  fuzz::Check(hungUp || received.size() == line.size(), "every byte reaches the tracker");
  for (const std::string& sentence : tracker.ReceivedNmea()) {
    fuzz::Check(ChecksumHolds(sentence), "only a sentence whose checksum holds counts as a fix");
  }
  fuzz::Check(tracker.WriteCount() <= std::count(line.begin(), line.end(), 'U'),
              "each stored write began with its command byte");
  return 0;
}
