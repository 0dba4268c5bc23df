#include <cstdlib>

#include "settings/backup_history.h"

namespace vindrel {

std::filesystem::path DefaultBackupFolder() {
  // The wide environment: a user name outside the ANSI code page must not garble the path.
  const wchar_t* local = _wgetenv(L"LOCALAPPDATA");
  if (local == nullptr || local[0] == L'\0') return {};
  return std::filesystem::path(local) / L"vindrel" / L"backups";
}

}  // namespace vindrel
