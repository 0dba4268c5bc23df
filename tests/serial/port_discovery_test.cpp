#include "serial/port_discovery.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "serial/port_description.h"
#include "tests/support/temp_dir.h"

namespace vindrel {
namespace {

namespace fs = std::filesystem;

// A machine in a temporary tree: sys/class/tty entries, their devices, USB identities, dev nodes,
// stable names in dev/serial/by-id and ttyV links to a live device and to a gone one.
class PortTree : public ::testing::Test {
 protected:
  // A sys/class/tty entry; device: its directory below sys/devices ("": none); type < 0: no file.
  void Entry(const std::string& name, const std::string& device = "", int type = -1) {
    fs::create_directories(sys / "class/tty" / name);
    if (!device.empty()) {
      fs::create_directories(sys / "devices" / device);
      fs::create_directory_symlink(sys / "devices" / device, sys / "class/tty" / name / "device");
    }
    if (type >= 0) std::ofstream(sys / "class/tty" / name / "type") << type << "\n";
  }
  void Write(const fs::path& file, const std::string& text) { std::ofstream(file) << text << "\n"; }

  void SetUp() override {
    Entry("ttyS0", "platform/serial8250", 4);  // a real 16550A
    Entry("ttyS1", "platform/serial8250", 0);  // placeholder: no UART behind it
    // usb-serial puts its port below the interface; cdc-acm's device is the interface itself.
    Entry("ttyUSB0", "usb1/1-1/1-1:1.0/ttyUSB0");
    Entry("ttyACM0", "usb1/1-2/1-2:1.0");
    Entry("ttyUSB1", "usb1/1-3/1-3:1.0/ttyUSB1");  // unplugged a moment ago: no dev node
    Entry("ttyAMA0", "", 4);                       // no device link
    Entry("rfcomm0");                              // bound Bluetooth: no device until it connects
    Entry("rfcomm1");                              // released: no dev node
    Entry("tty0");                                 // virtual console: not a serial family
    for (const char* usb : {"usb1/1-1", "usb1/1-2"})
      Write(sys / "devices" / usb / "idVendor", "0403");
    Write(sys / "devices/usb1/1-1/manufacturer", "FTDI");
    Write(sys / "devices/usb1/1-1/product", "FT232R USB UART");
    Write(sys / "devices/usb1/1-2/product", "Pico");
    fs::create_directories(dev / "serial/by-id");
    for (const char* node :
         {"ttyS0", "ttyS1", "ttyUSB0", "ttyACM0", "ttyAMA0", "tty0", "rfcomm0"}) {
      Write(dev / node, "");
    }
    fs::create_symlink("../../ttyUSB0", dev / "serial/by-id/usb-FTDI_FT232R_A1-if00-port0");
    fs::create_symlink("../../ttyUSB1", dev / "serial/by-id/usb-Prolific-if00-port0");
    fs::create_symlink("/dev/null", dev / "ttyV0");
    fs::create_symlink("/dev/pts/does-not-exist", dev / "ttyV1");
  }

  PortNumberList Discover() const {
    PortNumberList ports{7, 8, 9};  // what a list held before is not kept
    DiscoverSerialPorts(ports, {dev.string(), sys.string()});
    return ports;
  }

  test::TempDir dir;
  const fs::path dev = fs::path(dir.path) / "dev", sys = fs::path(dir.path) / "sys";
};

TEST_F(PortTree, DiscoveryFindsRealPortsAndVirtualLinksAndDropsTheRest) {
  const PortNumberList ports = Discover();
  EXPECT_THAT(ports, ::testing::UnorderedElementsAre(1, 33, 65, 129, 161));
  EXPECT_EQ(ports.back(), 161u) << "virtual ports come after the ports sys lists";
}

TEST_F(PortTree, WithoutSysDiscoveryTakesEveryExistingDeviceFileInRisingOrder) {
  fs::remove_all(sys);
  fs::permissions(dev / "ttyUSB0", fs::perms::none);  // one we may not open is still there
  EXPECT_THAT(Discover(), ::testing::ElementsAre(1, 2, 33, 65, 97, 129, 161));
}

TEST_F(PortTree, DescriptionsTellUsbIdentityStableNameOrLinkTarget) {
  const std::pair<int, const char*> cases[] = {
      {33, "FTDI FT232R USB UART (usb-FTDI_FT232R_A1-if00-port0)"},
      {65, "Pico"},
      {1, ""},  // a UART on the board: nothing to tell
      {34, "usb-Prolific-if00-port0"},
      {161, "link to /dev/null"},
      {200, ""},  // outside the table
  };
  for (const auto& [number, description] : cases) {
    EXPECT_EQ(DescribeSerialPort(number, {dev.string(), sys.string()}), description) << number;
  }
}

}  // namespace
}  // namespace vindrel
