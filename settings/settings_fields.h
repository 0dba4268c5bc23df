#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "settings/tracker_settings.h"

namespace vindrel {

// One field of the record and the limits that the dialog's checks, the settings files and the
// command line all enforce.
struct SettingsField {
  enum Kind { Text, Integer, Flag };
  const char* name;  // the record member's name, as settings files and the command line write it
  Kind kind;
  std::string TrackerSettings::*text = nullptr;
  int TrackerSettings::*integer = nullptr;
  bool TrackerSettings::*flag = nullptr;
  int minimum = 0;  // Integer: the smallest value allowed
  int maximum = 0;  // Integer: the largest value allowed. Text: most characters, 0 for no limit
};

constexpr SettingsField TextField(const char* name, std::string TrackerSettings::*field,
                                  int maxLength) {
  return {name, SettingsField::Text, field, nullptr, nullptr, 0, maxLength};
}
constexpr SettingsField IntegerField(const char* name, int TrackerSettings::*field, int minimum,
                                     int maximum) {
  return {name, SettingsField::Integer, nullptr, field, nullptr, minimum, maximum};
}
constexpr SettingsField FlagField(const char* name, bool TrackerSettings::*field) {
  return {name, SettingsField::Flag, nullptr, nullptr, field, 0, 0};
}

// Every field of the record, in the record's order.
inline constexpr SettingsField kSettingsFields[] = {
    TextField("callsign", &TrackerSettings::callsign, 9),
    TextField("symbolChar", &TrackerSettings::symbolChar, 0),
    TextField("tableChar", &TrackerSettings::tableChar, 0),
    TextField("digipeaterPath", &TrackerSettings::digipeaterPath, 28),
    FlagField("sendBeaconText", &TrackerSettings::sendBeaconText),
    IntegerField("beaconInterval", &TrackerSettings::beaconInterval, 1, 20),
    TextField("beaconText", &TrackerSettings::beaconText, 31),
    FlagField("sendStatusText", &TrackerSettings::sendStatusText),
    IntegerField("statusInterval", &TrackerSettings::statusInterval, 1, 20),
    TextField("statusText", &TrackerSettings::statusText, 31),
    FlagField("sendSpeedCourse", &TrackerSettings::sendSpeedCourse),
    FlagField("sendAltitude", &TrackerSettings::sendAltitude),
    IntegerField("transmissionInterval", &TrackerSettings::transmissionInterval, 5, 255),
    FlagField("speedRelatedInterval", &TrackerSettings::speedRelatedInterval),
    IntegerField("txDelayMs", &TrackerSettings::txDelayMs, 0, 1200),
    IntegerField("restTimeMs", &TrackerSettings::restTimeMs, 0, 1200),
    FlagField("switchTransmitter", &TrackerSettings::switchTransmitter),
    IntegerField("switchDelay", &TrackerSettings::switchDelay, 0, 10),
};

// The field with this name (case matters), null when there is none.
const SettingsField* FindSettingsField(std::string_view name);

inline constexpr char kNotAnIntegerMessage[] = "Please enter an integer.";

// Reads an integer typed by the user the way the checks accept it: only the first 31 characters
// count; blanks and tabs may surround an optionally signed run of decimal digits and nothing
// else may be there. A number that reads as zero must begin with the digit 0, so "-0" and "+0"
// are refused. Values beyond the 32-bit range read as its nearest end, so that the range check,
// not the format check, reports them. nullopt (kNotAnIntegerMessage) when the text is no integer.
std::optional<int> ParseSettingsInteger(std::string_view text);

// The check of one value against its field's limits: the message that tells the user what is
// allowed ("Please enter an integer between 1 and 20.", "Please enter no more than 9
// characters."), nullopt when the value passes. Texts are counted in bytes, one per character.
std::optional<std::string> CheckInteger(const SettingsField& field, int value);
std::optional<std::string> CheckText(const SettingsField& field, std::string_view text);

inline constexpr char kCallsignRule[] =
    "Please enter a callsign of one to six letters and digits, optionally followed by - and a "
    "number from 0 to 15.";
inline constexpr char kPathRule[] =
    "Please enter at most three digipeaters separated by commas, each one to six letters and "
    "digits, optionally followed by - and a number from 0 to 15.";

// Whether the tracker keeps a text value exactly as written, with the message that names the
// rule when it would not: the callsign is 1 to 6 ASCII letters and digits, optionally followed
// by "-" and an SSID from 0 to 15 written without leading zeros (lower case is kept upper case,
// which changes nothing on the air); the path is empty or one to three such addresses separated
// by ","; the symbol and its table are one printable ASCII character each; the beacon and status
// texts hold printable Latin-1 characters only. Anything else the tracker would hold changed:
// a cut call, another SSID, a garbled character. Length limits are CheckText's.
std::optional<std::string> CheckHeldAsWritten(const SettingsField& field, std::string_view value);

// Whether a callsign or one digipeater is an address the tracker keeps as written (see above).
bool IsHeldAddress(std::string_view address);

}  // namespace vindrel
