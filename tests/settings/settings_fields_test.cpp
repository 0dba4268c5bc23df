#include "settings/settings_fields.h"

#include <gtest/gtest.h>

#include <climits>

namespace vindrel {
namespace {

TEST(SettingsFields, IntegersAreReadAsTheChecksAcceptThem) {
  const std::string longest = "1" + std::string(30, ' ');  // 31 characters: the rest is unread
  const std::pair<std::string, std::optional<int>> cases[] = {
      {"5", 5},
      {" \t-12\t ", -12},
      {"+7", 7},
      {"0", 0},
      {" 00", 0},
      {"007", 7},
      {"2147483647", INT_MAX},
      {"-2147483648", INT_MIN},
      {"99999999999999999999", INT_MAX},  // beyond the range: its nearest end, for the range check
      {"-99999999999999999999", INT_MIN},
      {longest + "5", 1},
      {"-0", std::nullopt},  // zero must begin with the digit 0
      {"+00", std::nullopt},
      {"", std::nullopt},
      {" ", std::nullopt},
      {"-", std::nullopt},
      {"1 2", std::nullopt},
      {"12a", std::nullopt},
      {"0x10", std::nullopt},
      {"1.5", std::nullopt},
      {"\n1", std::nullopt},
  };
  for (const auto& [text, value] : cases) {
    EXPECT_EQ(ParseSettingsInteger(text), value) << '"' << text << '"';
  }
}

TEST(SettingsFields, ChecksNameTheFieldsLimitsAndFindingGoesByExactName) {
  const SettingsField* interval = FindSettingsField("beaconInterval");
  ASSERT_NE(interval, nullptr);
  EXPECT_EQ(interval->integer, &TrackerSettings::beaconInterval);
  const std::string range = "Please enter an integer between 1 and 20.";
  const std::pair<int, std::optional<std::string>> cases[] = {
      {0, range}, {1, std::nullopt}, {20, std::nullopt}, {21, range}};
  for (const auto& [value, message] : cases) {
    EXPECT_EQ(CheckInteger(*interval, value), message) << value;
  }
  const SettingsField* callsign = FindSettingsField("callsign");
  ASSERT_NE(callsign, nullptr);
  EXPECT_EQ(CheckText(*callsign, "PA3XYZ-15"), std::nullopt);
  EXPECT_EQ(CheckText(*callsign, "PA3XYZ-150"), "Please enter no more than 9 characters.");
  EXPECT_EQ(CheckText(*FindSettingsField("symbolChar"), std::string(300, 'x')), std::nullopt);
  EXPECT_EQ(FindSettingsField("switchDelay")->integer, &TrackerSettings::switchDelay);
  for (const char* unknown : {"", "BeaconInterval", "beaconIntervalX", "beacon"}) {
    EXPECT_EQ(FindSettingsField(unknown), nullptr) << unknown;
  }
}

}  // namespace
}  // namespace vindrel
