#include "settings/file_path.h"

#include <algorithm>
#include <array>

namespace vindrel {

namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// Whether base (a piece without its extension) is a name Windows keeps for a device.
bool IsDeviceName(std::string_view base) {
  constexpr std::array<std::string_view, 6> kDevices{"CON", "PRN",    "AUX",
                                                     "NUL", "CONIN$", "CONOUT$"};
  std::string name(base);
  std::transform(name.begin(), name.end(), name.begin(), Upper);
  if (std::find(kDevices.begin(), kDevices.end(), name) != kDevices.end()) return true;
  if (name.rfind("COM", 0) != 0 && name.rfind("LPT", 0) != 0) return false;
  const std::string_view unit = std::string_view(name).substr(3);
  // A digit, or superscript one, two or three (UTF-8), which Windows counts as digits here.
  return (unit.size() == 1 && unit[0] >= '0' && unit[0] <= '9') || unit == "\xC2\xB9" ||
         unit == "\xC2\xB2" || unit == "\xC2\xB3";
}

}  // namespace

std::string PathText(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

std::optional<std::string> WindowsNameProblem(std::string_view fileName) {
  std::size_t start = 0;
  while (start <= fileName.size()) {
    std::size_t end = start;
    while (end < fileName.size() && !IsSeparator(fileName[end])) ++end;
    const std::string_view piece = fileName.substr(start, end - start);
    start = end + 1;
    if (piece.empty() || piece == "." || piece == "..") continue;
    if (piece.back() == '.' || piece.back() == ' ') {
      return "Windows drops a dot or blank at the end of a name and would use another file";
    }
    std::string_view base = piece.substr(0, piece.find('.'));
    while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
    if (IsDeviceName(base)) {
      return std::string(base).append(": Windows keeps this name for a device, not a file");
    }
  }
  return std::nullopt;
}

}  // namespace vindrel
