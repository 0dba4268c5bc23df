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
// identity files (for usb-serial the tty sits below an interface, for cdc-acm on it).
std::string UsbName(const fs::path& ttyEntry) {
  std::error_code error;
  fs::path device = fs::canonical(ttyEntry / "device", error);
  for (; !error && device.has_relative_path(); device = device.parent_path()) {
    if (fs::exists(device / "idVendor", error)) {
      const std::string manufacturer = FirstLine(device / "manufacturer");
      const std::string product = FirstLine(device / "product");
      if (manufacturer.empty() || product.empty()) return manufacturer + product;
      return manufacturer + " " + product;
    }
  }
  return {};
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
  const std::string usb = UsbName(fs::path(roots.sysDirectory) / "class/tty" / name);
  const std::string byId = ByIdName(roots.deviceDirectory, name);
  if (usb.empty() || byId.empty()) return usb + byId;
  return usb + " (" + byId + ")";
}

}  // namespace vindrel
