#pragma once

#include <cstdint>
#include <string>

namespace vindrel {

inline constexpr char kPortInUseMessage[] = "De seriele poort is al in gebruik";
inline constexpr char kPortMissingMessage[] =
    "De seriele poort is niet aanwezig. Is de kabel aangesloten?";

// Who may open a device file, and what the user running the program has of it.
struct DeviceAccess {
  bool known = false;          // false: the device file could not be looked at
  std::string owner, group;    // names (the number where the system has no name)
  unsigned mode = 0;           // the permission bits (0777)
  bool listedInGroup = false;  // the group database counts the user in group
  bool runsWithGroup = false;  // this process has group among its groups
};

// Looks at devicePath (following links) and at the user. Windows has no device files: there the
// access stays unknown.
DeviceAccess ReadDeviceAccess(const std::string& devicePath);

// The message for a device the user may not open. It names a group to join only when that group
// may read and write the device and is not root, and says so when the user has joined it but not
// logged in again since; otherwise it names the owner and the mode and sends the user to the
// administrator. Unknown access: the group Debian and Ubuntu give serial devices, dialout.
std::string AccessDeniedMessage(const DeviceAccess& access);

// The connect's message for a port whose open failed with errorCode: not there, not allowed
// (AccessDeniedMessage for devicePath), or else in use.
std::string PortOpenFailureMessage(std::uint32_t errorCode, const std::string& devicePath);

}  // namespace vindrel
