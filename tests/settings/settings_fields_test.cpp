#include "settings/settings_fields.h"

#include <gtest/gtest.h>

#include <climits>

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

}  // namespace
}  // namespace vindrel
