#include "settings/settings_fields.h"

#include <gtest/gtest.h>

#include <climits>
#include <tuple>

namespace vindrel {
namespace {

TEST(SettingsFields, IntegersAreReadAsTheChecksAcceptThem) {
  const std::string longest = "1" + std::string(30, ' ');  // 31 characters: the rest is unread
  const std::pair<std::string, std::optional<int>> cases[] = {
      // clang-format off
      {"5", 5}, {" \t-12\t ", -12}, {"+7", 7}, {"0", 0}, {" 00", 0}, {"007", 7},
      {"2147483647", INT_MAX}, {"-2147483648", INT_MIN},
      {longest + "5", 1}, {std::string(31, '9') + "5", INT_MAX},
      // Beyond the range: its nearest end, so that the range check reports it.
      {"99999999999999999999", INT_MAX}, {"-99999999999999999999", INT_MIN},
      // Zero must begin with the digit 0.
      {"-0", std::nullopt}, {"+00", std::nullopt}, {"", std::nullopt}, {" ", std::nullopt},
      {"-", std::nullopt}, {"1 2", std::nullopt}, {"12a", std::nullopt}, {"0x10", std::nullopt},
      {"1.5", std::nullopt}, {"\n1", std::nullopt},
  };  // clang-format on
  for (const auto& [text, value] : cases) {
    EXPECT_EQ(ParseSettingsInteger(text), value) << '"' << text << '"';
  }
}

// What the tracker keeps exactly as written passes; what it would keep changed is refused.
TEST(SettingsFields, OnlyWhatTheTrackerKeepsAsWrittenPasses) {
  const SettingsField& call = *FindSettingsField("callsign");
  const SettingsField& path = *FindSettingsField("digipeaterPath");
  const SettingsField& symbol = *FindSettingsField("symbolChar");
  const SettingsField& text = *FindSettingsField("statusText");
  const std::tuple<const SettingsField&, std::string, bool> cases[] = {
      // clang-format off
      {call, "PA3XYZ", true}, {call, "pa3xyz-15", true}, {call, "A-0", true}, {call, "N0CALL-9", true},
      {call, "", false}, {call, "PA3XYZ-16", false}, {call, "PA3XYZ-05", false}, {call, "AB-", false},
      {call, "AB-+1", false}, {call, "-1", false}, {call, "ABCDEFG", false}, {call, "A B", false},
      {call, "AB-1-2", false},
      {path, "", true}, {path, "WIDE1-1", true}, {path, "WIDE1-1,WIDE2-2,A", true},
      {path, "A,B,C,D", false}, {path, "WIDE1-1,", false}, {path, ",A", false}, {path, "A, B", false},
      {symbol, ">", true}, {symbol, "~", true}, {symbol, "!", true}, {symbol, "", false},
      {symbol, " ", false}, {symbol, ">>", false}, {symbol, "\x7F", false}, {symbol, "\xE9", false},
      {text, "", true}, {text, "Caf\xE9 \xA0\xFF ~", true}, {text, "a\tb", false},
      {text, "\x85", false}, {text, "\x7F", false},
  };  // clang-format on
  for (const auto& [field, value, held] : cases) {
    EXPECT_EQ(!CheckHeldAsWritten(field, value), held) << field.name << " \"" << value << '"';
  }
}

}  // namespace
}  // namespace vindrel
