#include "protocol/gps_simulation.h"

#include <cstdint>
#include <cstdio>

#include "protocol/gps_track.h"

namespace vindrel {
namespace {

constexpr const char* kGpsErrorMessage = "Error in GPS simulation";

}  // namespace

// A short write keeps the port open, so that the next tracker command sends its byte on it
// without a new handshake.
void WriteGpsSentence(TrackerLink& link, const std::string& sentence) {
  const auto size = static_cast<std::uint32_t>(sentence.size());
  if (link.port.Write(sentence.data(), size) < size) {
    link.Owner().ShowMessage(kGpsErrorMessage);
    link.Owner().StopTimer(link.gpsTimer);
    link.gpsTimer = 0;
    link.portOpen = true;
  }
}

// Ends a sentence as a GPS receiver does: its checksum, then CR LF. A firmware that checks
// checksums drops a sentence whose checksum does not match, so it is computed, never fixed.
std::string FinishNmeaSentence(std::string_view text) {
  char tail[8];
  std::snprintf(tail, sizeof tail, "*%02X\r\n", unsigned{NmeaChecksum(text.substr(1))});
  return std::string(text) + tail;
}

namespace {

// The speed is formatted from 64 bits: a switching delay left out of its limits by a failed
// check must not overflow when multiplied by ten.
std::string FormatRmc(long long speed, int course) {
  char text[128];
  const int n = std::snprintf(text, sizeof text,
                              "$GPRMC,092204.999,A,5200.0000,N,00500.0000,E,%lld.00,%d.00,211200,,",
                              speed, course);
  return FinishNmeaSentence({text, static_cast<std::size_t>(n)});
}

}  // namespace

std::string FormatRmcSentence(int speed, int course) { return FormatRmc(speed, course); }

std::string FormatGgaSentence(int altitude) {
  char text[128];
  const int n = std::snprintf(text, sizeof text,
                              "$GPGGA,092204.999,5200.0000,N,00500.0000,E,1,04,24.4,%d.0,M,,,,0000",
                              altitude);
  return FinishNmeaSentence({text, static_cast<std::size_t>(n)});
}

void StartGpsSimulation(TrackerLink& link, int& gpsTickCount) {
  // No purge or flush here, unlike a connect: the simulation only writes.
  if (link.portOpen) {
    link.port.Close();
    link.portOpen = false;
  }
  // The link's time-outs, so that a sentence that cannot go out ends as a short write, and a
  // command sent on this port after the simulation stopped never waits without bound.
  link.OpenPort(link.Owner().SelectedPortNumber());
  link.gpsTimer = link.Owner().StartTimer(kGpsTimerId, kGpsTimerPeriodMs);
  gpsTickCount = 0;
}

void GpsSimulationTick(TrackerLink& link, const TrackerSettings& settings, int& gpsTickCount) {
  const int n = ++gpsTickCount;
  WriteGpsSentence(link, FormatRmc(settings.switchDelay * 10LL, (n % 36) * 10));
  WriteGpsSentence(link, FormatGgaSentence(kGpsAltitude));
}

}  // namespace vindrel
