#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "settings/settings_fields.h"
#include "settings/tracker_settings.h"

namespace vindrel {

// Settings files come in two formats, chosen by the file name: a name ending in ".bin" (any case)
// is the tracker's 256-byte image, decoded as a read from the tracker decodes it; any other name
// is JSON:
//   {"format": "vindrel-settings", "version": 1, "settings": {"callsign": "NOCALL", ...}}
// with every field of the record under its own name and texts in UTF-8. The record's texts are
// Latin-1 bytes, one per character, so a character above U+00FF cannot be stored.
bool IsImageFileName(std::string_view fileName);

// fileName is UTF-8 (see FilePath); a name the platform's file system would change is refused
// (FileNameProblem) by both LoadSettingsFile and SaveSettingsFile.

// Reads fileName into settings. The first problem comes back as
// "FILE: FIELD: REASON" (FILE alone when no field is concerned): broken JSON with its line and
// column, an unknown, duplicate or missing field, a wrong type, a value outside the dialog's
// limits with the dialog's own message, a text that cannot be stored, an image of the wrong size.
// On a problem settings is left exactly as it was.
std::optional<std::string> LoadSettingsFile(const std::string& fileName, TrackerSettings& settings);

// The same from the file's content; fileName chooses the format and names the file in messages.
std::optional<std::string> LoadSettingsFromBytes(const std::string& fileName,
                                                 std::string_view content,
                                                 TrackerSettings& settings);

// Writes settings to fileName in the format its name chooses, whole or not at all, through a
// symbolic link to its target and keeping the old file's permissions (ReplaceFileContent). The
// problem as "FILE: REASON" when it could not be written; the old file then stays as it was.
std::optional<std::string> SaveSettingsFile(const std::string& fileName,
                                            const TrackerSettings& settings);

// The file's content for settings (what SaveSettingsFile writes); JSON ends with a line feed.
std::string SettingsFileBytes(std::string_view fileName, const TrackerSettings& settings);

// Stores a value given as text (FIELD=VALUE on the command line) into its field with the
// dialog's checks and messages and only when the tracker keeps it as written (see
// CheckHeldAsWritten): texts in UTF-8, integers as the dialog reads them, flags as
// "true" or "false". The reason when refused; settings is then unchanged.
std::optional<std::string> StoreSettingsValue(const SettingsField& field, std::string_view text,
                                              TrackerSettings& settings);

// The first field of settings, in the record's order, that the dialog's checks refuse or that the
// tracker would not keep as written, with the message; nullopt when every field passes.
struct SettingsProblem {
  const SettingsField* field;
  std::string message;
};
std::optional<SettingsProblem> CheckSettings(const TrackerSettings& settings);

// Latin-1 bytes as UTF-8, and back; the way back is nullopt for a text that is not UTF-8 or
// holds a character above U+00FF.
std::string Latin1ToUtf8(std::string_view latin1);
std::optional<std::string> Utf8ToLatin1(std::string_view utf8);

// The record as the tracker holds it once written: calls upper case, the delays in the tracker's
// steps (301 ms is held as 300), the rest as it is for a record that passes CheckSettings.
TrackerSettings AsHeldByTracker(const TrackerSettings& settings);

// Whether a tracker that holds held keeps field as written says: the same value, or one that
// differs only by the upper-casing of calls or the quantisation of the delays.
bool HoldsAsWritten(const SettingsField& field, const TrackerSettings& written,
                    const TrackerSettings& held);

// A field's value as JSON writes it: "NOCALL" (quoted, UTF-8), 5, true.
std::string SettingsFieldJson(const SettingsField& field, const TrackerSettings& settings);

}  // namespace vindrel
