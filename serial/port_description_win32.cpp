#include "serial/port_description.h"

#include <string>

#include "serial/com_device_win32.h"

namespace vindrel {

void ForEachPortDevice(const PortDeviceVisit& visit) {
  GUID ports{};
  DWORD classes = 0;
  if (!SetupDiClassGuidsFromNameA("Ports", &ports, 1, &classes) || classes == 0) return;
  HDEVINFO devices = SetupDiGetClassDevsA(&ports, nullptr, nullptr, DIGCF_PRESENT);
  if (devices == INVALID_HANDLE_VALUE) return;
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof device;
  for (DWORD i = 0; SetupDiEnumDeviceInfo(devices, i, &device); ++i) {
    char name[64] = {};
    HKEY key = SetupDiOpenDevRegKey(devices, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
    if (key != INVALID_HANDLE_VALUE) {
      DWORD size = sizeof name - 1;
      if (RegQueryValueExA(key, "PortName", nullptr, nullptr, reinterpret_cast<BYTE*>(name),
                           &size) != ERROR_SUCCESS) {
        name[0] = '\0';
      }
      RegCloseKey(key);
    }
    visit(devices, device, name);
  }
  SetupDiDestroyDeviceInfoList(devices);
}

std::string DeviceProperty(HDEVINFO devices, SP_DEVINFO_DATA& device, DWORD property) {
  char text[512] = {};
  if (!SetupDiGetDeviceRegistryPropertyA(devices, &device, property, nullptr,
                                         reinterpret_cast<BYTE*>(text), sizeof text - 2, nullptr)) {
    return {};
  }
  return text;  // a list of strings (the hardware ids) ends at its first
}

namespace {

// Properties of the device whose port is COMn, joined by ", " where present.
std::string PortDeviceProperties(int portNumber, std::initializer_list<DWORD> properties) {
  const std::string wanted = "COM" + std::to_string(portNumber);
  std::string text;
  ForEachPortDevice([&](HDEVINFO devices, SP_DEVINFO_DATA& device, const std::string& name) {
    if (!text.empty() || _stricmp(name.c_str(), wanted.c_str()) != 0) return;
    for (const DWORD property : properties) {
      const std::string value = DeviceProperty(devices, device, property);
      if (!value.empty()) text += (text.empty() ? "" : ", ") + value;
    }
  });
  return text;
}

}  // namespace

// The device manager's friendly name of the device whose port is COMn, "USB Serial Port (COM3)".
std::string DescribeSerialPort(int portNumber, const PortDiscoveryRoots& /*roots*/) {
  return PortDeviceProperties(portNumber, {SPDRP_FRIENDLYNAME});
}

// "USB\VID_1A86&PID_7523&REV_0264, USB-SERIAL CH340 (COM5)".
std::string IdentifySerialPort(int portNumber, const PortDiscoveryRoots& /*roots*/) {
  return PortDeviceProperties(portNumber, {SPDRP_HARDWAREID, SPDRP_FRIENDLYNAME});
}

}  // namespace vindrel
