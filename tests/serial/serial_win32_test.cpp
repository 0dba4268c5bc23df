// The Windows backend against the native virtual tracker that the wine fixture maps to
// VINDREL_WINE_COM_TRACKER.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <array>
#include <bit>
#include <chrono>
#include <vector>

#include "create_file_stand_in_win32.h"
#include "serial/port_names.h"
#include "serial/serial_port.h"

namespace vindrel {
namespace {

constexpr int kTracker = VINDREL_WINE_COM_TRACKER;

// The driver's line settings; DCBlength 0 when handle is no open port. (A closed handle's number
// may serve some other object by now.)
DCB DriverLine(HANDLE handle) {
  DCB dcb{};
  dcb.DCBlength = ::GetCommState(handle, &dcb) ? sizeof dcb : 0;
  return dcb;
}

// The tracker's port, opened as the tracker link opens it.
class TrackerPort : public ::testing::Test {
 protected:
  TrackerPort() { port.Open(kTracker, 4800, ParityNone, 8, StopBitsOne, FlowNone, false); }

  CSerialPort port;
};

// (The line settings the driver gets: the tracker link's test, through the link's own open.)
TEST_F(TrackerPort, TimeOutsReachTheDriverAndPurgeDropsWhatABufferedReadWouldGet) {
  port.SetTimeoutSettings({1, 2, 3, 4, 5});
  COMMTIMEOUTS t{};  // five DWORDs in the order of SerialTimeouts
  ASSERT_TRUE(::GetCommTimeouts(reinterpret_cast<HANDLE>(port.deviceHandle), &t));
  EXPECT_EQ((std::bit_cast<std::array<DWORD, 5>>(t)), (std::array<DWORD, 5>{1, 2, 3, 4, 5}));
  port.SetTimeoutSettings({MAXDWORD, 0, 0, 0, 0});  // a read takes what is buffered, at once
  for (const bool purge : {false, true}) {
    EXPECT_EQ(port.Write("V", 1), 1u);  // echoed, with the version after it
    COMSTAT queue{};                    // until the three bytes have come, or five seconds
    for (int i = 0; i < 500 && queue.cbInQue < 3; ++i) {
      Sleep(10);
      ::ClearCommError(reinterpret_cast<HANDLE>(port.deviceHandle), nullptr, &queue);
    }
    if (purge) port.DiscardInput();
    char buffer[16];
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(std::string(buffer, port.Read(buffer, sizeof buffer)), purge ? "" : "V\x01\x07");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
  }
}

TEST_F(TrackerPort, AFailedOpenLeavesThePortClosedAndTheOldDeviceReleased) {
  const HANDLE old = reinterpret_cast<HANDLE>(port.deviceHandle);
  // The port is held elsewhere.
  test::CreateFileStandIn standIn(test::CreateFileStandIn::Failing(ERROR_ACCESS_DENIED));
  EXPECT_THAT([&] { port.Open(12, 4800, ParityNone, 8, StopBitsOne, FlowNone, true); },
              ::testing::Throws<CSerialException>(
                  ::testing::Field(&CSerialException::errorCode, ERROR_ACCESS_DENIED)));
  EXPECT_EQ(standIn.names, std::vector<std::string>{"\\\\.\\COM12"});
  EXPECT_TRUE(standIn.asWanted) << "overlapped or not, the port is opened synchronously";
  EXPECT_FALSE(port.IsOpen() || DriverLine(old).DCBlength) << "still open";
  EXPECT_THROW(port.Read(nullptr, 0), CSerialException);
}

TEST_F(TrackerPort, DiscoveryListsTheDeviceNamesOrProbesWithItsErrorRules) {
  // (How the dialog shows a port, "COM43", its own test under wine shows.)
  PortNumberList ports{999};  // what a list held before is not kept
  DiscoverSerialPorts(ports);
  EXPECT_THAT(ports, ::testing::Contains(std::uint32_t{kTracker}));
  EXPECT_THAT(ports, ::testing::Not(::testing::Contains(999u)));

  std::vector<HANDLE> opened;  // of the tracker's port, standing in for the ports that open
  test::CreateFileStandIn standIn([&](const std::string& name) {
    const int number = std::stoi(name.substr(7));
    if (number == 3 || number == 255) {
      opened.push_back(::CreateFileA(ComDeviceName(kTracker).c_str(), GENERIC_READ | GENERIC_WRITE,
                                     0, nullptr, OPEN_EXISTING, 0, nullptr));
      return opened.back();
    }
    ::SetLastError(number == 5   ? ERROR_ACCESS_DENIED
                   : number == 7 ? ERROR_GEN_FAILURE
                   : number == 9 ? ERROR_SHARING_VIOLATION
                                 : ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  });
  ports = {99};
  AppendProbedComPorts(ports);
  EXPECT_THAT(ports, ::testing::ElementsAre(99, 3, 5, 7, 255));
  EXPECT_EQ(standIn.names.size(), 255u);  // one open each, in the form AFailedOpen... shows
  EXPECT_TRUE(standIn.asWanted);
  ASSERT_EQ(opened.size(), 2u);
  EXPECT_FALSE(DriverLine(opened[0]).DCBlength || DriverLine(opened[1]).DCBlength) << "left open";
}

}  // namespace
}  // namespace vindrel
