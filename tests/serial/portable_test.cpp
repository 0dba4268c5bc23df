// What the serial layer does alike on both platforms: the port-number table, the walk of the
// Windows device list, the error texts and the in-process device.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstring>
#include <thread>

#include "emulator/tracker_emulator.h"
#include "serial/in_process_device.h"

#include "serial/port_discovery.h"
#include "serial/port_names.h"
#include "serial/serial_exception.h"
#include "serial/serial_port.h"

namespace vindrel {
namespace {

TEST(PortNames, FamilyTableBothWays) {
  const std::pair<int, const char*> cases[] = {
      {1, "ttyS0"},    {32, "ttyS31"},   {33, "ttyUSB0"},   {64, "ttyUSB31"}, {65, "ttyACM0"},
      {97, "ttyAMA0"}, {129, "rfcomm0"}, {160, "rfcomm31"}, {161, "ttyV0"},   {192, "ttyV31"}};
  for (const auto& [number, name] : cases) {
    EXPECT_EQ(PortDeviceName(number), name);
    EXPECT_EQ(PortNumberFromDeviceName(name), number) << name;
  }
  EXPECT_EQ(PortDevicePath(0) + PortDevicePath(193), "");
  for (const char* other : {"ttyS", "ttyUSB32", "ttyUSB01", "ttyS012", "ttyS1a", "ttyS-1"}) {
    EXPECT_EQ(PortNumberFromDeviceName(other), 0) << other;
  }
}

TEST(ComPortNames, WalkTakesComOneToTwoHundredFiftyFiveInOrderUpToTheEmptyName) {
  PortNumberList ports{99};
  AppendComPortNumbers(
      "COM1\0LPT1\0COM3\0com7\0COM\0COMX\0COM255\0COM3A\0COM0\0COM07\0COM256\0COM1000\0"
      "COM-1\0\0COM9\0",
      ports);
  EXPECT_THAT(ports, ::testing::ElementsAre(99, 1, 3, 7, 255));
}

// 5 is EIO on Linux and ERROR_ACCESS_DENIED on Windows; 107 is a Windows text with an insert.
TEST(SerialException, GetErrorTextGivesTheSystemsMessageWithinTheCapacity) {
  char full[256];
  unsigned help = 7;
  ASSERT_TRUE(CSerialException(5).GetErrorText(full, sizeof full, &help));
  EXPECT_EQ(help, 0u);
  const std::string message = full;
  EXPECT_FALSE(std::isspace(message.back())) << "the system's closing line break stays out";
  EXPECT_TRUE(CSerialException(107).GetErrorText(full, sizeof full)) << "an insert, no arguments";
  for (const auto& [code, capacity, known, text] :
       {std::tuple{5u, 10u, true, message.substr(0, 9)}, std::tuple{5u, 1u, true, std::string()},
        std::tuple{0x20001234u, 32u, false, std::string()}}) {
    char got[72];
    std::memset(got, 'x', sizeof got);
    EXPECT_EQ(CSerialException(code).GetErrorText(got, capacity), known) << code;
    EXPECT_EQ(got, text) << code;
    EXPECT_EQ(got[capacity], 'x') << "written beyond the capacity";
  }
}

// The emulator as the in-process device, reached as a port: the same time-outs as a line, bytes
// timed at the line's speed, and a purge that drops what has come and what has not yet gone out.
TEST(InProcessPort, TimesBytesAndTimeOutsAsALineDoes) {
  using Clock = std::chrono::steady_clock;
  using namespace std::chrono_literals;
  auto device = std::make_shared<InProcessDeviceOf<TrackerEmulator>>();
  CSerialPort port;
  EXPECT_THROW(port.Open(kInProcessPortNumber, 4800, ParityNone, 8, StopBitsOne, FlowNone, false),
               CSerialException);  // nothing registered
  RegisterInProcessPort({"Virtuele tracker", "", device});
  port.Open(kInProcessPortNumber, 4800, ParityNone, 8, StopBitsOne, FlowNone, false);
  SerialTimeouts timeouts{0, 0, 200, 0, 0};
  port.SetTimeoutSettings(timeouts);
  auto transfer = [&](std::string_view out, std::uint32_t count) {
    port.Write(out.data(), static_cast<std::uint32_t>(out.size()));
    std::string in(count, '\0');
    const auto start = Clock::now();
    in.resize(port.Read(in.data(), count));
    return std::pair{in, Clock::now() - start};
  };
  // "V" out and three bytes back, ten bits a byte at 4800 baud.
  const auto [version, took] = transfer("V", 5);
  EXPECT_EQ(version, std::string("V\x01\x07", 3));
  EXPECT_GE(took, 200ms) << "the total time-out ran out first";
  ASSERT_TRUE(transfer("!", 1).second >= 4ms) << "two byte times: out and back";

  // An image stalled after 40 bytes: the interval ends the read, the rest comes in its time.
  VirtualTrackerFaults stall;
  stall.stallBlock = 40;
  device->peer.SetFaults(stall);
  port.SetTimeoutSettings(timeouts = {100, 0, 0, 0, 0});
  const auto [first, gap] = transfer("D", 256);
  EXPECT_EQ(first.size(), 41u);
  EXPECT_LT(gap, 1s);
  port.SetTimeoutSettings(timeouts = {0, 0, 3000, 0, 0});
  EXPECT_EQ(transfer("", 256).first.size(), 216u) << "the rest, after the stall";

  device->peer.SetFaults({});
  port.Write("L!", 2);
  port.FlushOutput();
  std::this_thread::sleep_for(20ms);  // both answers have arrived
  port.PurgeQueues(kPurgeRxClear);
  const std::string tones(100, 'H');  // 208 ms on the wire
  port.Write(tones.data(), 100);
  port.PurgeQueues(kPurgeTxClear);  // only those on their way in time reach the tracker
  const auto& received = device->peer.ReceivedBytes();
  const auto reached = std::count(received.begin(), received.end(), 'H');
  EXPECT_LT(reached, 100);
  port.SetTimeoutSettings(timeouts = {0, 0, 300, 0, 0});
  EXPECT_EQ(transfer("!", 200).first, std::string(reached, 'H') + "!");
  port.Close();
  EXPECT_FALSE(port.IsOpen());
  RegisterInProcessPort({});
}

}  // namespace
}  // namespace vindrel
