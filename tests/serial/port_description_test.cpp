#include "serial/port_description.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "pty_peer.h"

namespace vindrel {
namespace {

namespace fs = std::filesystem;

// A machine in a temporary tree: USB identities in sys, stable names in dev/serial/by-id.
TEST(PortDescription, UsbIdentityStableNameOrLinkTarget) {
  test::TempDir dir;
  const fs::path sys = fs::path(dir.path) / "sys", dev = fs::path(dir.path) / "dev";
  auto usbDevice = [&](const std::string& tty, const fs::path& ttyDevice, const char* manufacturer,
                       const char* product) {
    const fs::path usb = sys / "devices/usb1" / ttyDevice.begin()->string();
    fs::create_directories(sys / "devices/usb1" / ttyDevice);
    std::ofstream(usb / "idVendor") << "0403\n";
    if (*manufacturer) std::ofstream(usb / "manufacturer") << manufacturer << "\n";
    if (*product) std::ofstream(usb / "product") << product << "\n";
    fs::create_directories(sys / "class/tty" / tty);
    fs::create_directory_symlink(sys / "devices/usb1" / ttyDevice,
                                 sys / "class/tty" / tty / "device");
  };
  // usb-serial puts its port below the interface; cdc-acm's device is the interface itself.
  usbDevice("ttyUSB0", "1-1/1-1:1.0/ttyUSB0", "FTDI", "FT232R USB UART");
  usbDevice("ttyACM0", "1-2/1-2:1.0", "", "Pico");
  fs::create_directories(sys / "devices/platform/serial8250/tty/ttyS0");
  fs::create_directories(sys / "class/tty/ttyS0");
  fs::create_directory_symlink(sys / "devices/platform/serial8250", sys / "class/tty/ttyS0/device");
  fs::create_directories(dev / "serial/by-id");
  fs::create_symlink("../../ttyUSB0", dev / "serial/by-id/usb-FTDI_FT232R_A1-if00-port0");
  fs::create_symlink("../../ttyUSB1", dev / "serial/by-id/usb-Prolific-if00-port0");
  fs::create_symlink("/dev/pts/7", dev / "ttyV0");

  const std::pair<int, const char*> cases[] = {
      {33, "FTDI FT232R USB UART (usb-FTDI_FT232R_A1-if00-port0)"},
      {65, "Pico"},
      {1, ""},  // a UART on the board: nothing to tell
      {34, "usb-Prolific-if00-port0"},
      {161, "link to /dev/pts/7"},
      {200, ""},  // outside the table
  };
  for (const auto& [number, description] : cases) {
    EXPECT_EQ(DescribeSerialPort(number, {dev.string(), sys.string()}), description) << number;
  }
}

}  // namespace
}  // namespace vindrel
