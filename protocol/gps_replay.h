#pragma once

#include <string>

#include "protocol/gps_track.h"
#include "protocol/tracker_link.h"

namespace vindrel {

// The RMC and GGA sentences of a fix as a receiver sends them at the moment utc (seconds since
// 1970): position to a ten-thousandth of a minute, speed in knots and course to a hundredth,
// altitude to a tenth of a metre (empty when the track has none). Checksums and CR LF as in the
// simulation.
std::string FormatFixRmc(const TrackPoint& fix, double utc);
std::string FormatFixGga(const TrackPoint& fix, double utc);

// One replay tick: the fix's RMC and GGA sentences, each checked for a short write as in the
// simulation.
void SendGpsFix(TrackerLink& link, const TrackPoint& fix, double utc);

}  // namespace vindrel
