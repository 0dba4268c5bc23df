#include "settings/file_replace.h"

#include <windows.h>

#include <algorithm>
#include <system_error>

namespace vindrel::detail {

namespace {

std::error_code LastError() { return {static_cast<int>(::GetLastError()), std::system_category()}; }

}  // namespace

std::error_code WriteDurably(const std::filesystem::path& temporary, std::string_view content,
                             const std::filesystem::path& /*target*/) {
  const HANDLE file = ::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return LastError();
  std::error_code error;
  for (std::size_t done = 0; !error && done < content.size();) {
    DWORD written = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(content.size() - done, 1 << 20));
    if (!::WriteFile(file, content.data() + done, chunk, &written, nullptr)) error = LastError();
    done += written;
  }
  if (!error && !::FlushFileBuffers(file)) error = LastError();
  ::CloseHandle(file);
  return error;
}

std::error_code RenameDurably(const std::filesystem::path& temporary,
                              const std::filesystem::path& target) {
  if (!::MoveFileExW(temporary.c_str(), target.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return LastError();
  }
  return {};
}

}  // namespace vindrel::detail
