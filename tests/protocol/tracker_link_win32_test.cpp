// The tracker link's failures on the Windows build, against native virtual trackers that the wine
// fixture maps to COM numbers: silent (VINDREL_WINE_COM_SILENT), one that acknowledges only 50
// data bytes of a write (VINDREL_WINE_COM_ACK_LIMIT) and a well-behaved one
// (VINDREL_WINE_COM_TRACKER) that a stand-in for the system keeps from opening. Every command's
// success on this build runs in vindrel.exe's test under wine.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <optional>

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

}  // namespace
}  // namespace vindrel::testing
