#include "cli/gps_replay_command.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ostream>
#include <thread>

#include "cli/vindrel.h"
#include "protocol/gps_replay.h"
#include "protocol/gps_simulation.h"

namespace vindrel {
namespace {

void ShowProgress(std::ostream& out, double offset, const TrackPoint& fix) {
  const long long s = std::llround(offset);
  char line[128];
  std::snprintf(line, sizeof line, "\r%lld:%02lld:%02lld  %8.5f %c  %9.5f %c  %5.1f kn", s / 3600,
                s / 60 % 60, s % 60, std::fabs(fix.latitude), fix.latitude < 0 ? 'S' : 'N',
                std::fabs(fix.longitude), fix.longitude < 0 ? 'W' : 'E', fix.speed.value_or(0));
  out << line << std::flush;
}

}  // namespace

int ReplayGpsTrack(TrackerLink& link, const Track& track, const ReplayOptions& options,
                   std::ostream* progress) {
  using Clock = std::chrono::steady_clock;
  int ticks = 0;
  StartGpsSimulation(link, ticks);
  const Clock::time_point start = Clock::now();
  const double startUtc =
      std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
  const std::chrono::milliseconds period(kGpsTimerPeriodMs);
  const double first = track.points.front().time;
  const double length = track.points.back().time - first;
  const double step = options.speed * kGpsTimerPeriodMs / 1000.0;
  for (int n = 0;; ++n) {
    if (options.seconds > 0 && n * period >= std::chrono::seconds(options.seconds)) {
      std::this_thread::sleep_until(start + std::chrono::seconds(options.seconds));
      break;
    }
    const double elapsed = n * step;  // on the track's clock since the start
    if (!options.loop && elapsed >= length + step) break;
    const double offset =
        options.loop && length > 0 ? std::fmod(elapsed, length) : std::min(elapsed, length);
    std::this_thread::sleep_until(start + n * period);
    const TrackPoint fix = TrackPositionAt(track, first + offset);
    SendGpsFix(link, fix, startUtc + elapsed);
    if (progress) ShowProgress(*progress, offset, fix);
    if (link.gpsTimer == 0) {  // a short write ended it
      if (progress) *progress << '\n';
      return kExitNoAnswer;
    }
  }
  if (progress) *progress << '\n';
  return kExitDone;
}

}  // namespace vindrel
