#include "serial/port_discovery.h"

#include <dirent.h>
#include <sys/stat.h>

#include <fstream>
#include <string>

#include "serial/port_names.h"

namespace vindrel {
namespace {

constexpr int kFirstProbed = 1;
constexpr int kLastProbed = 255;
constexpr int kFirstBluetooth = 129;  // rfcomm0
constexpr int kFirstVirtual = 161;    // ttyV0: links to pseudo-terminals

bool Exists(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0;  // follows links: a dangling link is no port
}

// serial-core writes the UART type into "type"; 0 marks a placeholder with no UART behind it
// (the kernel creates several ttyS entries whether or not the hardware exists).
bool IsPlaceholder(const std::string& entry) {
  std::ifstream file(entry + "/type");
  int type = -1;
  return file >> type && type == 0;
}

// Calls visit with every entry name of directory, in the directory's order. False when the
// directory cannot be read.
template <typename Visit>
bool ForEachEntry(const std::string& directory, Visit visit) {
  DIR* dir = ::opendir(directory.c_str());
  if (dir == nullptr) {
    return false;
  }
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") {
      visit(name);
    }
  }
  ::closedir(dir);
  return true;
}

// Never opens a device: opening toggles DTR and RTS, which would disturb programs using them.
bool DiscoverByName(PortNumberList& ports, const PortDiscoveryRoots& roots) {
  const std::string classDirectory = roots.sysDirectory + "/class/tty";
  const bool readable = ForEachEntry(classDirectory, [&](const std::string& name) {
    const int number = PortNumberFromDeviceName(name);
    if (number == 0 || number >= kFirstVirtual) {
      return;  // not a serial family; virtual ports are found in the device directory below
    }
    // A bound Bluetooth port has no device behind it until it connects, which its first open does.
    const std::string entry = classDirectory + "/" + name;
    const bool bluetooth = number >= kFirstBluetooth;
    if ((bluetooth || (Exists(entry + "/device") && !IsPlaceholder(entry))) &&
        Exists(roots.deviceDirectory + "/" + name)) {
      ports.push_back(static_cast<std::uint32_t>(number));
    }
  });
  if (!readable) {
    return false;
  }
  // Pseudo-terminals never appear under /sys: take the virtual-port links whose target lives.
  ForEachEntry(roots.deviceDirectory, [&](const std::string& name) {
    const int number = PortNumberFromDeviceName(name);
    if (number >= kFirstVirtual && Exists(roots.deviceDirectory + "/" + name)) {
      ports.push_back(static_cast<std::uint32_t>(number));
    }
  });
  return true;
}

// Without /sys: a port is present when its device file exists. It is not opened to find out:
// an open raises DTR and RTS, which can key the transmitter of a radio wired to them.
void DiscoverByDeviceFiles(PortNumberList& ports, const PortDiscoveryRoots& roots) {
  for (int number = kFirstProbed; number <= kLastProbed; ++number) {
    const std::string path = PortDevicePath(number, roots.deviceDirectory);
    if (!path.empty() && Exists(path)) {
      ports.push_back(static_cast<std::uint32_t>(number));
    }
  }
}

}  // namespace

std::string PortDisplayName(int portNumber) { return PortDevicePath(portNumber, "/dev"); }

void DiscoverSerialPorts(PortNumberList& ports, const PortDiscoveryRoots& roots) {
  PortNumberList().swap(ports);
  if (!DiscoverByName(ports, roots)) {
    DiscoverByDeviceFiles(ports, roots);
  }
}

}  // namespace vindrel
