// The NMEA log and GPX readers over any content, and the replay's sentences of what they read.

#include <cmath>

#include "protocol/gps_replay.h"
#include "protocol/gps_track.h"
#include "tests/fuzz/fuzz_check.h"

using namespace vindrel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  for (const bool gpx : {false, true}) {
    Track track;
    if (gpx ? ReadGpxTrack(text, track) : ReadNmeaLog(text, track)) {
      fuzz::Check(track.points.empty(), "a track with a problem holds no points");
      continue;
    }
    for (std::size_t i = 1; i < track.points.size(); ++i) {
      fuzz::Check(track.points[i].time > track.points[i - 1].time, "points run forward in time");
    }
    const double first = track.points.front().time, last = track.points.back().time;
    for (const double f : {-0.5, 0.0, 0.3, 0.5, 0.999, 1.0, 2.0}) {
      const TrackPoint p = TrackPositionAt(track, first + f * (last - first));
      fuzz::Check(std::fabs(p.latitude) <= 90 && std::fabs(p.longitude) <= 180,
                  "positions stay on the globe");
      fuzz::Check(!p.speed || (*p.speed >= 0 && std::isfinite(*p.speed)), "speeds are finite");
      const std::string rmc = FormatFixRmc(p, 1.7e9 + f);
      fuzz::Check(rmc.size() <= 82 && rmc.ends_with("\r\n"), "an RMC sentence fits NMEA's 82");
      Track again;
      fuzz::Check(!ReadNmeaLog(rmc + FormatFixGga(p, 1.7e9 + f), again) &&
                      std::fabs(again.points[0].latitude - p.latitude) < 1e-5,
                  "the replay's sentences read back as the position they carry");
    }
  }
  return 0;
}
