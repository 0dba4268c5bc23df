#pragma once

#include <iosfwd>

#include "protocol/gps_track.h"
#include "protocol/tracker_link.h"

namespace vindrel {

struct ReplayOptions {
  double speed = 1;   // track seconds per second: 4 advances the track 8 s per 2-s tick
  bool loop = false;  // from the start again after the end, the times running on
  int seconds = 0;    // stop after this many seconds; 0: at the track's end (never with loop)
};

// Takes the port over as the simulation does and sends a fix of the track every 2 s, the first
// at once and the track's end as the last, its times shifted to the present. progress, when
// given, gets a line that each tick rewrites: time in the track, position, speed. Returns
// kExitDone, or kExitNoAnswer when a short write ended it. Serial errors are not caught.
int ReplayGpsTrack(TrackerLink& link, const Track& track, const ReplayOptions& options,
                   std::ostream* progress);

// Whether standard error is a terminal, where a progress line that rewrites itself can be read.
bool StandardErrorIsTerminal();

}  // namespace vindrel
