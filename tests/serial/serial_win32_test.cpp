// The Windows backend against native virtual trackers that the wine fixture maps to COM numbers:
// a well-behaved one on VINDREL_WINE_COM_TRACKER, a silent one on VINDREL_WINE_COM_SILENT.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "create_file_stand_in_win32.h"
#include "serial/port_discovery.h"
#include "serial/port_names.h"
#include "serial/serial_port.h"

namespace vindrel {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using test::CreateFileStandIn;

constexpr int kTracker = VINDREL_WINE_COM_TRACKER;
constexpr int kSilent = VINDREL_WINE_COM_SILENT;

std::uint32_t RaisedCode(const std::function<void()>& call) {
  try {
    call();
  } catch (const CSerialException& e) {
    return e.errorCode;
  }
  return 0;
}

// As the tracker link opens it: 4800 baud 8N1, one-second time-outs.
void OpenLikeTheLink(CSerialPort& port, int number) {
  port.Open(number, 4800, ParityNone, 8, StopBitsOne, FlowNone, false);
  port.SetQueueSizes(1024, 1024);
  port.SetTimeoutSettings({0, 0, 1000, 0, 1000});
}

// (The handle's number may already serve some other object, never a port.)
bool IsOpenPort(HANDLE handle) {
  DCB dcb{};
  return ::GetCommState(handle, &dcb);
}

TEST(SerialPortWin32, LineSettingsReachTheDriverAndComeBack) {
  CSerialPort port;
  OpenLikeTheLink(port, kTracker);
  // Wine drops XON/XOFF output while CTS flow control is on: one at a time.
  for (const bool cts : {true, false}) {
    LineSettings settings;
    port.GetLineSettings(settings);
    settings.BaudRate = 19200;
    settings.StopBits = kTwoStopBits;
    settings.fOutxCtsFlow = cts;
    settings.fOutX = !cts;  // fInX stays off: the two must not trade places
    settings.XonChar = 0x12;
    settings.XoffChar = 0x14;
    port.SetLineSettings(settings);
    DCB dcb{};
    ASSERT_TRUE(::GetCommState(reinterpret_cast<HANDLE>(port.deviceHandle), &dcb));
    LineSettings back;
    port.GetLineSettings(back);
    const auto row = [](const auto& d) {
      return std::vector<long long>{d.BaudRate, d.StopBits, d.fOutxCtsFlow, d.fOutX,
                                    d.fInX,     d.XonChar,  d.XoffChar};
    };
    const std::vector<long long> wanted{19200, TWOSTOPBITS, cts, !cts, 0, 0x12, 0x14};
    EXPECT_EQ(row(dcb), wanted);
    EXPECT_EQ(row(back), wanted);
  }
}

TEST(SerialPortWin32, ReadEndsAtItsTimeoutsAndPurgeDropsWhatHasCome) {
  const struct {
    const char* what;
    int number;
    std::string send;  // to the tracker before the read; its answer comes at once
    bool purge;
    SerialTimeouts timeouts;
    std::string got;
    long long atLeast, below;  // milliseconds
  } cases[] = {
      // 2 ms a byte for 256 bytes and 500 ms; the write time-out has no say.
      {"silent tracker", kSilent, "!", false, {0, 2, 500, 0, 3000}, "", 1000, 2500},
      {"what is buffered", kTracker, "V", false, {MAXDWORD, 0, 0, 0, 0}, "V\x01\x07", 0, 500},
      {"purged", kTracker, "V", true, {MAXDWORD, 0, 0, 0, 0}, "", 0, 500},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    CSerialPort port;
    OpenLikeTheLink(port, c.number);
    EXPECT_EQ(port.Write(c.send.data(), 1), 1u);
    std::this_thread::sleep_for(300ms);
    if (c.purge) port.DiscardInput();
    port.SetTimeoutSettings(c.timeouts);
    char buffer[256];
    const auto start = Clock::now();
    const std::uint32_t got = port.Read(buffer, sizeof buffer);
    const auto elapsed = Clock::now() - start;
    EXPECT_EQ(std::string(buffer, got), c.got);
    EXPECT_GE(elapsed, std::chrono::milliseconds(c.atLeast));
    EXPECT_LT(elapsed, std::chrono::milliseconds(c.below));
  }
}

TEST(SerialPortWin32, AFailedOpenLeavesThePortClosedAndTheOldDeviceReleased) {
  CSerialPort port;
  EXPECT_NO_THROW(port.Close());
  OpenLikeTheLink(port, kTracker);
  const HANDLE old = reinterpret_cast<HANDLE>(port.deviceHandle);
  CreateFileStandIn standIn(CreateFileStandIn::Failing(ERROR_ACCESS_DENIED));  // held elsewhere
  EXPECT_EQ(RaisedCode([&] { port.Open(12, 4800, ParityNone, 8, StopBitsOne, FlowNone, true); }),
            std::uint32_t{ERROR_ACCESS_DENIED});
  EXPECT_EQ(standIn.names, std::vector<std::string>{"\\\\.\\COM12"});
  EXPECT_TRUE(standIn.asWanted) << "overlapped or not, the port is opened synchronously";
  EXPECT_FALSE(port.IsOpen());
  EXPECT_FALSE(IsOpenPort(old)) << "the old device is still open";
  char byte = '!';
  EXPECT_EQ(RaisedCode([&] { port.Read(&byte, 1); }), std::uint32_t{ERROR_INVALID_HANDLE});
  EXPECT_EQ(RaisedCode([&] { port.Write(&byte, 1); }), std::uint32_t{ERROR_INVALID_HANDLE});
}

TEST(PortDiscoveryWin32, TheDeviceNamesHoldTheMappedComNumbers) {
  PortNumberList ports{999};  // what a list held before is not kept
  DiscoverSerialPorts(ports);
  EXPECT_THAT(ports, ::testing::IsSupersetOf({std::uint32_t{kTracker}, std::uint32_t{kSilent}}));
  EXPECT_THAT(ports, ::testing::Not(::testing::Contains(999u)));
  EXPECT_EQ(PortDisplayName(kTracker), "COM" + std::to_string(kTracker));
}

TEST(PortDiscoveryWin32, ProbingCountsOpenedRefusedAndFailingPortsAndClosesWhatOpened) {
  const std::map<int, DWORD> errors{
      {5, ERROR_ACCESS_DENIED}, {7, ERROR_GEN_FAILURE}, {9, ERROR_SHARING_VIOLATION}};
  std::vector<HANDLE> opened;  // of the tracker's port, standing in for the ports that open
  CreateFileStandIn standIn([&](const std::string& name) {
    const int number = std::atoi(name.c_str() + 7);
    if (number == 3 || number == 255) {
      opened.push_back(::CreateFileA(ComDeviceName(kTracker).c_str(), GENERIC_READ | GENERIC_WRITE,
                                     0, nullptr, OPEN_EXISTING, 0, nullptr));
      return opened.back();
    }
    ::SetLastError(errors.contains(number) ? errors.at(number) : ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  });
  PortNumberList ports{99};
  AppendProbedComPorts(ports);
  EXPECT_THAT(ports, ::testing::ElementsAre(99, 3, 5, 7, 255));
  EXPECT_EQ(standIn.names.size(), 255u);
  EXPECT_EQ(standIn.names.back(), "\\\\.\\COM255");
  EXPECT_TRUE(standIn.asWanted);
  ASSERT_EQ(opened.size(), 2u);
  EXPECT_FALSE(IsOpenPort(opened[0]) || IsOpenPort(opened[1])) << "a probed port stayed open";
}

}  // namespace
}  // namespace vindrel
