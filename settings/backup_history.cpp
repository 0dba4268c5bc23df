#include "settings/backup_history.h"

#include <algorithm>
#include <ctime>
#include <fstream>
#include <iterator>
#include <system_error>

#include "settings/file_path.h"
#include "settings/file_replace.h"
#include "settings/settings_file.h"

namespace vindrel {

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kStampLength = 15;  // YYYYMMDD-HHMMSS

bool IsStamp(const std::string& name) {
  if (name.size() < kStampLength) return false;
  for (std::size_t i = 0; i < kStampLength; ++i) {
    if (i == 8 ? name[i] != '-' : (name[i] < '0' || name[i] > '9')) return false;
  }
  return true;
}

struct Found {
  fs::path path;
  fs::file_time_type written;
};

// The backups in folder, newest first: by the time in the name, then (two reads within one
// second) by the time the file was written.
std::vector<Found> FindBackups(const fs::path& folder) {
  std::vector<Found> found;
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    const std::string name = PathText(it->path().filename());
    if (!IsStamp(name) || it->path().extension() != ".bin" || !it->is_regular_file(error)) continue;
    found.push_back({it->path(), it->last_write_time(error)});
  }
  std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
    const std::string x = PathText(a.path.filename()).substr(0, kStampLength);
    const std::string y = PathText(b.path.filename()).substr(0, kStampLength);
    return x != y ? x > y : a.written > b.written;
  });
  return found;
}

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// A callsign as a piece of a file name: only letters, digits and "-".
std::string NamePiece(const std::string& callsign) {
  std::string piece;
  for (const char c : callsign) {
    const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
    piece += plain || c == '-' ? c : '_';
  }
  return piece.empty() ? "_" : piece;
}

}  // namespace

std::optional<std::string> KeepBackup(const fs::path& folder, const SettingsBlock& image,
                                      std::chrono::system_clock::time_point when) {
  const std::string bytes(image.begin(), image.end());
  std::vector<Found> found = FindBackups(folder);
  if (!found.empty() && ReadAll(found.front().path) == bytes) return std::nullopt;

  std::error_code error;
  fs::create_directories(folder, error);
  if (error) return PathText(folder) + ": " + error.message();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
  char stamp[kStampLength + 1];
  std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", std::localtime(&seconds));
  TrackerSettings settings;
  DecodeSettingsBlock(image, settings);
  const std::string base = std::string(stamp) + "-" + NamePiece(settings.callsign);
  fs::path path = folder / (base + ".bin");
  for (int n = 2; fs::exists(path, error); ++n)
    path = folder / (base + "~" + std::to_string(n) + ".bin");
  if (auto problem = ReplaceFileContent(path, bytes)) return PathText(path) + ": " + *problem;

  found.insert(found.begin(), {path, {}});
  for (std::size_t i = kBackupsKept; i < found.size(); ++i) fs::remove(found[i].path, error);
  return std::nullopt;
}

std::vector<BackupEntry> ListBackups(const fs::path& folder) {
  std::vector<BackupEntry> entries;
  for (const Found& found : FindBackups(folder)) {
    const std::string name = PathText(found.path.filename());
    BackupEntry entry{found.path,
                      name.substr(0, 4) + "-" + name.substr(4, 2) + "-" + name.substr(6, 2) + " " +
                          name.substr(9, 2) + ":" + name.substr(11, 2) + ":" + name.substr(13, 2),
                      {},
                      {}};
    const std::string bytes = ReadAll(found.path);
    SettingsBlock image{};
    if (bytes.size() == image.size()) {
      std::copy(bytes.begin(), bytes.end(), image.begin());
      TrackerSettings settings;
      DecodeSettingsBlock(image, settings);
      entry.callsign = Latin1ToUtf8(settings.callsign);
      entry.beaconText = Latin1ToUtf8(settings.beaconText);
    }
    entries.push_back(std::move(entry));
  }
  return entries;
}

}  // namespace vindrel
