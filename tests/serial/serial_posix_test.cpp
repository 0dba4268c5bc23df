// The POSIX backend: the port on pseudo-terminals, the termios mapping as a pure function, and
// discovery and descriptions on temporary trees.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <pthread.h>
#include <signal.h>

#include <array>
#include <cerrno>
#include <ctime>
#include <fstream>
#include <thread>

#include "pty_peer.h"
#include "serial/open_settings.h"
#include "serial/port_description.h"
#include "serial/port_discovery.h"
#include "serial/serial_port.h"
#include "serial/termios_mapping.h"

namespace vindrel {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// The error code a call raises; 0 when it raises nothing.
std::uint32_t RaisedCode(const std::function<void()>& call) try {
  call();
  return 0;
} catch (const CSerialException& e) {
  return e.errorCode;
}

class SerialPortTest : public ::testing::Test {
 protected:
  // Opens as the tracker link does (4800 baud, 8N1) unless told otherwise; the code raised.
  std::uint32_t Open(CSerialPort& p, int number = test::PtyPeer::kPortNumber,
                     SerialParity parity = ParityNone, std::uint8_t dataBits = 8) {
    p.SetDeviceDirectory(peer.Devices());
    return RaisedCode([&] { p.Open(number, 4800, parity, dataBits, StopBitsOne, FlowNone, 0); });
  }

  test::PtyPeer peer;
  CSerialPort port;
};

TEST_F(SerialPortTest, OpenClosesFirstKeepsThePortToItselfAndAHeldWriteEndsAtItsTimeout) {
  const auto fds = [] { return std::distance(fs::directory_iterator("/proc/self/fd"), {}); };
  const auto before = fds();
  CSerialPort other;
  ASSERT_EQ(Open(port), 0u);
  EXPECT_NE(::fcntl(port.deviceHandle, F_GETFD) & FD_CLOEXEC, 0);
  port.SetTimeoutSettings({1, 2, 3, 4, 5});
  ASSERT_EQ(Open(port), 0u);  // reopened while open: time-outs start from zero again
  SerialTimeouts t{9, 9, 9, 9, 9};
  port.GetTimeoutSettings(t);
  EXPECT_EQ(t.ReadIntervalTimeout + t.ReadTotalTimeoutConstant + t.WriteTotalTimeoutConstant, 0u);
  EXPECT_EQ(Open(other), std::uint32_t{EBUSY});
  EXPECT_FALSE(other.IsOpen());
  // ttyV1, not in the tree; 0, which has no name. Either failure leaves the port closed.
  for (const int missing : {162, 0}) EXPECT_EQ(Open(port, missing), std::uint32_t{ENOENT});
  EXPECT_FALSE(port.IsOpen());
  EXPECT_EQ(Open(other), 0u) << "the failed open released the old port";
  other.Close();
  // A pseudo-terminal keeps 8 data bits and no parity: the read-back refuses, the port stays open.
  EXPECT_EQ(Open(port, test::PtyPeer::kPortNumber, ParityOdd, 7), std::uint32_t{EINVAL});
  EXPECT_TRUE(port.IsOpen());
  peer.HoldLine();  // a write the line holds back ends short at 3 x 150 ms
  port.SetTimeoutSettings({0, 0, 0, 150, 0});
  const auto start = Clock::now();
  EXPECT_EQ(port.Write("abc", 3), 0u);
  EXPECT_GE(Clock::now() - start, 440ms);
  EXPECT_LT(Clock::now() - start, 2000ms);
  port.Close();  // a closed port neither waits nor reports a transfer
  char byte = 'x';
  EXPECT_EQ(RaisedCode([&] { port.Read(&byte, 1); }), std::uint32_t{EBADF});
  EXPECT_EQ(RaisedCode([&] { port.Write(&byte, 1); }), std::uint32_t{EBADF});
  EXPECT_EQ(fds(), before) << "descriptors leaked";
}

// Each read runs while the peer interrupts it with a signal every 50 ms (poll() then fails with
// EINTR) and, late, sends bytes or hangs up.
TEST_F(SerialPortTest, ReadEndsAtItsTimeoutsWithoutSpinning) {
  ::signal(SIGUSR1, [](int) {});  // restarts calls, but poll() fails with EINTR all the same
  ASSERT_EQ(Open(port), 0u);
  constexpr std::uint32_t kMax = kMaxTimeout;
  // clang-format off
  const struct {
    const char* what; SerialTimeouts timeouts;  // of a read of 10 bytes
    std::string before; void (CSerialPort::*purge)();  // in the input queue before the read; then
    int lateMs; std::string late;  // after the read's start (-1: never) bytes, or "": hang up
    std::string got; std::uint32_t code; long long atLeast, below;  // milliseconds
  } cases[] = {
      {"silent line", {0, 0, 1000}, "", nullptr, -1, "", "", 0, 990, 1700},
      {"partial data", {0, 0, 500}, "0123", nullptr, -1, "", "0123", 0, 490, 1200},
      {"all zero", {}, "12345", nullptr, 600, "67890", "1234567890", 0, 590, 5000},
      // At once however busy the machine: no time-out applies, a fault waits for the peer.
      {"buffered only", {kMax, 0, 0}, "abc", nullptr, -1, "", "abc", 0, 0, 2000},
      {"input purged", {kMax, 0, 0}, "abc", &CSerialPort::DiscardInput, -1, "", "", 0, 0, 2000},
      {"output purged", {kMax, 0, 0}, "abc", &CSerialPort::DiscardOutput, -1, "", "abc", 0, 0,
       2000},
      {"hang-up", {}, "", nullptr, 400, "", "", EIO, 390, 3000},  // the last
  };
  // clang-format on
  char buffer[10];
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    port.SetTimeoutSettings(c.timeouts);
    peer.Send(c.before);
    pollfd ready{static_cast<int>(port.deviceHandle), POLLIN, 0};
    ASSERT_EQ(::poll(&ready, 1, c.before.empty() ? 0 : 2000), c.before.empty() ? 0 : 1);
    if (c.purge) (port.*c.purge)();
    std::uint32_t got = 0, code = 0;
    const std::clock_t cpu = std::clock();
    const auto start = Clock::now();
    {
      std::jthread peerSide([&, reader = ::pthread_self()](std::stop_token reading) {
        for (bool due = c.lateMs >= 0; !reading.stop_requested(); ::pthread_kill(reader, SIGUSR1)) {
          std::this_thread::sleep_for(50ms);
          if (Clock::now() - start > 6s) peer.HangUp();  // a read that never ends fails instead
          if (due && Clock::now() - start >= std::chrono::milliseconds(c.lateMs)) {
            due = false;
            c.late.empty() ? peer.HangUp() : peer.Send(c.late);
          }
        }
      });
      code = RaisedCode([&] { got = port.Read(buffer, sizeof buffer); });
    }
    EXPECT_EQ(std::pair(std::string(buffer, got), code), std::pair(c.got, c.code));
    const auto ms = (Clock::now() - start) / 1ms;
    EXPECT_TRUE(ms >= c.atLeast && ms < c.below) << ms << " ms";
    EXPECT_LT((std::clock() - cpu) * 1000.0 / CLOCKS_PER_SEC, 150.0) << "CPU milliseconds";
    if (!c.code) port.DiscardInput();  // what the peer sent after the read ended
  }
  EXPECT_EQ(RaisedCode([&] { port.Read(buffer, 1); }), std::uint32_t{EIO}) << "and ever after";
}

// Open's settings over a terminal as a previous program may have left it: cooked, 9600 baud,
// 7E2, both kinds of flow control. (Only the tracker's line and what Linux refuses: no program
// here opens another.)
TEST(TermiosMapping, EveryOpenSettingGivesARawTerminalOrIsRefusedWithEinval) {
  // clang-format off
  termios cooked{ICRNL | INPCK | IXON | IXANY | PARMRK | ISTRIP | BRKINT, OPOST | ONLCR,
                 CS7 | PARENB | CSTOPB | CRTSCTS | HUPCL, ICANON | ECHO | ECHOE | ISIG | IEXTEN,
                 0, {}, 0, 0};
  cooked.c_cc[VMIN] = cooked.c_cc[VTIME] = 5;
  cooked.c_cc[VSTART] = 'a';
  cooked.c_cc[VSTOP] = 'b';
  cfsetspeed(&cooked, B9600);
  const struct {
    std::uint32_t baud; SerialParity parity; std::uint8_t dataBits; SerialStopBits stopBits;
    SerialFlowControl flow; tcflag_t cflag, iflag; speed_t speed;  // speed 0: refused, EINVAL
  } cases[] = {
      {4800, ParityNone, 8, StopBitsOne, FlowNone, CS8, 0, B4800},  // the tracker's
      {9600, ParityEven, 7, StopBitsTwo, FlowNone, CS7 | PARENB | CSTOPB, 0, B9600},
      {4801, ParityNone, 8, StopBitsOne, FlowNone, 0, 0, 0},  // no speed constant: refused
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "row " << &c - cases);
    termios t = cooked;
    LineSettings s;
    TermiosToLineSettings(t, s);
    s.fDsrSensitivity = true;  // as a driver may report it: Open always turns it off
    ApplyOpenSettings(s, c.baud, c.parity, c.dataBits, c.stopBits, c.flow);
    ASSERT_EQ(LineSettingsToTermios(s, t), c.speed == 0 ? EINVAL : 0);
    if (c.speed == 0) continue;
    EXPECT_EQ(
        std::tuple(t.c_cflag & ~CBAUD, t.c_iflag, t.c_oflag & OPOST, t.c_lflag, t.c_cc[VMIN],
                   t.c_cc[VTIME], t.c_cc[VSTART], t.c_cc[VSTOP], cfgetospeed(&t), cfgetispeed(&t)),
        std::tuple(c.cflag | CLOCAL | CREAD | HUPCL, c.iflag, 0u, 0u, 0, 0, 0x11, 0x13, c.speed,
                   c.speed));
    LineSettings b;  // reading the terminal back gives what was applied
    TermiosToLineSettings(t, b);
    EXPECT_EQ(
        std::tuple(b.BaudRate, b.ByteSize, b.Parity, b.StopBits, b.fOutxCtsFlow, b.fOutX, b.fInX),
        std::tuple(s.BaudRate, s.ByteSize, s.Parity, s.StopBits, s.fOutxCtsFlow, s.fOutX, s.fInX));
  }
}

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
  write(sys / "devices/usb1/1-1/idVendor", "0403");
  write(sys / "devices/usb1/1-2/idVendor", "2e8a");
  write(sys / "devices/usb1/1-1/manufacturer", "FTDI");
  write(sys / "devices/usb1/1-1/product", "FT232R USB UART");
  write(sys / "devices/usb1/1-2/product", "Pico");
  for (const char* node : {"ttyS0", "ttyS1", "ttyUSB0", "ttyACM0", "ttyAMA0", "rfcomm0"}) {
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
      {34, "usb-Prolific-if00-port0"},
  };
  for (const auto& [number, description] : descriptions) {
    EXPECT_EQ(DescribeSerialPort(number, {dev.string(), sys.string()}), description) << number;
  }
  PortNumberList ports{7, 8, 9};  // what a list held before is not kept
  DiscoverSerialPorts(ports, {dev.string(), sys.string()});
  EXPECT_THAT(ports, ::testing::UnorderedElementsAre(1, 33, 65, 129, 161));
  // Without sys every device file that exists counts, in rising order, also one we may not open.
  fs::remove_all(sys);
  fs::permissions(dev / "ttyUSB0", fs::perms::none);
  DiscoverSerialPorts(ports, {dev.string(), sys.string()});
  EXPECT_THAT(ports, ::testing::ElementsAre(1, 2, 33, 65, 97, 129, 161));
}

}  // namespace
}  // namespace vindrel
