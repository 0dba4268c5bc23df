#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vindrel {

// One recorded position. Times are seconds on the track's own clock: only differences count,
// since a replay shifts them to the present.
struct TrackPoint {
  double time = 0;
  double latitude = 0, longitude = 0;  // degrees, north and east positive
  std::optional<double> altitude;      // metres
  std::optional<double> speed;         // knots, as a receiver reported it (NMEA logs only)
  std::optional<double> course;        // degrees true, likewise
};

// A drive in time order, each point later than the one before.
struct Track {
  std::vector<TrackPoint> points;
  int badChecksums = 0;  // NMEA sentences skipped because their checksum did not hold
};

// Reads a receiver's NMEA 0183 log: noise between sentences is passed over, sentences whose
// checksum is missing or wrong are skipped and counted. RMC sentences with status A and GGA
// sentences with a fix give positions; an RMC and a GGA of the same time make one point. The
// time of day runs on across midnight. nullopt on success, else what is wrong with the log.
std::optional<std::string> ReadNmeaLog(std::string_view text, Track& track);

// Reads the track points (with time) of a GPX 1.1 file, every track and segment in order.
std::optional<std::string> ReadGpxTrack(std::string_view text, Track& track);

// Either reader, chosen by the content (GPX is XML). Messages name the file.
std::optional<std::string> ReadTrackFile(const std::string& path, Track& track);

// A decimal number as NMEA and GPX write it ("-12.5", "4.8e1"), the whole text: no blanks, no
// "+", always "." as the point, whatever locale the program runs in. nullopt otherwise and for a
// value beyond double's range.
std::optional<double> DecimalNumber(std::string_view text);

// The NMEA 0183 checksum of a sentence's body (the bytes between "$" and "*").
unsigned char NmeaChecksum(std::string_view body);

// Where the track is at a time on its clock: between two points along the great circle, the
// altitude in proportion. The speed and course are the receiver's where the log holds them, else
// those of the way to the next point; at a stop and after the end the speed is 0 and the course
// the last one driven. Before the first point, the first point.
TrackPoint TrackPositionAt(const Track& track, double time);

}  // namespace vindrel
