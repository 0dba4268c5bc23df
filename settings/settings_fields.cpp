#include "settings/settings_fields.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace vindrel {

namespace {

constexpr std::size_t kCharactersRead = 31;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool IsAsciiLetterOrDigit(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

bool IsPrintableLatin1(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return (byte >= 0x20 && byte < 0x7F) || byte >= 0xA0;
}

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

bool IsHeldAddress(std::string_view address) {
  const std::size_t dash = address.find('-');
  const std::string_view call = address.substr(0, dash);
  if (call.empty() || call.size() > 6 ||
      !std::all_of(call.begin(), call.end(), IsAsciiLetterOrDigit)) {
    return false;
  }
  if (dash == std::string_view::npos) return true;
  const std::string_view ssid = address.substr(dash + 1);
  const bool digits =
      !ssid.empty() && ssid.size() <= 2 &&
      std::all_of(ssid.begin(), ssid.end(), [](char c) { return c >= '0' && c <= '9'; });
  // "-05" would come back as "-5": no leading zeros, so that the text is what the tracker keeps.
  return digits && (ssid.size() == 1 || (ssid[0] != '0' && std::stoi(std::string(ssid)) <= 15));
}

std::optional<std::string> CheckHeldAsWritten(const SettingsField& field, std::string_view value) {
  const std::string_view name = field.name;
  if (name == "callsign") {
    if (!IsHeldAddress(value)) return kCallsignRule;
  } else if (name == "digipeaterPath") {
    std::size_t pieces = 0;
    for (std::size_t begin = 0; !value.empty() && begin <= value.size(); ++pieces) {
      const std::size_t end = std::min(value.find(',', begin), value.size());
      if (pieces == 3 || !IsHeldAddress(value.substr(begin, end - begin))) return kPathRule;
      begin = end + 1;
    }
  } else if (name == "symbolChar" || name == "tableChar") {
    if (value.size() != 1 || value[0] <= ' ' || value[0] >= 0x7F) {
      return "Please enter one printable ASCII character.";
    }
  } else if (field.kind == SettingsField::Text) {
    if (!std::all_of(value.begin(), value.end(), IsPrintableLatin1)) {
      return "Please enter printable characters only.";
    }
  }
  return std::nullopt;
}

}  // namespace vindrel
