#include "settings/settings_advice.h"

#include <gtest/gtest.h>

#include <functional>

namespace vindrel {
namespace {

// A sound mobile: New-N path, a minute between positions, texts every ten minutes.
TrackerSettings Sound() {
  TrackerSettings s;
  s.callsign = "PA3XYZ-9";
  s.symbolChar = ">";
  s.digipeaterPath = "WIDE1-1,WIDE2-1";
  s.beaconInterval = 10;
  s.sendStatusText = true;
  return s;
}

// Each change to a sound record against the advice it must bring, one line each, in order;
// changes that stay sound bring none.
TEST(SettingsAdvice, NamesEachBadValueWithItsRemedy) {
  using Change = std::function<void(TrackerSettings&)>;
  auto path = [](const char* p) { return [p](TrackerSettings& s) { s.digipeaterPath = p; }; };
  const std::pair<Change, std::vector<std::string>> cases[] = {
      {[](TrackerSettings&) {}, {}},
      {path(""), {}},
      {path("WIDE2-2"), {}},
      {path("PE1ABC,WIDE2-1"), {}},
      {path("trace3-3"),
       {"digipeaterPath: TRACE3-3 is obsolete", "digipeaterPath: trace3-3 takes 3 hops"}},
      {path("RELAY,WIDE"), {"RELAY is an obsolete alias", "WIDE is an obsolete alias"}},
      {path("WIDE3-1"), {"WIDE3-1 asks for more than two hops"}},
      {path("WIDE2-3"), {"WIDE2-3 asks for more", "takes 3 hops"}},
      {path("WIDE2-1,WIDE1-1"), {"WIDE1-1 is in place 2"}},
      {path("WIDE1-1,WIDE2-2"),
       {"WIDE1-1,WIDE2-2 takes 3 hops; more than two belong only in "
        "sparse areas; use WIDE1-1,WIDE2-1"}},
      {path("A,B,C"), {"takes 3 hops"}},
      {[](TrackerSettings& s) { s.transmissionInterval = 29; },
       {"transmissionInterval: 29 s between positions floods the channel; use 30 s or more",
        "beaconInterval: the beacon text goes out every 290 s; send it at most every 10 "
        "minutes: a transmissionInterval of 30 s or more and beaconInterval 20",
        "statusInterval: the status text goes out every 290"}},
      {[](TrackerSettings& s) {
         s.transmissionInterval = 5;
         s.speedRelatedInterval = true;
         s.sendBeaconText = s.sendStatusText = false;
       },
       {}},
      {[](TrackerSettings& s) { s.transmissionInterval = 5; },
       {"transmissionInterval: 5 s", "Interval of 30 s or more and beaconInterval 20",
        "Interval of 30 s or more and statusInterval 20"}},
      {[](TrackerSettings& s) { s.statusInterval = 9; },
       {"statusInterval: the status text goes out every 540 s; send it at most every 10 "
        "minutes: statusInterval 10 or more"}},
      {[](TrackerSettings& s) { s.symbolChar = "-"; },
       {"(info) symbolChar: -9 with symbol /-: -9 is commonly a vehicle"}},
      {[](TrackerSettings& s) { s.callsign = "PA3XYZ-7"; }, {"(info) symbolChar: -7 with"}},
      {[](TrackerSettings& s) { s.callsign = "PA3XYZ-7", s.symbolChar = "["; }, {}},
      {[](TrackerSettings& s) { s.callsign = "PA3XYZ-9", s.tableChar = "\\"; }, {}},
  };
  int n = 0;
  for (const auto& [change, expected] : cases) {
    SCOPED_TRACE(n++);
    TrackerSettings s = Sound();
    change(s);
    const std::vector<SettingsAdvice> advice = AdviseOnSettings(s);
    ASSERT_EQ(advice.size(), expected.size()) << (advice.empty() ? "" : advice[0].finding);
    for (std::size_t i = 0; i < advice.size(); ++i) {
      EXPECT_NE(FormatAdvice(advice[i]).find(expected[i]), std::string::npos)
          << FormatAdvice(advice[i]) << "\nexpected: " << expected[i];
      EXPECT_EQ(advice[i].informational, expected[i].starts_with("(info)"));
    }
  }
}

}  // namespace
}  // namespace vindrel
