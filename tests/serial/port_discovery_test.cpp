#include "serial/port_discovery.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "pty_peer.h"
#include "serial/port_names.h"

namespace vindrel {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;

TEST(PortNames, FamilyTableBothWays) {
  const struct {
    int number;
    const char* name;
  } cases[] = {{1, "ttyS0"},    {32, "ttyS31"},  {33, "ttyUSB0"},  {64, "ttyUSB31"},
               {65, "ttyACM0"}, {97, "ttyAMA0"}, {129, "rfcomm0"}, {160, "rfcomm31"},
               {161, "ttyV0"},  {192, "ttyV31"}};
  for (const auto& c : cases) {
    EXPECT_EQ(PortDeviceName(c.number), c.name);
    EXPECT_EQ(PortNumberFromDeviceName(c.name), c.number) << c.name;
  }
  EXPECT_EQ(PortDevicePath(33, "/tmp/x"), "/tmp/x/ttyUSB0");
  EXPECT_EQ(PortDevicePath(33, "/tmp/x/"), "/tmp/x/ttyUSB0");
  EXPECT_EQ(PortDisplayName(34), "/dev/ttyUSB1");

  for (const int outside : {0, -1, 193, 255, 256}) {
    EXPECT_EQ(PortDeviceName(outside), "") << outside;
    EXPECT_EQ(PortDevicePath(outside), "") << outside;
  }
  for (const char* other : {"tty0", "ttyS", "ttyUSB32", "ttyUSB01", "ttyS1a", "ttyS-1", "ttyUSB",
                            "console", "ptmx", "ttyV100", ""}) {
    EXPECT_EQ(PortNumberFromDeviceName(other), 0) << other;
  }
}

TEST(ComPortNames, WalkTakesComNamesInOrderReadLikeAtoi) {
  // A device-name list: NUL after each name, an empty name at the end.
  const char names[] = "COM1\0LPT1\0COM3\0com7\0COM\0COMX\0COM12\0";
  PortNumberList ports{99};
  AppendComPortNumbers(names, ports);
  EXPECT_THAT(ports, ElementsAre(99, 1, 3, 7, 0, 12));

  PortNumberList more;
  AppendComPortNumbers("COM3A\0Com4\0cOm 5\0COM3\0\0AfterTheEnd9\0", more);
  EXPECT_THAT(more, ElementsAre(3, 4, 5, 3));

  PortNumberList none;
  AppendComPortNumbers("\0", none);
  EXPECT_THAT(none, IsEmpty());
}

// A machine in a temporary directory: sys/class/tty entries and dev nodes.
class DiscoveryTree : public ::testing::Test {
 protected:
  fs::path Dev() const { return dir.Path() / "dev"; }
  fs::path Tty() const { return dir.Path() / "sys/class/tty"; }

  void SetUp() override {
    fs::create_directories(Dev());
    fs::create_directories(Tty());
    fs::create_directories(dir.Path() / "sys/devices/port");
  }

  // A sys entry; withDevice gives it the device link real ports have; type < 0: no type file.
  void SysEntry(const std::string& name, bool withDevice, int type = -1) const {
    fs::create_directories(Tty() / name);
    if (withDevice) {
      fs::create_directory_symlink(dir.Path() / "sys/devices/port", Tty() / name / "device");
    }
    if (type >= 0) {
      std::ofstream(Tty() / name / "type") << type << "\n";
    }
  }

  void DevNode(const std::string& name) const { std::ofstream(Dev() / name) << ""; }

  PortDiscoveryRoots Roots() const { return {Dev().string(), (dir.Path() / "sys").string()}; }

  test::TempDir dir;
};

TEST_F(DiscoveryTree, FindsRealPortsAndVirtualLinksAndDropsTheRest) {
  test::PtyPeer peer;          // a live pseudo-terminal for ttyV0 to point at
  SysEntry("ttyS0", true, 4);  // a real 16550A
  SysEntry("ttyS1", true, 0);  // placeholder: no UART behind it
  SysEntry("ttyUSB0", true);   // USB adapters have no type file
  SysEntry("ttyACM0", true);
  SysEntry("ttyUSB1", true);      // unplugged a moment ago: no /dev node
  SysEntry("tty0", false);        // virtual consoles: not a serial family, no device
  SysEntry("ttyAMA0", false, 4);  // no device link
  SysEntry("console", false);
  for (const char* node : {"ttyS0", "ttyS1", "ttyUSB0", "ttyACM0", "ttyAMA0", "tty0"}) {
    DevNode(node);
  }
  fs::create_symlink(peer.SlavePath(), Dev() / "ttyV0");
  fs::create_symlink("/dev/pts/does-not-exist", Dev() / "ttyV1");  // its tracker has gone

  PortNumberList ports{7, 8, 9};
  DiscoverSerialPorts(ports, Roots());
  EXPECT_THAT(ports, UnorderedElementsAre(1, 33, 65, 161));
  EXPECT_EQ(ports.back(), 161u) << "virtual ports come after the ports /sys lists";
}

TEST_F(DiscoveryTree, AnEmptyMachineGivesAnEmptyListOnBothWays) {
  PortNumberList ports{1, 2};
  DiscoverSerialPorts(ports, Roots());
  EXPECT_THAT(ports, IsEmpty());

  fs::remove_all(dir.Path() / "sys");
  ports = {3};
  DiscoverSerialPorts(ports, Roots());
  EXPECT_THAT(ports, IsEmpty());
}

TEST_F(DiscoveryTree, WithoutSysEveryNumberIsProbedInRisingOrder) {
  fs::remove_all(dir.Path() / "sys");
  test::PtyPeer peer;
  DevNode("ttyUSB3");
  DevNode("ttyS0");
  fs::create_symlink(peer.SlavePath(), Dev() / "ttyV1");
  fs::create_symlink("/dev/pts/does-not-exist", Dev() / "ttyV2");
  fs::create_directory(Dev() / "ttyACM0");  // opening fails, and not for a reason that counts

  PortNumberList ports{42};
  DiscoverSerialPorts(ports, Roots());
  EXPECT_THAT(ports, ElementsAre(1, 36, 162));
}

TEST_F(DiscoveryTree, ProbingCountsAPortWeMayNotOpenAsPresent) {
  if (::geteuid() == 0) {
    GTEST_SKIP() << "root opens every file";
  }
  fs::remove_all(dir.Path() / "sys");
  DevNode("ttyUSB0");
  fs::permissions(Dev() / "ttyUSB0", fs::perms::none);
  PortNumberList ports;
  DiscoverSerialPorts(ports, Roots());
  EXPECT_THAT(ports, ElementsAre(33));
}

}  // namespace
}  // namespace vindrel
