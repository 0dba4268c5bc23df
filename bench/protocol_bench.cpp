// Wall time of the tracker commands against the virtual tracker pacing its bytes like a 4800-baud
// line, next to the time the bytes alone need on such a line. Each operation starts from a Down
// link, so its time includes opening the port and the handshake.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>

#include "protocol/tracker_commands.h"
#include "protocol/tracker_link.h"
#include "tools/virtual_tracker/virtual_tracker.h"

namespace {

using namespace vindrel;
using Clock = std::chrono::steady_clock;

class BenchOwner : public TrackerLinkOwner {
 public:
  int SelectedPortNumber() override { return 161; }  // <device directory>/ttyV0
  void ShowMessage(const std::string& text) override { failure = text; }
  unsigned StartTimer(unsigned, unsigned) override { return 0; }
  void StopTimer(unsigned) override {}
  std::string failure;
};

// Runs op from a Down link on every iteration; lineBytes is what crosses the line, both ways.
void MeasureAgainstLine(benchmark::State& state, std::size_t lineBytes,
                        const std::function<bool(TrackerLink&)>& op) {
  char pattern[] = "/tmp/vindrel-bench-XXXXXX";
  const std::string devices = ::mkdtemp(pattern);
  {
    VirtualTrackerOptions options;
    options.pace = true;
    options.linkPath = devices + "/ttyV0";
    VirtualTracker tracker(options);
    tracker.Start();
    BenchOwner owner;
    TrackerLink link(owner);
    link.port.SetDeviceDirectory(devices);

    double totalSeconds = 0;
    for (auto _ : state) {
      const auto start = Clock::now();
      const bool ok = op(link);
      const std::chrono::duration<double> took = Clock::now() - start;
      link.Close();
      if (!ok) {
        state.SkipWithError(("operation failed " + owner.failure).c_str());
        break;
      }
      state.SetIterationTime(took.count());
      totalSeconds += took.count();
    }
    const double lineSeconds = std::chrono::duration<double>(kLineByteTime).count() * lineBytes;
    state.counters["line_ms"] = lineSeconds * 1000;
    state.counters["ratio"] =
        state.iterations() ? totalSeconds / static_cast<double>(state.iterations()) / lineSeconds
                           : 0;
  }
  std::filesystem::remove_all(devices);
}

// "!" and its answer, the command byte and its echo: 4 bytes before every exchange.
constexpr std::size_t kHandshakeAndCommand = 4;

void BM_ReadSettings(benchmark::State& state) {
  MeasureAgainstLine(state, kHandshakeAndCommand + 256, [](TrackerLink& link) {
    TrackerSettings settings;
    return ReadSettings(link, settings);
  });
}

void BM_WriteSettings(benchmark::State& state) {
  // 0x00 and "p" with their answers, then 112 data bytes each with its "#".
  MeasureAgainstLine(state, kHandshakeAndCommand + 4 + 2 * 112, [](TrackerLink& link) {
    return WriteSettings(link, TrackerSettings{}) == WriteOutcome::Done;
  });
}

void BM_ReadVersion(benchmark::State& state) {
  MeasureAgainstLine(state, kHandshakeAndCommand + 2,
                     [](TrackerLink& link) { return ReadVersion(link).has_value(); });
}

BENCHMARK(BM_ReadSettings)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteSettings)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadVersion)->Iterations(50)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
