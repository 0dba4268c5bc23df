#include <cstdlib>

#include "settings/backup_history.h"

namespace vindrel {

std::filesystem::path DefaultBackupFolder() {
  // An empty or relative XDG_DATA_HOME is invalid and ignored, as the base directory rules say.
  const char* data = std::getenv("XDG_DATA_HOME");
  if (data != nullptr && data[0] == '/') return std::filesystem::path(data) / "vindrel" / "backups";
  const char* home = std::getenv("HOME");
  if (home == nullptr || home[0] != '/') return {};
  return std::filesystem::path(home) / ".local" / "share" / "vindrel" / "backups";
}

}  // namespace vindrel
