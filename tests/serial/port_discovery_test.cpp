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

// A machine in a temporary tree: sys/class/tty entries, their devices and USB identities, dev
// nodes, stable names in dev/serial/by-id, and ttyV links to a live device and to a gone one.
TEST(PortDiscovery, FindsPortsBySysOrByDeviceFileAndDescribesThem) {
  const test::TempDir dir;
  const fs::path dev = fs::path(dir.path) / "dev", sys = fs::path(dir.path) / "sys";
  const auto write = [](const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    std::ofstream(file) << text << "\n";
  };
  // An entry; device: its directory below sys/devices ("": none); type < 0: no type file.
  const auto entry = [&](const std::string& name, const std::string& device = "", int type = -1) {
    write(sys / "class/tty" / name / "uevent", "");
    if (!device.empty()) {
      fs::create_directories(sys / "devices" / device);
      fs::create_directory_symlink(sys / "devices" / device, sys / "class/tty" / name / "device");
    }
    if (type >= 0) write(sys / "class/tty" / name / "type", std::to_string(type));
  };
  entry("ttyS0", "platform/serial8250", 4);  // a real 16550A
  entry("ttyS1", "platform/serial8250", 0);  // placeholder: no UART behind it
  // usb-serial puts its port below the interface; cdc-acm's device is the interface itself.
  entry("ttyUSB0", "usb1/1-1/1-1:1.0/ttyUSB0");
  entry("ttyACM0", "usb1/1-2/1-2:1.0");
  entry("ttyUSB1", "usb1/1-3/1-3:1.0/ttyUSB1");  // unplugged a moment ago: no dev node
  entry("ttyAMA0", "", 4);                       // no device link
  entry("rfcomm0");                              // bound Bluetooth: no device until it connects
  entry("rfcomm1");                              // released: no dev node
  entry("tty0");                                 // virtual console: not a serial family
  for (const char* usb : {"usb1/1-1", "usb1/1-2"})
    write(sys / "devices" / usb / "idVendor", "0403");
  write(sys / "devices/usb1/1-1/manufacturer", "FTDI");
  write(sys / "devices/usb1/1-1/product", "FT232R USB UART");
  write(sys / "devices/usb1/1-2/product", "Pico");
  for (const char* node : {"ttyS0", "ttyS1", "ttyUSB0", "ttyACM0", "ttyAMA0", "tty0", "rfcomm0"}) {
    write(dev / node, "");
  }
  fs::create_directories(dev / "serial/by-id");
  fs::create_symlink("../../ttyUSB0", dev / "serial/by-id/usb-FTDI_FT232R_A1-if00-port0");
  fs::create_symlink("../../ttyUSB1", dev / "serial/by-id/usb-Prolific-if00-port0");
  fs::create_symlink("/dev/null", dev / "ttyV0");
  fs::create_symlink("/dev/pts/does-not-exist", dev / "ttyV1");

  const std::pair<int, const char*> descriptions[] = {
      {33, "FTDI FT232R USB UART (usb-FTDI_FT232R_A1-if00-port0)"},
      {65, "Pico"},
      {1, ""},  // a UART on the board: nothing to tell
      {34, "usb-Prolific-if00-port0"},
      {161, "link to /dev/null"},
  };
  for (const auto& [number, description] : descriptions) {
    EXPECT_EQ(DescribeSerialPort(number, {dev.string(), sys.string()}), description) << number;
  }
  PortNumberList ports{7, 8, 9};  // what a list held before is not kept
  DiscoverSerialPorts(ports, {dev.string(), sys.string()});
  EXPECT_THAT(ports, ::testing::UnorderedElementsAre(1, 33, 65, 129, 161));
  EXPECT_EQ(ports.back(), 161u) << "virtual ports come after the ports sys lists";
  // Without sys every device file that exists counts, in rising order, also one we may not open.
  fs::remove_all(sys);
  fs::permissions(dev / "ttyUSB0", fs::perms::none);
  DiscoverSerialPorts(ports, {dev.string(), sys.string()});
  EXPECT_THAT(ports, ::testing::ElementsAre(1, 2, 33, 65, 97, 129, 161));
}

}  // namespace
}  // namespace vindrel
