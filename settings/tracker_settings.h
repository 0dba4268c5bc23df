#pragma once

#include <string>

namespace vindrel {

// Every setting of the tracker that the utility edits. Texts are 8-bit byte strings (Latin-1 on
// the line); integers are kept as int even where the tracker stores one byte. The limits noted
// are those the dialog's validation enforces; the record itself accepts any value.
struct TrackerSettings {
  std::string callsign = "NOCALL";          // at most 9 characters, "CALL" or "CALL-SSID"
  std::string symbolChar = "-";             // APRS symbol code; only the first byte is used
  std::string tableChar = "/";              // "/" primary table, "\\" alternate table
  std::string digipeaterPath = "TRACE3-3";  // up to three addresses joined by ","; <= 28 chars
  bool sendBeaconText = true;
  int beaconInterval = 5;              // beacon text once every N transmissions, 1..20
  std::string beaconText = "VINDrel";  // at most 31 characters
  bool sendStatusText = false;
  int statusInterval = 10;                      // status text once every N transmissions, 1..20
  std::string statusText = "VINDrel onderweg";  // at most 31 characters
  bool sendSpeedCourse = false;
  bool sendAltitude = false;
  int transmissionInterval = 60;  // seconds between transmissions, 5..255
  bool speedRelatedInterval = false;
  int txDelayMs = 300;   // transmitter key-up delay, 0..1200 ms
  int restTimeMs = 100;  // 0..1200 ms
  bool switchTransmitter = false;
  int switchDelay = 10;  // seconds, 0..10

  void ResetToDefaults() { *this = TrackerSettings{}; }
  bool operator==(const TrackerSettings&) const = default;
};

}  // namespace vindrel
