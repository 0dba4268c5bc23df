#include "protocol/port_access.h"

#include <grp.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <vector>

namespace vindrel {

namespace {

// Debian and Ubuntu give serial devices to this group; the best guess when the device file
// cannot be looked at.
constexpr const char* kUsualSerialGroup = "dialout";

std::string DeviceGroupName(const std::string& devicePath) {
  struct stat st {};
  if (devicePath.empty() || ::stat(devicePath.c_str(), &st) != 0) return kUsualSerialGroup;
  std::vector<char> buffer(1024);
  for (;;) {
    group entry{};
    group* found = nullptr;
    const int rc = ::getgrgid_r(st.st_gid, &entry, buffer.data(), buffer.size(), &found);
    if (rc == ERANGE && buffer.size() < (1u << 20)) {
      buffer.resize(buffer.size() * 2);
      continue;
    }
    if (rc != 0 || found == nullptr || found->gr_name == nullptr || *found->gr_name == '\0') {
      return kUsualSerialGroup;
    }
    return found->gr_name;
  }
}

}  // namespace

std::string PortAccessDeniedMessage(std::uint32_t errorCode, const std::string& devicePath) {
  if (errorCode != EACCES && errorCode != EPERM) return {};
  return "Geen toegang tot de seriele poort. Voeg uw gebruiker toe aan de groep " +
         DeviceGroupName(devicePath) + " en meld opnieuw aan.";
}

}  // namespace vindrel
