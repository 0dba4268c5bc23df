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

  port.SetTimeoutSettings({1, 2, 3, 4, 5});
  SerialTimeouts t;
  port.GetTimeoutSettings(t);
  EXPECT_EQ((std::vector<std::uint32_t>{t.ReadIntervalTimeout, t.ReadTotalTimeoutMultiplier,
                                        t.ReadTotalTimeoutConstant, t.WriteTotalTimeoutMultiplier,
                                        t.WriteTotalTimeoutConstant}),
            (std::vector<std::uint32_t>{1, 2, 3, 4, 5}));
}

TEST(SerialPortWin32, LineSettingsReachTheDriverAndComeBack) {
  // Wine drops XON/XOFF output while CTS flow control is on: one at a time.
  for (const bool cts : {true, false}) {
    CSerialPort port;
    OpenLikeTheLink(port, kTracker);
    LineSettings settings;
    port.GetLineSettings(settings);
    settings.BaudRate = 19200;
    settings.StopBits = kTwoStopBits;
    settings.fOutxCtsFlow = cts;
    settings.fOutX = !cts;  // fInX stays off: the two must not trade places
    settings.XonChar = 0x12;
    settings.XoffChar = 0x14;
    port.SetLineSettings(settings);
    const DCB d = DriverSettings(port);
    LineSettings back;
    port.GetLineSettings(back);
    using Row = std::vector<std::uint32_t>;
    const Row wanted{19200, TWOSTOPBITS, cts, !cts, 0, 0x12, 0x14};
    EXPECT_EQ((Row{d.BaudRate, d.StopBits, d.fOutxCtsFlow, d.fOutX, d.fInX,
                   static_cast<std::uint32_t>(d.XonChar), static_cast<std::uint32_t>(d.XoffChar)}),
              wanted);
    EXPECT_EQ(
        (Row{back.BaudRate, back.StopBits, back.fOutxCtsFlow, back.fOutX, back.fInX,
             static_cast<std::uint32_t>(back.XonChar), static_cast<std::uint32_t>(back.XoffChar)}),
        wanted);
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
      // 2 ms a byte for 256 bytes and 500 ms; the write time-out has no say.
      {"silent tracker", kSilent, "!", false, {0, 2, 500, 0, 3000}, "", 1000, 2500},
      {"what is buffered", kTracker, "V", false, {MAXDWORD, 0, 0, 0, 0}, "V\x01\x07", 0, 500},
      {"purged", kTracker, "V", true, {MAXDWORD, 0, 0, 0, 0}, "", 0, 500},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    CSerialPort port;
    OpenLikeTheLink(port, c.number);
    EXPECT_EQ(port.Write(c.send.data(), static_cast<std::uint32_t>(c.send.size())), c.send.size());
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
  OpenLikeTheLink(port, kTracker);
  const HANDLE old = Handle(port);
  std::vector<std::string> asked;
  {
    // Another program holds COM12: the system refuses the open.
    CreateFileStandIn standIn(
        [&](const char* name, DWORD access, DWORD share, DWORD disposition, DWORD flags) {
          asked.push_back(std::string(name) + " " + std::to_string(access) + " " +
                          std::to_string(share) + " " + std::to_string(disposition) + " " +
                          std::to_string(flags));
          ::SetLastError(ERROR_ACCESS_DENIED);
          return INVALID_HANDLE_VALUE;
        });
    EXPECT_EQ(RaisedCode([&] { port.Open(12, 4800, ParityNone, 8, StopBitsOne, FlowNone, true); }),
              std::uint32_t{ERROR_ACCESS_DENIED});
  }
  EXPECT_EQ(asked, std::vector<std::string>{"\\\\.\\COM12 " +
                                            std::to_string(GENERIC_READ | GENERIC_WRITE) + " 0 " +
                                            std::to_string(OPEN_EXISTING) + " 0"});
  EXPECT_FALSE(port.IsOpen());
  DCB dcb{};  // (the handle's number may already serve some other object, never the port)
  EXPECT_FALSE(::GetCommState(old, &dcb)) << "the old device is still open";
  char byte = '!';
  EXPECT_EQ(RaisedCode([&] { port.Read(&byte, 1); }), std::uint32_t{ERROR_INVALID_HANDLE});
  EXPECT_EQ(RaisedCode([&] { port.Write(&byte, 1); }), std::uint32_t{ERROR_INVALID_HANDLE});
  EXPECT_NO_THROW(port.Close());
}

}  // namespace
}  // namespace vindrel
