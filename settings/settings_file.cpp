#include "settings/settings_file.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <limits>
#include <set>
#include <system_error>
#include <vector>

#include "settings/file_path.h"
#include "settings/file_replace.h"
#include "settings/settings_block.h"

namespace vindrel {

namespace {

// ordered_json keeps the file's order, so that "the first problem" is the first one in the file,
// and writes the fields in the record's order.
using Json = nlohmann::ordered_json;

constexpr char kFormat[] = "vindrel-settings";
constexpr int kVersion = 1;
// Settings files are a few hundred bytes; a larger one is some other file (or a device).
constexpr std::size_t kMaxFileSize = 1 << 20;

// Larger than every field's limit and well within int.
constexpr std::int64_t kLargest = 1'000'000;

std::string SystemMessage(int code) { return std::generic_category().message(code); }

std::string NotAnIntegerBetween(const SettingsField& field) {
  return "not an integer between " + std::to_string(field.minimum) + " and " +
         std::to_string(field.maximum);
}

// The library's message without its tag: "[json.exception.parse_error.101] parse error at ..."
std::string JsonMessage(const std::exception& e) {
  const std::string what = e.what();
  const auto tagEnd = what.find("] ");
  return tagEnd == std::string::npos ? what : what.substr(tagEnd + 2);
}

// Why a JSON value cannot be stored in field, nullopt when it was stored into settings.
std::optional<std::string> StoreField(const SettingsField& field, const Json& value,
                                      TrackerSettings& settings) {
  switch (field.kind) {
    case SettingsField::Text:
      if (!value.is_string()) return "must be a text in quotes";
      return StoreSettingsValue(field, value.get_ref<const std::string&>(), settings);
    case SettingsField::Integer: {
      if (!value.is_number()) return kNotAnIntegerMessage;
      // A fraction, or a number beyond what any field holds, is no value of the field at all.
      const bool whole = value.is_number_integer() &&
                         (value.is_number_unsigned() ? value.get<std::uint64_t>() <= kLargest
                                                     : value.get<std::int64_t>() >= -kLargest &&
                                                           value.get<std::int64_t>() <= kLargest);
      if (!whole) return NotAnIntegerBetween(field);
      const int number = value.get<int>();
      if (auto message = CheckInteger(field, number)) return message;
      settings.*field.integer = number;
      return std::nullopt;
    }
    case SettingsField::Flag:
      if (!value.is_boolean()) return "must be true or false";
      settings.*field.flag = value.get<bool>();
      return std::nullopt;
  }
  return "unknown kind";
}

// The parse, refusing a name given twice in one object: most parsers keep the last silently,
// which would hide a mistake in a hand-edited file.
std::optional<std::string> ParseJson(std::string_view content, Json& json) {
  std::vector<std::set<std::string>> names;
  std::optional<std::string> duplicate;
  std::string lastKey;
  auto watch = [&](int, Json::parse_event_t event, Json& parsed) {
    if (event == Json::parse_event_t::object_start) {
      names.emplace_back();
    } else if (event == Json::parse_event_t::object_end) {
      names.pop_back();
    } else if (event == Json::parse_event_t::key) {
      lastKey = parsed.get<std::string>();
      if (!names.empty() && !names.back().insert(lastKey).second && !duplicate) {
        duplicate = lastKey + ": appears twice";
      }
    }
    return true;
  };
  try {
    json = Json::parse(content.begin(), content.end(), watch);
  } catch (const Json::out_of_range& e) {
    // A number too large for a double (1e999) stops the parse; name the field it was meant for.
    const SettingsField* field = FindSettingsField(lastKey);
    if (field != nullptr && field->kind == SettingsField::Integer) {
      return lastKey + ": " + NotAnIntegerBetween(*field);
    }
    return JsonMessage(e);
  } catch (const Json::exception& e) {
    return JsonMessage(e);
  }
  return duplicate;
}

std::optional<std::string> LoadJson(std::string_view content, TrackerSettings& settings) {
  Json json;
  if (auto problem = ParseJson(content, json)) return problem;
  if (!json.is_object()) {
    return std::string("not a settings file: {\"format\": \"") + kFormat + "\", ...} expected";
  }
  bool haveFormat = false, haveVersion = false, haveSettings = false;
  for (const auto& [key, value] : json.items()) {
    if (key == "format") {
      if (value != kFormat) return std::string("format: must be \"") + kFormat + "\"";
      haveFormat = true;
    } else if (key == "version") {
      if (!value.is_number_integer() || value.get<std::int64_t>() < kVersion) {
        return "version: must be " + std::to_string(kVersion);
      }
      if (value.get<std::int64_t>() > kVersion) {
        return "version: " + value.dump() + " is newer than this program reads (" +
               std::to_string(kVersion) + ")";
      }
      haveVersion = true;
    } else if (key == "settings") {
      if (!value.is_object()) return "settings: must be an object holding the fields";
      std::set<const SettingsField*> seen;
      for (const auto& [name, fieldValue] : value.items()) {
        const SettingsField* field = FindSettingsField(name);
        if (field == nullptr) return name + ": unknown field";
        if (auto reason = StoreField(*field, fieldValue, settings)) return name + ": " + *reason;
        seen.insert(field);
      }
      for (const SettingsField& field : kSettingsFields) {
        if (!seen.contains(&field)) return std::string(field.name) + ": missing";
      }
      haveSettings = true;
    } else {
      return key + ": unknown field";
    }
  }
  if (!haveFormat) return "format: missing";
  if (!haveVersion) return "version: missing";
  if (!haveSettings) return "settings: missing";
  return std::nullopt;
}

Json FieldValue(const SettingsField& field, const TrackerSettings& settings) {
  switch (field.kind) {
    case SettingsField::Text:
      return Latin1ToUtf8(settings.*field.text);
    case SettingsField::Integer:
      return settings.*field.integer;
    case SettingsField::Flag:
      return settings.*field.flag;
  }
  return nullptr;
}

std::optional<std::string> LoadImage(std::string_view content, TrackerSettings& settings) {
  SettingsBlock block;
  if (content.size() != block.size()) {
    return "a settings image is " + std::to_string(block.size()) + " bytes, this file has " +
           std::to_string(content.size());
  }
  std::copy(content.begin(), content.end(), block.begin());
  DecodeSettingsBlock(block, settings);
  if (auto problem = CheckSettings(settings)) {
    return std::string(problem->field->name) + ": " + problem->message;
  }
  return std::nullopt;
}

}  // namespace

bool IsImageFileName(std::string_view fileName) {
  constexpr std::string_view kImage = ".bin";
  if (fileName.size() < kImage.size()) return false;
  const std::string_view end = fileName.substr(fileName.size() - kImage.size());
  return std::equal(end.begin(), end.end(), kImage.begin(),
                    [](char a, char b) { return (a >= 'A' && a <= 'Z' ? a - 'A' + 'a' : a) == b; });
}

std::optional<std::string> LoadSettingsFromBytes(const std::string& fileName,
                                                 std::string_view content,
                                                 TrackerSettings& settings) {
  // Everything goes into a copy: a file with a problem changes nothing.
  TrackerSettings loaded = settings;
  std::optional<std::string> problem;
  try {
    problem = IsImageFileName(fileName) ? LoadImage(content, loaded) : LoadJson(content, loaded);
  } catch (const Json::exception& e) {
    problem = JsonMessage(e);
  }
  if (problem) return fileName + ": " + *problem;
  settings = std::move(loaded);
  return std::nullopt;
}

std::optional<std::string> LoadSettingsFile(const std::string& fileName,
                                            TrackerSettings& settings) {
  if (auto problem = FileNameProblem(fileName)) return fileName + ": " + *problem;
  const std::filesystem::path path = FilePath(fileName);
  std::error_code error;
  if (std::filesystem::is_directory(path, error)) return fileName + ": is a folder";
  std::ifstream file(path, std::ios::binary);
  if (!file) return fileName + ": " + SystemMessage(errno);
  std::string content(kMaxFileSize + 1, '\0');
  file.read(content.data(), static_cast<std::streamsize>(content.size()));
  if (file.bad()) return fileName + ": " + SystemMessage(errno);
  content.resize(static_cast<std::size_t>(file.gcount()));
  if (content.size() > kMaxFileSize) return fileName + ": too large for a settings file";
  return LoadSettingsFromBytes(fileName, content, settings);
}

std::string SettingsFileBytes(std::string_view fileName, const TrackerSettings& settings) {
  if (IsImageFileName(fileName)) {
    const SettingsBlock block = EncodeSettingsBlock(settings);
    return std::string(block.begin(), block.end());
  }
  Json fields = Json::object();
  for (const SettingsField& field : kSettingsFields) {
    fields[field.name] = FieldValue(field, settings);
  }
  const Json json = {{"format", kFormat}, {"version", kVersion}, {"settings", fields}};
  return json.dump(2) + "\n";
}

std::optional<std::string> SaveSettingsFile(const std::string& fileName,
                                            const TrackerSettings& settings) {
  if (auto problem = FileNameProblem(fileName)) return fileName + ": " + *problem;
  if (auto problem =
          ReplaceFileContent(FilePath(fileName), SettingsFileBytes(fileName, settings))) {
    return fileName + ": " + *problem;
  }
  return std::nullopt;
}

std::optional<std::string> StoreSettingsValue(const SettingsField& field, std::string_view text,
                                              TrackerSettings& settings) {
  switch (field.kind) {
    case SettingsField::Text: {
      std::optional<std::string> latin1 = Utf8ToLatin1(text);
      if (!latin1) return "holds a character that cannot be stored (one byte per character)";
      if (auto message = CheckText(field, *latin1)) return message;
      if (auto message = CheckHeldAsWritten(field, *latin1)) return message;
      settings.*field.text = std::move(*latin1);
      return std::nullopt;
    }
    case SettingsField::Integer: {
      const std::optional<int> number = ParseSettingsInteger(text);
      if (!number) return kNotAnIntegerMessage;
      if (auto message = CheckInteger(field, *number)) return message;
      settings.*field.integer = *number;
      return std::nullopt;
    }
    case SettingsField::Flag:
      if (text != "true" && text != "false") return "must be true or false";
      settings.*field.flag = text == "true";
      return std::nullopt;
  }
  return "unknown kind";
}

std::optional<SettingsProblem> CheckSettings(const TrackerSettings& settings) {
  for (const SettingsField& field : kSettingsFields) {
    std::optional<std::string> message;
    if (field.kind == SettingsField::Text) {
      message = CheckText(field, settings.*field.text);
      if (!message) message = CheckHeldAsWritten(field, settings.*field.text);
    }
    if (field.kind == SettingsField::Integer) {
      message = CheckInteger(field, settings.*field.integer);
    }
    if (message) return SettingsProblem{&field, std::move(*message)};
  }
  return std::nullopt;
}

std::string Latin1ToUtf8(std::string_view latin1) {
  std::string utf8;
  for (const char c : latin1) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      utf8 += c;
    } else {
      utf8 += static_cast<char>(0xC0 | (byte >> 6));
      utf8 += static_cast<char>(0x80 | (byte & 0x3F));
    }
  }
  return utf8;
}

std::optional<std::string> Utf8ToLatin1(std::string_view utf8) {
  std::string latin1;
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const auto byte = static_cast<unsigned char>(utf8[i]);
    if (byte < 0x80) {
      latin1 += utf8[i];
      continue;
    }
    // U+0080..U+00FF are exactly the two-byte sequences led by 0xC2 and 0xC3.
    if ((byte != 0xC2 && byte != 0xC3) || i + 1 >= utf8.size()) return std::nullopt;
    const auto next = static_cast<unsigned char>(utf8[i + 1]);
    if ((next & 0xC0) != 0x80) return std::nullopt;
    latin1 += static_cast<char>(((byte & 0x03) << 6) | (next & 0x3F));
    ++i;
  }
  return latin1;
}

TrackerSettings AsHeldByTracker(const TrackerSettings& settings) {
  TrackerSettings held;
  DecodeSettingsBlock(EncodeSettingsBlock(settings), held);
  return held;
}

bool HoldsAsWritten(const SettingsField& field, const TrackerSettings& written,
                    const TrackerSettings& held) {
  const std::string expected = SettingsFieldJson(field, AsHeldByTracker(written));
  if (SettingsFieldJson(field, held) != expected) return false;
  // Only these change on the way: calls are kept upper case, the delays in the tracker's steps.
  const std::string_view name = field.name;
  return expected == SettingsFieldJson(field, written) || name == "callsign" ||
         name == "digipeaterPath" || name == "txDelayMs" || name == "restTimeMs";
}

std::string SettingsFieldJson(const SettingsField& field, const TrackerSettings& settings) {
  return FieldValue(field, settings).dump();
}

}  // namespace vindrel
