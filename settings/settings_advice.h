#pragma once

#include <string>
#include <vector>

#include "settings/tracker_settings.h"

namespace vindrel {

// A value the tracker takes as it is but that works badly on the air.
struct SettingsAdvice {
  const char* field;           // the record member's name, as settings files write it
  std::string finding;         // what is wrong with the value
  std::string remedy;          // what to set instead
  bool informational = false;  // a habit of other stations, not a burden on the channel
};

// Advice on settings that pass every check: obsolete digipeater aliases (RELAY, WIDE, TRACE,
// TRACEn-N, WIDEn-N with n or N above 2), WIDE1-1 anywhere but first, more than two hops in all,
// a transmission interval under 30 s without the speed-related interval, a beacon or status text
// sent more often than every 10 minutes, and (informational) an SSID that disagrees with the
// symbol: -9 is a vehicle's, -7 a handheld's (a person). Empty when the settings are sound.
std::vector<SettingsAdvice> AdviseOnSettings(const TrackerSettings& settings);

// One line of advice: "field: finding; remedy", "(info)" before an informational one.
std::string FormatAdvice(const SettingsAdvice& advice);

}  // namespace vindrel
