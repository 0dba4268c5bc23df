#include "settings/settings_fields.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace vindrel {

namespace {

constexpr std::size_t kCharactersRead = 31;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

const SettingsField* FindSettingsField(std::string_view name) {
  for (const SettingsField& field : kSettingsFields) {
    if (name == field.name) return &field;
  }
  return nullptr;
}

std::optional<int> ParseSettingsInteger(std::string_view text) {
  const std::string_view read = text.substr(0, kCharactersRead);
  std::size_t i = 0;
  const std::size_t end = read.size();
  while (i < end && IsBlank(read[i])) ++i;
  const char first = i < end ? read[i] : '\0';

  bool negative = false;
  if (i < end && (read[i] == '+' || read[i] == '-')) {
    negative = read[i] == '-';
    ++i;
  }
  constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<int>::max()} + 1;
  std::int64_t magnitude = 0;
  const std::size_t digitsBegin = i;
  while (i < end && read[i] >= '0' && read[i] <= '9') {
    magnitude = std::min(kLimit, magnitude * 10 + (read[i] - '0'));
    ++i;
  }
  if (i == digitsBegin) return std::nullopt;
  if (magnitude == 0 && first != '0') return std::nullopt;
  while (i < end && IsBlank(read[i])) ++i;
  if (i != end) return std::nullopt;

  const std::int64_t value = negative ? -magnitude : magnitude;
  return static_cast<int>(std::min<std::int64_t>(value, std::numeric_limits<int>::max()));
}

std::optional<std::string> CheckInteger(const SettingsField& field, int value) {
  if (value >= field.minimum && value <= field.maximum) return std::nullopt;
  return "Please enter an integer between " + std::to_string(field.minimum) + " and " +
         std::to_string(field.maximum) + ".";
}

std::optional<std::string> CheckText(const SettingsField& field, std::string_view text) {
  if (field.maximum == 0 || text.size() <= static_cast<std::size_t>(field.maximum)) {
    return std::nullopt;
  }
  return "Please enter no more than " + std::to_string(field.maximum) + " characters.";
}

}  // namespace vindrel
