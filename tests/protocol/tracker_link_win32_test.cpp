// The tracker link's failures on the Windows build, against native virtual trackers that the wine
// fixture maps to COM numbers: silent (VINDREL_WINE_COM_SILENT), one that acknowledges only 50
// data bytes of a write (VINDREL_WINE_COM_ACK_LIMIT) and a well-behaved one
// (VINDREL_WINE_COM_TRACKER) that a stand-in for the system keeps from opening; the line settings
// the link hands the driver. Every command's success on this build runs in vindrel.exe's test
// under wine.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <array>
#include <bit>
#include <chrono>
#include <cstring>
#include <optional>
#include <vector>

#include "protocol/tracker_commands.h"
#include "protocol/tracker_link.h"
#include "tests/protocol/recording_owner.h"
#include "tests/serial/create_file_stand_in_win32.h"

namespace vindrel::testing {
namespace {

using namespace std::chrono_literals;

constexpr int kTracker = VINDREL_WINE_COM_TRACKER;
constexpr int kSilent = VINDREL_WINE_COM_SILENT;
constexpr int kAckLimit = VINDREL_WINE_COM_ACK_LIMIT;

bool ConnectLink(TrackerLink& link) { return link.Connect(); }
bool WriteDefaults(TrackerLink& link) {
  return WriteSettings(link, TrackerSettings{}) == WriteOutcome::Done;
}

TEST(TrackerLinkWin32, FailuresGiveTheirMessagesAndLeaveTheLinkAsOnLinux) {
  using Messages = std::vector<std::string>;
  const struct {
    const char* what;
    int number;
    DWORD openError;  // 0: the system opens the port
    bool (*action)(TrackerLink&);
    Messages messages;
    bool up;
    std::int64_t atLeast, below;  // milliseconds: the one-second read time-out, no more
  } cases[] = {
      // clang-format off
      {"silent", kSilent, 0, ConnectLink, {kNoCommunication}, true, 990, 2500},
      {"stops acknowledging", kAckLimit, 0, WriteDefaults, {}, true, 990, 5000},
      {"held elsewhere", kTracker, ERROR_ACCESS_DENIED, SendLowTone, {kPortInUse}, false, 0, 1000},
      {"no such port", kTracker, ERROR_FILE_NOT_FOUND, ConnectLink, {kPortMissing}, false, 0, 1000},
      {"no such path", kTracker, ERROR_PATH_NOT_FOUND, ConnectLink, {kPortMissing}, false, 0, 1000},
  };  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    RecordingOwner owner;
    owner.portNumber = c.number;
    TrackerLink link(owner);
    std::optional<test::CreateFileStandIn> standIn;
    if (c.openError != 0) standIn.emplace(test::CreateFileStandIn::Failing(c.openError));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(c.action(link));
    const auto elapsed = (std::chrono::steady_clock::now() - start) / 1ms;
    EXPECT_EQ(owner.messages, c.messages);
    EXPECT_EQ(std::pair(link.portOpen, link.port.IsOpen()), std::pair(c.up, c.up));
    EXPECT_TRUE(elapsed >= c.atLeast && elapsed < c.below) << elapsed << " ms";
  }
}

// Every member of a DCB in the record's order, bit fields one by one, so that a difference names
// the member.
std::vector<unsigned> Members(const DCB& d) {
  // clang-format off
  return {d.DCBlength, d.BaudRate, d.fBinary, d.fParity, d.fOutxCtsFlow, d.fOutxDsrFlow,
          d.fDtrControl, d.fDsrSensitivity, d.fTXContinueOnXoff, d.fOutX, d.fInX, d.fErrorChar,
          d.fNull, d.fRtsControl, d.fAbortOnError, d.fDummy2, d.wReserved, d.XonLim, d.XoffLim,
          d.ByteSize, d.Parity, d.StopBits, unsigned(d.XonChar), unsigned(d.XoffChar),
          unsigned(d.ErrorChar), unsigned(d.EofChar), unsigned(d.EvtChar), d.wReserved1};
  // clang-format on
}

// A driver that another program left in the worst state (every flag on, every limit and time-out
// at its maximum, an error pending): what the port reads and hands over goes through here.
struct LeftoverDriver {
  LeftoverDriver() {
    std::memset(&line, 0xFF, sizeof line);
    line.DCBlength = sizeof line;
    std::memset(&timeouts, 0xFF, sizeof timeouts);
    comDriver.getCommState = [](HANDLE, DCB* dcb) { return *dcb = line, TRUE; };
    comDriver.setCommState = [](HANDLE, DCB* dcb) { return line = *dcb, TRUE; };
    comDriver.getCommTimeouts = [](HANDLE, COMMTIMEOUTS* t) { return *t = timeouts, TRUE; };
    comDriver.setCommTimeouts = [](HANDLE, COMMTIMEOUTS* t) { return timeouts = *t, TRUE; };
    comDriver.clearCommError = [](HANDLE handle, DWORD*, COMSTAT*) {
      return cleared.push_back(handle), TRUE;
    };
    // The pending error aborts every transfer, as a driver told to abort on errors does.
    comDriver.readFile = [](HANDLE, void*, DWORD, DWORD*, OVERLAPPED*) {
      return ::SetLastError(ERROR_OPERATION_ABORTED), FALSE;
    };
    comDriver.writeFile = [](HANDLE, const void*, DWORD, DWORD*, OVERLAPPED*) {
      return ::SetLastError(ERROR_OPERATION_ABORTED), FALSE;
    };
  }
  ~LeftoverDriver() { comDriver = ComDriverCalls{}; }

  static inline DCB line;
  static inline COMMTIMEOUTS timeouts;
  static inline std::vector<HANDLE> cleared;  // the handle of each ClearCommError
};

// The tracker's line as the link opens it, whatever the program before left in the driver: binary
// 4800 8N1 with both lines raised and no flow control, one-second time-outs.
TEST(LeftoverDriverState, TheLinkSetsEveryLineMemberAndTimeOutAndFailedTransfersClearTheError) {
  LeftoverDriver driver;
  RecordingOwner owner;
  TrackerLink link(owner);
  link.OpenPort(kTracker);
  CSerialPort& port = link.port;
  const HANDLE device = reinterpret_cast<HANDLE>(port.deviceHandle);
  DCB wanted{};
  wanted.DCBlength = sizeof wanted;
  wanted.BaudRate = 4800;
  wanted.fBinary = TRUE;
  wanted.fDtrControl = DTR_CONTROL_ENABLE;
  wanted.fTXContinueOnXoff = TRUE;
  wanted.fRtsControl = RTS_CONTROL_ENABLE;
  wanted.XonLim = wanted.XoffLim = 100;
  wanted.ByteSize = 8;
  wanted.Parity = NOPARITY, wanted.StopBits = ONESTOPBIT;  // both zero, written out
  wanted.XonChar = 0x11;
  wanted.XoffChar = 0x13;
  EXPECT_EQ(Members(driver.line), Members(wanted));
  EXPECT_EQ((std::bit_cast<std::array<DWORD, 5>>(driver.timeouts)),
            (std::array<DWORD, 5>{0, 0, 1000, 0, 1000}));
  EXPECT_EQ(driver.cleared, std::vector<HANDLE>{device}) << "a pending error stays after open";
  char byte = 0;
  for (const bool write : {false, true}) {
    EXPECT_THAT([&] { write ? port.Write(&byte, 1) : port.Read(&byte, 1); },
                ::testing::Throws<CSerialException>(
                    ::testing::Field(&CSerialException::errorCode, ERROR_OPERATION_ABORTED)));
  }
  EXPECT_EQ(driver.cleared, (std::vector<HANDLE>{device, device, device}));
}

}  // namespace
}  // namespace vindrel::testing
