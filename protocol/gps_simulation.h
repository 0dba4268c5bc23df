#pragma once

#include <string>
#include <string_view>

#include "protocol/tracker_link.h"
#include "settings/tracker_settings.h"

namespace vindrel {

// The NMEA 0183 sentences that stand in for the tracker's GPS receiver, sent as such a receiver
// sends them: "*", the checksum (XOR of the bytes between "$" and "*", two upper-case hexadecimal
// digits), then CR LF. Time, date and position are fixed.
std::string FormatRmcSentence(int speed, int course);  // speed in knots, course in degrees
std::string FormatGgaSentence(int altitude);           // altitude in metres

// A sentence's text from "$" to its last field, finished with "*", its checksum and CR LF.
std::string FinishNmeaSentence(std::string_view text);

// Writes one sentence; a short write shows "Error in GPS simulation" and stops the simulation,
// leaving the port open for the next command.
void WriteGpsSentence(TrackerLink& link, const std::string& sentence);

inline constexpr unsigned kGpsTimerId = 1;
inline constexpr unsigned kGpsTimerPeriodMs = 2000;
inline constexpr int kGpsAltitude = 100;

// Takes the port over from the link (closing it without a handshake when it was up), reopens
// the selected port at 4800 8N1, starts the owner's timer and restarts the course at zero.
// Serial errors are not caught: a failed open starts no timer.
void StartGpsSimulation(TrackerLink& link, int& gpsTickCount);

// One tick: an RMC and a GGA sentence, speed = switchDelay x 10 knots, course turning 10
// degrees per tick. A short write shows "Error in GPS simulation" and stops the simulation,
// leaving the port open for the next command.
void GpsSimulationTick(TrackerLink& link, const TrackerSettings& settings, int& gpsTickCount);

}  // namespace vindrel
