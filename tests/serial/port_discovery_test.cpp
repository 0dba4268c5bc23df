#include "serial/port_discovery.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "pty_peer.h"
#include "serial/port_names.h"

namespace vindrel {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::UnorderedElementsAre;

// A machine in a temporary directory: sys/class/tty entries and dev nodes.
class DiscoveryTree : public ::testing::Test {
 protected:
  fs::path Dev() const { return fs::path(dir.path) / "dev"; }
  fs::path Sys() const { return fs::path(dir.path) / "sys"; }
  fs::path Tty() const { return Sys() / "class/tty"; }

  void SetUp() override {
    fs::create_directories(Dev());
    fs::create_directories(Tty());
    fs::create_directories(Sys() / "devices/port");
  }

  // A sys entry; withDevice gives it the device link real ports have; type < 0: no type file.
  void SysEntry(const std::string& name, bool withDevice, int type = -1) const {
    fs::create_directories(Tty() / name);
    if (withDevice) {
      fs::create_directory_symlink(Sys() / "devices/port", Tty() / name / "device");
    }
    if (type >= 0) {
      std::ofstream(Tty() / name / "type") << type << "\n";
    }
  }

  // Dev nodes, and ttyV links to a live pseudo-terminal and to one whose tracker has gone.
  void DevNodes(std::initializer_list<const char*> names, const char* live, const char* gone) {
    for (const char* name : names) {
      std::ofstream(Dev() / name) << "";
    }
    fs::create_symlink(peer.SlavePath(), Dev() / live);
    fs::create_symlink("/dev/pts/does-not-exist", Dev() / gone);
  }

  PortNumberList Discover() const {
    PortNumberList ports{7, 8, 9};  // what a list held before is not kept
    DiscoverSerialPorts(ports, {Dev().string(), Sys().string()});
    return ports;
  }

  test::TempDir dir;
  test::PtyPeer peer;
};

TEST_F(DiscoveryTree, FindsRealPortsAndVirtualLinksAndDropsTheRest) {
  SysEntry("ttyS0", true, 4);  // a real 16550A
  SysEntry("ttyS1", true, 0);  // placeholder: no UART behind it
  SysEntry("ttyUSB0", true);   // USB adapters have no type file
  SysEntry("ttyACM0", true);
  SysEntry("ttyUSB1", true);      // unplugged a moment ago: no /dev node
  SysEntry("tty0", false);        // virtual consoles: not a serial family, no device
  SysEntry("ttyAMA0", false, 4);  // no device link
  SysEntry("rfcomm0", false);     // bound Bluetooth: no device until it connects
  SysEntry("rfcomm1", false);     // released: no /dev node
  SysEntry("console", false);
  DevNodes({"ttyS0", "ttyS1", "ttyUSB0", "ttyACM0", "ttyAMA0", "tty0", "rfcomm0"}, "ttyV0",
           "ttyV1");
  const PortNumberList ports = Discover();
  EXPECT_THAT(ports, UnorderedElementsAre(1, 33, 65, 129, 161));
  EXPECT_EQ(ports.back(), 161u) << "virtual ports come after the ports /sys lists";
  EXPECT_EQ(PortDisplayName(34), "/dev/ttyUSB1");
}

TEST_F(DiscoveryTree, WithoutSysEveryExistingDeviceFileCountsInRisingOrder) {
  fs::remove_all(Sys());
  DevNodes({"ttyUSB3", "ttyS0", "ttyUSB0"}, "ttyV1", "ttyV2");
  fs::permissions(Dev() / "ttyUSB0", fs::perms::none);  // one we may not open is still there
  EXPECT_THAT(Discover(), ElementsAre(1, 33, 36, 162));
}

}  // namespace
}  // namespace vindrel
