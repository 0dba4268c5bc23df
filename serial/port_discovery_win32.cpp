#include "serial/port_discovery.h"

#include <windows.h>

#include <vector>

#include "serial/com_device_win32.h"
#include "serial/port_names.h"

namespace vindrel {
namespace {

constexpr int kFirstProbed = 1;
constexpr int kLastProbed = 255;
constexpr DWORD kDeviceNamesSize = 65536;
constexpr DWORD kMaxDeviceNamesSize = 16 << 20;

}  // namespace

std::string PortDisplayName(int portNumber) { return "COM" + std::to_string(portNumber); }

void AppendProbedComPorts(PortNumberList& ports) {
  for (int number = kFirstProbed; number <= kLastProbed; ++number) {
    const HANDLE handle = comCreateFile(ComDeviceName(number).c_str(), GENERIC_READ | GENERIC_WRITE,
                                        0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
      ::CloseHandle(handle);
      ports.push_back(static_cast<std::uint32_t>(number));
    } else if (const DWORD error = ::GetLastError();
               error == ERROR_ACCESS_DENIED || error == ERROR_GEN_FAILURE) {
      ports.push_back(static_cast<std::uint32_t>(number));
    }
  }
}

// The roots name Linux directories; Windows has one device namespace.
void DiscoverSerialPorts(PortNumberList& ports, const PortDiscoveryRoots&) {
  PortNumberList().swap(ports);
  OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof version;
  if (!::GetVersionExA(&version) || version.dwPlatformId != VER_PLATFORM_WIN32_NT) {
    AppendProbedComPorts(ports);
    return;
  }
  // A list longer than the buffer fails as a whole: grow the buffer and ask again, within a bound
  // no machine reaches. Two zero characters beyond what the system may fill: the walk ends inside
  // the buffer even if the list came back without its closing empty name.
  std::vector<char> names;
  for (DWORD size = kDeviceNamesSize;; size *= 2) {
    names.assign(size + 2, '\0');
    if (::QueryDosDeviceA(nullptr, names.data(), size) != 0) break;
    if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER || size >= kMaxDeviceNamesSize) return;
  }
  AppendComPortNumbers(names.data(), ports);
}

}  // namespace vindrel
