#include "protocol/port_access.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

namespace vindrel {

namespace {

// Calls lookup(entry, buffer, size, found), a getpwuid_r-style function, with a buffer that grows
// until the entry fits. False when there is no entry.
template <typename Entry, typename Lookup>
bool LookUp(Entry& entry, std::vector<char>& buffer, Lookup lookup) {
  buffer.resize(1024);
  for (;;) {
    Entry* found = nullptr;
    const int rc = lookup(&entry, buffer.data(), buffer.size(), &found);
    if (rc == ERANGE && buffer.size() < (1u << 20)) {
      buffer.resize(buffer.size() * 2);
      continue;
    }
    return rc == 0 && found != nullptr;
  }
}

std::string NameOr(const char* name, unsigned id) {
  return name != nullptr && *name != '\0' ? name : std::to_string(id);
}

}  // namespace

DeviceAccess ReadDeviceAccess(const std::string& devicePath) {
  DeviceAccess access;
  struct stat st {};
  if (devicePath.empty() || ::stat(devicePath.c_str(), &st) != 0) return access;
  access.known = true;
  access.mode = st.st_mode & 0777u;
  std::vector<char> buffer;
  passwd owner{};
  const bool hasOwner = LookUp(owner, buffer, [&](passwd* e, char* b, std::size_t n, passwd** f) {
    return ::getpwuid_r(st.st_uid, e, b, n, f);
  });
  access.owner = NameOr(hasOwner ? owner.pw_name : nullptr, st.st_uid);
  group deviceGroup{};
  const bool hasGroup =
      LookUp(deviceGroup, buffer, [&](group* e, char* b, std::size_t n, group** f) {
        return ::getgrgid_r(st.st_gid, e, b, n, f);
      });
  access.group = NameOr(hasGroup ? deviceGroup.gr_name : nullptr, st.st_gid);

  const int count = ::getgroups(0, nullptr);
  std::vector<gid_t> groups(static_cast<std::size_t>(std::max(count, 0)));
  if (count > 0 && ::getgroups(count, groups.data()) != count) groups.clear();
  access.runsWithGroup = ::getegid() == st.st_gid ||
                         std::find(groups.begin(), groups.end(), st.st_gid) != groups.end();

  // The group database as it is now: a user added since logging in is listed there already.
  passwd user{};
  if (LookUp(user, buffer, [](passwd* e, char* b, std::size_t n, passwd** f) {
        return ::getpwuid_r(::getuid(), e, b, n, f);
      })) {
    int listedCount = 64;
    std::vector<gid_t> listed(static_cast<std::size_t>(listedCount));
    if (::getgrouplist(user.pw_name, user.pw_gid, listed.data(), &listedCount) < 0) {
      listed.resize(static_cast<std::size_t>(std::max(listedCount, 0)));
      if (::getgrouplist(user.pw_name, user.pw_gid, listed.data(), &listedCount) < 0) {
        listedCount = 0;
      }
    }
    listed.resize(static_cast<std::size_t>(std::max(listedCount, 0)));
    access.listedInGroup = std::find(listed.begin(), listed.end(), st.st_gid) != listed.end();
  }
  return access;
}

}  // namespace vindrel
