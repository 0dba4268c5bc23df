#include "serial/port_description.h"

#include <windows.h>
// windows.h first: the setup API builds on it.
#include <setupapi.h>

#include <string>

namespace vindrel {

// The device manager's friendly name of the device whose port is COMn, "USB Serial Port (COM3)";
// empty when the system has none. Reads the device registry only; never opens the port.
std::string DescribeSerialPort(int portNumber, const PortDiscoveryRoots& /*roots*/) {
  GUID ports{};
  DWORD classes = 0;
  if (!SetupDiClassGuidsFromNameA("Ports", &ports, 1, &classes) || classes == 0) return {};
  HDEVINFO devices = SetupDiGetClassDevsA(&ports, nullptr, nullptr, DIGCF_PRESENT);
  if (devices == INVALID_HANDLE_VALUE) return {};
  const std::string wanted = "COM" + std::to_string(portNumber);
  std::string description;
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof device;
  for (DWORD i = 0; description.empty() && SetupDiEnumDeviceInfo(devices, i, &device); ++i) {
    HKEY key = SetupDiOpenDevRegKey(devices, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
    if (key == INVALID_HANDLE_VALUE) continue;
    char name[64] = {};
    DWORD size = sizeof name - 1;
    const bool named = RegQueryValueExA(key, "PortName", nullptr, nullptr,
                                        reinterpret_cast<BYTE*>(name), &size) == ERROR_SUCCESS;
    RegCloseKey(key);
    if (!named || _stricmp(name, wanted.c_str()) != 0) continue;
    char friendly[256] = {};
    if (SetupDiGetDeviceRegistryPropertyA(devices, &device, SPDRP_FRIENDLYNAME, nullptr,
                                          reinterpret_cast<BYTE*>(friendly), sizeof friendly - 1,
                                          nullptr)) {
      description = friendly;
    }
  }
  SetupDiDestroyDeviceInfoList(devices);
  return description;
}

}  // namespace vindrel
