#include "settings/settings_advice.h"

#include <cctype>
#include <cstdlib>
#include <string_view>

namespace vindrel {
namespace {

// The path a mobile station uses in New-N networks: the nearest fill-in digipeater, then one
// wide-area hop.
constexpr char kMobilePath[] = "use WIDE1-1,WIDE2-1 (a mobile's path)";
// Texts that repeat more often than this only fill the channel: nobody reads them that fast.
constexpr int kTextSeconds = 600;
constexpr int kShortestInterval = 30;
constexpr int kMaxTextInterval = 20;  // the tracker's largest "once every N transmissions"

// Symbols of the primary table that move on their own: aircraft, motorcycle, train, car, canoe,
// tractor, balloon, police, RV, shuttle, bus, helicopter, yacht, ambulance, bicycle, fire truck,
// glider, jeep, truck, ship, lorry, van.
constexpr std::string_view kVehicleSymbols = "'<=>CFOPRSUXY^abfgjksuv";
constexpr char kPersonSymbol = '[';

struct PathPiece {
  std::string text;  // upper case, as the tracker holds it
  std::string name;  // before the "-"
  int ssid = 0;
};

std::vector<PathPiece> SplitPath(const std::string& path) {
  std::vector<PathPiece> pieces;
  std::size_t begin = 0;
  while (begin < path.size()) {
    std::size_t end = path.find(',', begin);
    if (end == std::string::npos) end = path.size();
    PathPiece piece;
    for (std::size_t i = begin; i < end; ++i) {
      piece.text += static_cast<char>(std::toupper(static_cast<unsigned char>(path[i])));
    }
    const std::size_t dash = piece.text.find('-');
    piece.name = piece.text.substr(0, dash);
    if (dash != std::string::npos) piece.ssid = std::atoi(piece.text.c_str() + dash + 1);
    pieces.push_back(piece);
    begin = end + 1;
  }
  return pieces;
}

// The n of "WIDEn" or "TRACEn" (a single digit after the prefix), 0 when the name is not one.
int NumberedAlias(const std::string& name, std::string_view prefix) {
  if (name.size() != prefix.size() + 1 || name.compare(0, prefix.size(), prefix) != 0) return 0;
  const char digit = name.back();
  return digit >= '1' && digit <= '7' ? digit - '0' : 0;
}

void AdviseOnPath(const std::string& path, std::vector<SettingsAdvice>& advice) {
  int hops = 0;
  const std::vector<PathPiece> pieces = SplitPath(path);
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    const PathPiece& p = pieces[i];
    const int wide = NumberedAlias(p.name, "WIDE");
    if (p.name == "RELAY" || p.name == "WIDE" || p.name == "TRACE") {
      advice.push_back(
          {"digipeaterPath", p.text + " is an obsolete alias, gone since New-N", kMobilePath});
    } else if (NumberedAlias(p.name, "TRACE") != 0) {
      advice.push_back({"digipeaterPath", p.text + " is obsolete since New-N (WIDEn-N traces too)",
                        kMobilePath});
    } else if (wide > 2 || (wide != 0 && p.ssid > 2)) {
      advice.push_back(
          {"digipeaterPath", p.text + " asks for more than two hops at once", kMobilePath});
    } else if (wide == 1 && i > 0) {
      advice.push_back({"digipeaterPath",
                        p.text + " is in place " + std::to_string(i + 1) +
                            ": fill-in digipeaters answer WIDE1-1 only in first place",
                        kMobilePath});
    }
    // Aliases count their remaining hops; a digipeater named by its call is one hop.
    hops += wide != 0 || NumberedAlias(p.name, "TRACE") != 0 ? p.ssid : 1;
  }
  if (hops > 2) {
    advice.push_back({"digipeaterPath",
                      path + " takes " + std::to_string(hops) +
                          " hops; more than two belong only in sparse areas",
                      kMobilePath});
  }
}

// A text sent once every `every` transmissions, `interval` seconds apart.
void AdviseOnText(const char* field, const char* what, int every, int interval,
                  std::vector<SettingsAdvice>& advice) {
  const int seconds = every * interval;
  if (seconds >= kTextSeconds) return;
  const int needed = (kTextSeconds + interval - 1) / interval;
  const std::string remedy = needed <= kMaxTextInterval
                                 ? std::string(field) + " " + std::to_string(needed) + " or more"
                                 : "a transmissionInterval of " +
                                       std::to_string(kShortestInterval) + " s or more and " +
                                       field + " " + std::to_string(kMaxTextInterval);
  advice.push_back(
      {field, std::string("the ") + what + " goes out every " + std::to_string(seconds) + " s",
       "send it at most every 10 minutes: " + remedy});
}

void AdviseOnSsidAndSymbol(const TrackerSettings& s, std::vector<SettingsAdvice>& advice) {
  const std::size_t dash = s.callsign.find('-');
  if (dash == std::string::npos || s.tableChar != "/" || s.symbolChar.size() != 1) return;
  const int ssid = std::atoi(s.callsign.c_str() + dash + 1);
  const char symbol = s.symbolChar[0];
  const std::string shown = "-" + std::to_string(ssid) + " with symbol /" + symbol;
  if (ssid == 9 && kVehicleSymbols.find(symbol) == std::string_view::npos) {
    advice.push_back({"symbolChar", shown + ": -9 is commonly a vehicle",
                      "use a vehicle symbol such as > (car), or another SSID", true});
  } else if (ssid == 7 && symbol != kPersonSymbol) {
    advice.push_back({"symbolChar", shown + ": -7 is commonly a handheld",
                      "use [ (a person), or another SSID", true});
  }
}

}  // namespace

std::vector<SettingsAdvice> AdviseOnSettings(const TrackerSettings& s) {
  std::vector<SettingsAdvice> advice;
  AdviseOnPath(s.digipeaterPath, advice);
  if (s.transmissionInterval < kShortestInterval && !s.speedRelatedInterval) {
    advice.push_back(
        {"transmissionInterval",
         std::to_string(s.transmissionInterval) + " s between positions floods the channel",
         "use " + std::to_string(kShortestInterval) + " s or more, or the speed-related interval"});
  }
  if (s.sendBeaconText) {
    AdviseOnText("beaconInterval", "beacon text", s.beaconInterval, s.transmissionInterval, advice);
  }
  if (s.sendStatusText) {
    AdviseOnText("statusInterval", "status text", s.statusInterval, s.transmissionInterval, advice);
  }
  AdviseOnSsidAndSymbol(s, advice);
  return advice;
}

std::string FormatAdvice(const SettingsAdvice& advice) {
  return (advice.informational ? "(info) " : "") + std::string(advice.field) + ": " +
         advice.finding + "; " + advice.remedy;
}

}  // namespace vindrel
