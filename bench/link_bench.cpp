// Wall time of the tracker link's exchanges against a virtual tracker that runs outside this
// process, so that one tracker can time the Linux build and, under wine, the Windows build, or
// against the program's own tracker on the in-process port:
//   link_bench PORT [DEVICE_DIRECTORY] [RUNS]
// PORT is the number the port list would give (161 for <DEVICE_DIRECTORY>/ttyV0 on Linux, the
// mapped COM number under wine), or "virtual" for the in-process port. Prints the median and
// fastest run of each exchange next to the time its bytes need on a 4800-baud line. No Google
// Benchmark: it has no Windows build here.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "emulator/tracker_emulator.h"

#include "protocol/tracker_commands.h"
#include "protocol/tracker_link.h"
#include "serial/in_process_device.h"

namespace {

using namespace vindrel;
using Clock = std::chrono::steady_clock;

constexpr double kLineByteMs = 10.0 * 1000.0 / 4800.0;  // start bit, 8 data bits, stop bit

class BenchOwner : public TrackerLinkOwner {
 public:
  explicit BenchOwner(int port) : port(port) {}
  int SelectedPortNumber() override { return port; }
  void ShowMessage(const std::string& text) override { std::fprintf(stderr, "%s\n", text.c_str()); }
  unsigned StartTimer(unsigned, unsigned) override { return 0; }
  void StopTimer(unsigned) override {}
  int port;
};

// Runs op runs times and prints one line; false when an exchange failed.
bool Measure(const char* what, int runs, std::size_t lineBytes, const std::function<bool()>& op) {
  std::vector<double> ms;
  for (int i = 0; i < runs; ++i) {
    const auto start = Clock::now();
    if (!op()) {
      std::fprintf(stderr, "%s failed\n", what);
      return false;
    }
    ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  std::sort(ms.begin(), ms.end());
  std::printf("%-34s %5d %10.2f %10.2f %10.2f\n", what, runs, ms[ms.size() / 2], ms.front(),
              kLineByteMs * static_cast<double>(lineBytes));
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: link_bench PORT [DEVICE_DIRECTORY] [RUNS]\n");
    return 2;
  }
  const bool inProcess = std::string_view(argv[1]) == "virtual";
  if (inProcess) {
    RegisterInProcessPort({kVirtualTrackerName, kVirtualTrackerDescription,
                           std::make_shared<InProcessDeviceOf<TrackerEmulator>>()});
  }
  BenchOwner owner(inProcess ? kInProcessPortNumber : std::atoi(argv[1]));
  TrackerLink link(owner);
  if (argc > 2) {
    link.port.SetDeviceDirectory(argv[2]);
  }
  const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;

  std::printf("%-34s %5s %10s %10s %10s\n", "exchange", "runs", "median ms", "fastest ms",
              "line ms");
  TrackerSettings settings;
  // One command byte and its echo on an Up link: the round trip every exchange is made of.
  const bool ok =
      link.Connect() &&
      Measure("round trip (command and echo)", runs * 20, 2, [&] { return SendLowTone(link); }) &&
      // From a Down link: open, handshake, "D" and its echo, the 256-byte image.
      Measure("read settings (from closed)", runs, 4 + 256,
              [&] {
                link.Close();
                return ReadSettings(link, settings);
              }) &&
      // Open, handshake, "U", 0x00 and "p" with their answers, 112 bytes each with its "#".
      Measure("write settings (from closed)", runs, 4 + 4 + 2 * 112, [&] {
        link.Close();
        return WriteSettings(link, settings) == WriteOutcome::Done;
      });
  return ok ? 0 : 1;
}
