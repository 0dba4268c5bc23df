#include "serial/port_description.h"

#include <filesystem>
#include <fstream>
#include <system_error>

#include "serial/port_names.h"

namespace vindrel {
namespace {

namespace fs = std::filesystem;

std::string FirstLine(const fs::path& file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  return line;
}

// The USB device a tty hangs off: the nearest directory above its device that has the USB
// identity files (for usb-serial the tty sits below an interface, for cdc-acm on it). Empty when
// the tty is no USB device's.
fs::path UsbDevice(const fs::path& ttyEntry) {
  std::error_code error;
  fs::path device = fs::canonical(ttyEntry / "device", error);
  for (; !error && device.has_relative_path(); device = device.parent_path()) {
    if (fs::exists(device / "idVendor", error)) return device;
  }
  return {};
}

// "manufacturer product", either alone, or empty.
std::string UsbName(const fs::path& usbDevice) {
  if (usbDevice.empty()) return {};
  const std::string manufacturer = FirstLine(usbDevice / "manufacturer");
  const std::string product = FirstLine(usbDevice / "product");
  if (manufacturer.empty() || product.empty()) return manufacturer + product;
  return manufacturer + " " + product;
}

// The name under /dev/serial/by-id whose link leads to the device.
std::string ByIdName(const fs::path& deviceDirectory, const std::string& deviceName) {
  std::error_code error;
  for (fs::directory_iterator it(deviceDirectory / "serial/by-id", error), end; !error && it != end;
       it.increment(error)) {
    std::error_code linkError;
    const fs::path target = fs::read_symlink(it->path(), linkError);
    if (!linkError && target.filename() == deviceName) return it->path().filename().string();
  }
  return {};
}

}  // namespace

std::string DescribeSerialPort(int portNumber, const PortDiscoveryRoots& roots) {
  const std::string name = PortDeviceName(portNumber);
  if (name.empty()) return {};
  const fs::path device = fs::path(roots.deviceDirectory) / name;
  std::error_code error;
  if (fs::is_symlink(device, error)) {
    return "link to " + fs::read_symlink(device, error).string();
  }
  const std::string usb = UsbName(UsbDevice(fs::path(roots.sysDirectory) / "class/tty" / name));
  const std::string byId = ByIdName(roots.deviceDirectory, name);
  if (usb.empty() || byId.empty()) return usb + byId;
  return usb + " (" + byId + ")";
}

std::string IdentifySerialPort(int portNumber, const PortDiscoveryRoots& roots) {
  const std::string name = PortDeviceName(portNumber);
  if (name.empty()) return {};
  const fs::path usb = UsbDevice(fs::path(roots.sysDirectory) / "class/tty" / name);
  if (!usb.empty()) {
    std::string text =
        "USB-adapter " + FirstLine(usb / "idVendor") + ":" + FirstLine(usb / "idProduct");
    for (const std::string& part : {UsbName(usb), "serienummer " + FirstLine(usb / "serial")}) {
      if (part != "serienummer " && !part.empty()) text += ", " + part;
    }
    const std::string byId = ByIdName(roots.deviceDirectory, name);
    if (!byId.empty())
      text += ", " + (fs::path(roots.deviceDirectory) / "serial/by-id" / byId).string();
    return text;
  }
  std::error_code error;
  const fs::path device = fs::path(roots.deviceDirectory) / name;
  if (fs::is_symlink(device, error)) {
    return "virtuele poort: koppeling naar " + fs::read_symlink(device, error).string();
  }
  if (name.starts_with("rfcomm")) return "Bluetooth-poort";
  if (name.starts_with("ttyS") || name.starts_with("ttyAMA")) {
    return "seriele poort van het systeem zelf (UART)";
  }
  return {};
}

}  // namespace vindrel
