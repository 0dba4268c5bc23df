#include "settings/file_path.h"

#include <windows.h>

namespace vindrel {

std::filesystem::path FilePath(const std::string& fileName) {
  if (fileName.empty()) return {};
  // A sequence that is not UTF-8 becomes U+FFFD: a name no file has, so opening it fails.
  const int size = static_cast<int>(fileName.size());
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  wide.resize(static_cast<std::size_t>(
      MultiByteToWideChar(CP_UTF8, 0, fileName.data(), size, wide.data(), size)));
  return wide;
}

std::optional<std::string> FileNameProblem(std::string_view fileName) {
  return WindowsNameProblem(fileName);
}

}  // namespace vindrel
