// Soak: many exchanges against the in-process virtual tracker on a pseudo-terminal, watching the
// process's open descriptors and resident memory.
//
// 1. Read/write cycles: read the settings, write them back (the write closes the link, so every
//    cycle connects afresh).
// 2. Vanishing device: a write during which the tracker hangs up at a random received byte, the
//    tracker comes back at the same path, then a read, which must succeed. As the dialog does
//    after a serial error, the link is closed when a command ends in CSerialException.
//
// Usage: soak_bench [CYCLES [VANISH_CYCLES [SEED]]]   (defaults 1000, 200, 1)

#include <dirent.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "protocol/tracker_commands.h"
#include "protocol/tracker_link.h"
#include "serial/serial_exception.h"
#include "tools/virtual_tracker/virtual_tracker.h"

namespace {

using namespace vindrel;
using Clock = std::chrono::steady_clock;

constexpr int kWarmUp = 10;  // cycles before the start figures, not counted in the timings

class SoakOwner : public TrackerLinkOwner {
 public:
  int SelectedPortNumber() override { return 161; }  // <device directory>/ttyV0
  void ShowMessage(const std::string& text) override { lastMessage = text; }
  unsigned StartTimer(unsigned, unsigned) override { return 0; }
  void StopTimer(unsigned) override {}
  std::string lastMessage;
};

int OpenDescriptors() {
  int count = 0;
  DIR* dir = ::opendir("/proc/self/fd");
  if (dir == nullptr) return -1;
  while (const dirent* entry = ::readdir(dir)) count += entry->d_name[0] != '.';
  ::closedir(dir);
  return count - 1;  // the directory's own descriptor
}

long ResidentKiB() {
  long size = 0, resident = 0;
  std::ifstream("/proc/self/statm") >> size >> resident;
  return resident * (::sysconf(_SC_PAGESIZE) / 1024);
}

struct Usage {
  int descriptors = OpenDescriptors();
  long residentKiB = ResidentKiB();
};

void Report(const char* what, std::vector<double>& micros, const Usage& start, const Usage& end) {
  std::sort(micros.begin(), micros.end());
  double sum = 0;
  for (double m : micros) sum += m;
  std::printf("%s: %zu cycles, per cycle mean %.0f us, median %.0f us, worst %.0f us\n", what,
              micros.size(), sum / micros.size(), micros[micros.size() / 2], micros.back());
  std::printf("  descriptors %d -> %d, resident memory %ld -> %ld KiB\n", start.descriptors,
              end.descriptors, start.residentKiB, end.residentKiB);
}

std::unique_ptr<VirtualTracker> StartTracker(const std::string& path, VirtualTrackerFaults faults) {
  VirtualTrackerOptions options;
  options.linkPath = path;
  options.faults = faults;
  options.keepHistory = false;  // the tracker's own log would grow with every cycle
  auto tracker = std::make_unique<VirtualTracker>(std::move(options));
  tracker->Start();
  return tracker;
}

// A command as the dialog runs it: a serial error ends it and closes the link.
template <typename Command>
bool Run(TrackerLink& link, Command command, int& serialErrors) {
  try {
    return command();
  } catch (const CSerialException&) {
    ++serialErrors;
    link.Close();
    return false;
  }
}

}  // namespace

int main(int argc, char** argv) {
  const int cycles = argc > 1 ? std::atoi(argv[1]) : 1000;
  const int vanishCycles = argc > 2 ? std::atoi(argv[2]) : 200;
  const unsigned seed = argc > 3 ? static_cast<unsigned>(std::atoi(argv[3])) : 1;
  if (cycles < 1 || vanishCycles < 1) {
    std::fprintf(stderr, "usage: soak_bench [CYCLES [VANISH_CYCLES [SEED]]]\n");
    return 2;
  }
  char pattern[] = "/tmp/vindrel-soak-XXXXXX";
  if (::mkdtemp(pattern) == nullptr) return 1;
  const std::string devices = pattern;
  const std::string path = devices + "/ttyV0";
  int failures = 0;
  {
    SoakOwner owner;
    TrackerLink link(owner);
    link.port.SetDeviceDirectory(devices);
    TrackerSettings settings;

    auto tracker = StartTracker(path, {});
    const auto cycle = [&] {
      return ReadSettings(link, settings) && WriteSettings(link, settings) == WriteOutcome::Done;
    };
    // A few cycles first: they fault in the code and the thread-stack cache, which then stay.
    for (int i = 0; i < kWarmUp; ++i) failures += !cycle();
    // Filled before the start figures, so that its pages count at both ends.
    std::vector<double> micros(static_cast<std::size_t>(cycles));
    Usage start;  // read twice: the first reading's own buffers then count in every later one
    start = Usage();
    for (double& m : micros) {
      const auto begin = Clock::now();
      failures += !cycle();
      m = std::chrono::duration<double, std::micro>(Clock::now() - begin).count();
    }
    const Usage end;
    Report("read/write", micros, start, end);

    // The write exchange: "!" and "U", then 0x00, "p" and 112 data bytes.
    std::mt19937 random(seed);
    std::uniform_int_distribution<std::size_t> hangUpAt(1, 2 + 2 + kSettingsWriteSize);
    int serialErrors = 0, readsFailed = 0;
    // One vanishing-device cycle; true when the read after the return succeeded.
    const auto vanish = [&] {
      VirtualTrackerFaults faults;
      faults.hangUpAfter = hangUpAt(random);
      tracker.reset();  // gone, and back with a fault at the same path
      tracker = StartTracker(path, faults);
      Run(
          link, [&] { return WriteSettings(link, settings) == WriteOutcome::Done; }, serialErrors);
      tracker.reset();  // unplugged, and plugged in again
      tracker = StartTracker(path, {});
      const bool ok = Run(
          link, [&] { return ReadSettings(link, settings); }, serialErrors);
      link.Close();  // the next cycle starts, as the measurements do, with the link Down
      return ok;
    };
    for (int i = 0; i < kWarmUp; ++i) readsFailed += !vanish();
    micros.assign(static_cast<std::size_t>(vanishCycles), 0);
    const Usage vanishStart;
    for (double& m : micros) {
      const auto begin = Clock::now();
      readsFailed += !vanish();
      m = std::chrono::duration<double, std::micro>(Clock::now() - begin).count();
    }
    const Usage vanishEnd;
    Report("vanishing device", micros, vanishStart, vanishEnd);
    std::printf(
        "  seed %u, %d serial errors closed the link, %d of %d reads after a return "
        "failed\n",
        seed, serialErrors, readsFailed, vanishCycles + kWarmUp);
    failures += readsFailed;
  }
  std::filesystem::remove_all(devices);
  if (failures > 0) std::printf("%d cycles FAILED\n", failures);
  return failures > 0 ? 1 : 0;
}
