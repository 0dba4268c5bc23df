#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "settings/settings_block.h"

namespace vindrel {

// The history of settings images read from trackers: one file per image, named by the local time
// of the read and the image's callsign ("20261207-093015-PA3XYZ-9.bin"), the tracker's 256 bytes
// exactly as received. Restoring one is writing that file.
inline constexpr std::size_t kBackupsKept = 200;

// $XDG_DATA_HOME/vindrel/backups (default ~/.local/share/vindrel/backups) on Linux,
// %LOCALAPPDATA%\vindrel\backups on Windows; empty when the environment names no such place.
std::filesystem::path DefaultBackupFolder();

// Keeps image in folder (made when missing), unless the newest backup there holds the same bytes,
// and removes the oldest backups beyond kBackupsKept; other files in the folder are never touched.
// The problem as "FOLDER: REASON" when the image could not be kept.
std::optional<std::string> KeepBackup(const std::filesystem::path& folder,
                                      const SettingsBlock& image,
                                      std::chrono::system_clock::time_point when);

struct BackupEntry {
  std::filesystem::path path;
  std::string time;                  // "2026-12-07 09:30:15", from the name
  std::string callsign, beaconText;  // from the image, UTF-8
};

// The backups in folder, newest first; empty when there is none or no such folder.
std::vector<BackupEntry> ListBackups(const std::filesystem::path& folder);

}  // namespace vindrel
