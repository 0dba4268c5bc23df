// The Windows backend against native virtual trackers that the wine fixture maps to COM numbers:
// a well-behaved one on VINDREL_WINE_COM_TRACKER, a silent one on VINDREL_WINE_COM_SILENT.
#include "serial/serial_port.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "create_file_stand_in_win32.h"

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

HANDLE Handle(const CSerialPort& port) { return reinterpret_cast<HANDLE>(port.deviceHandle); }

DCB DriverSettings(const CSerialPort& port) {
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  EXPECT_TRUE(::GetCommState(Handle(port), &dcb));
  return dcb;
}

// As the tracker link opens it: 4800 baud 8N1, one-second time-outs.
void OpenLikeTheLink(CSerialPort& port, int number) {
  port.Open(number, 4800, ParityNone, 8, StopBitsOne, FlowNone, false);
  port.SetQueueSizes(1024, 1024);
  port.SetTimeoutSettings({0, 0, 1000, 0, 1000});
}

TEST(SerialPortWin32, OpensAtTheTrackersSettingsAndTalksToIt) {
  CSerialPort port;
  OpenLikeTheLink(port, kTracker);
  const DCB dcb = DriverSettings(port);
  EXPECT_EQ(dcb.BaudRate, 4800u);
  EXPECT_EQ(dcb.ByteSize, 8);
  EXPECT_EQ(dcb.Parity, NOPARITY);
  EXPECT_EQ(dcb.StopBits, ONESTOPBIT);
  EXPECT_EQ(dcb.fOutxCtsFlow + dcb.fOutxDsrFlow + dcb.fOutX + dcb.fInX + dcb.fDsrSensitivity, 0u);

  // The handshake, then "V": echoed and followed by the version bytes.
  EXPECT_EQ(port.Write("!V", 2), 2u);
  char reply[8] = {};
  EXPECT_EQ(port.Read(reply, 4), 4u);
  EXPECT_EQ(std::string(reply, 4), std::string("!V\x01\x07", 4));
}

TEST(SerialPortWin32, LineSettingsReachTheDriverAndComeBack) {
  using Member = std::function<std::uint32_t(const LineSettings&)>;
  using Raw = std::function<std::uint32_t(const DCB&)>;
  const struct {
    const char* what;
    std::function<void(LineSettings&)> change;
    Member member;
    Raw raw;
    std::uint32_t value;
  } cases[] = {
      {"speed", [](LineSettings& s) { s.BaudRate = 19200; },
       [](const LineSettings& s) { return s.BaudRate; }, [](const DCB& d) { return d.BaudRate; },
       19200},
      {"stop bits", [](LineSettings& s) { s.StopBits = kTwoStopBits; },
       [](const LineSettings& s) { return s.StopBits; }, [](const DCB& d) { return d.StopBits; },
       TWOSTOPBITS},
      {"CTS flow", [](LineSettings& s) { s.fOutxCtsFlow = true; },
       [](const LineSettings& s) { return s.fOutxCtsFlow; },
       [](const DCB& d) { return d.fOutxCtsFlow; }, 1},
      {"XON/XOFF out", [](LineSettings& s) { s.fOutX = true; },
       [](const LineSettings& s) { return s.fOutX; }, [](const DCB& d) { return d.fOutX; }, 1},
      {"XON/XOFF in", [](LineSettings& s) { s.fInX = true; },
       [](const LineSettings& s) { return s.fInX; }, [](const DCB& d) { return d.fInX; }, 1},
      {"XON character", [](LineSettings& s) { s.XonChar = 0x12; },
       [](const LineSettings& s) { return s.XonChar; },
       [](const DCB& d) { return static_cast<std::uint32_t>(d.XonChar); }, 0x12},
      {"XOFF character", [](LineSettings& s) { s.XoffChar = 0x14; },
       [](const LineSettings& s) { return s.XoffChar; },
       [](const DCB& d) { return static_cast<std::uint32_t>(d.XoffChar); }, 0x14},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    CSerialPort port;
    OpenLikeTheLink(port, kTracker);
    LineSettings settings;
    port.GetLineSettings(settings);
    c.change(settings);
    port.SetLineSettings(settings);
    EXPECT_EQ(c.raw(DriverSettings(port)), c.value);
    LineSettings back;
    port.GetLineSettings(back);
    EXPECT_EQ(c.member(back), c.value);
  }
  CSerialPort port;  // the line as the other tests expect it
  port.Open(kTracker, 4800, ParityNone, 8, StopBitsOne, FlowNone, false);
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
      {"silent tracker", kSilent, "!", false, {0, 0, 1000, 0, 1000}, "", 990, 2500},
      {"what is buffered", kTracker, "V", false, {MAXDWORD, 0, 0, 0, 0}, "V\x01\x07", 0, 500},
      {"nothing buffered", kTracker, "", false, {MAXDWORD, 0, 0, 0, 0}, "", 0, 500},
      {"purged", kTracker, "V", true, {MAXDWORD, 0, 0, 0, 0}, "", 0, 500},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    CSerialPort port;
    OpenLikeTheLink(port, c.number);
    EXPECT_EQ(port.Write(c.send.data(), static_cast<std::uint32_t>(c.send.size())),
              c.send.size());
    std::this_thread::sleep_for(300ms);
    if (c.purge) {
      port.DiscardInput();
    }
    port.SetTimeoutSettings(c.timeouts);
    char buffer[256];
    const auto start = Clock::now();
    const std::uint32_t got = port.Read(buffer, sizeof buffer);
    const auto elapsed =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    EXPECT_EQ(std::string(buffer, got), c.got);
    EXPECT_GE(elapsed, c.atLeast);
    EXPECT_LT(elapsed, c.below);
  }
}

TEST(SerialPortWin32, AFailedOpenLeavesThePortClosedAndTheOldDeviceReleased) {
  CSerialPort port;
  EXPECT_NO_THROW(port.Close());
  char byte = '!';
  for (int round = 0; round < 2; ++round) {  // new, then after a failed open
    EXPECT_EQ(RaisedCode([&] { port.Read(&byte, 1); }), std::uint32_t{ERROR_INVALID_HANDLE});
    EXPECT_EQ(RaisedCode([&] { port.Write(&byte, 1); }), std::uint32_t{ERROR_INVALID_HANDLE});
    OpenLikeTheLink(port, kTracker);
    const HANDLE old = Handle(port);
    std::vector<std::string> asked;
    {
      // Another program holds COM12: the system refuses the open.
      CreateFileStandIn standIn([&](const char* name, DWORD access, DWORD share,
                                    DWORD disposition, DWORD flags) {
        asked.push_back(std::string(name) + " " + std::to_string(access) + " " +
                        std::to_string(share) + " " + std::to_string(disposition) + " " +
                        std::to_string(flags));
        ::SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
      });
      EXPECT_EQ(RaisedCode([&] { port.Open(12, 4800, ParityNone, 8, StopBitsOne, FlowNone, true); }),
                std::uint32_t{ERROR_ACCESS_DENIED});
    }
    const std::vector<std::string> wanted{"\\\\.\\COM12 " +
                                          std::to_string(GENERIC_READ | GENERIC_WRITE) + " 0 " +
                                          std::to_string(OPEN_EXISTING) + " 0"};
    EXPECT_EQ(asked, wanted);
    EXPECT_FALSE(port.IsOpen());
    DWORD flags = 0;
    EXPECT_FALSE(::GetHandleInformation(old, &flags)) << "the old device is still open";
  }
}

}  // namespace
}  // namespace vindrel
