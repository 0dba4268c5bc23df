// The tracker link and its commands on the Windows build, against native virtual trackers that the
// wine fixture maps to COM numbers: well-behaved (VINDREL_WINE_COM_TRACKER), silent
// (VINDREL_WINE_COM_SILENT) and one that acknowledges only 50 data bytes of a write
// (VINDREL_WINE_COM_ACK_LIMIT).
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <string>
#include <vector>

#include "protocol/tracker_commands.h"
#include "protocol/tracker_link.h"
#include "settings/settings_block.h"
#include "tests/serial/create_file_stand_in_win32.h"

namespace vindrel {
namespace {

using Clock = std::chrono::steady_clock;
using Bytes = std::array<std::uint8_t, 2>;

constexpr int kTracker = VINDREL_WINE_COM_TRACKER;
constexpr int kSilent = VINDREL_WINE_COM_SILENT;
constexpr int kAckLimit = VINDREL_WINE_COM_ACK_LIMIT;
const std::string kNoCommunication = "No Communication with TALVORIN possible";
const std::string kPortInUse = "De seriele poort is al in gebruik";

struct RecordingOwner : TrackerLinkOwner {
  int SelectedPortNumber() override { return portNumber; }
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  unsigned StartTimer(unsigned, unsigned) override { return 0; }
  void StopTimer(unsigned) override {}

  int portNumber = kTracker;
  std::vector<std::string> messages;
};

TrackerSettings SomeSettings() {
  TrackerSettings s;
  s.callsign = "PA3XYZ-7";
  s.digipeaterPath = "WIDE1-1,WIDE2-2";
  s.beaconText = "Op pad";
  return s;
}

TEST(TrackerLinkWin32, ReadsWritesAndVerifiesTheSettingsAndRunsEveryCommand) {
  RecordingOwner owner;
  TrackerLink link(owner);
  TrackerSettings record = SomeSettings();
  ASSERT_TRUE(ReadSettings(link, record));  // the tracker starts with the default settings
  EXPECT_EQ(EncodeSettingsBlock(record), EncodeSettingsBlock(TrackerSettings{}));
  EXPECT_EQ(ReadVersion(link), (Bytes{1, 7}));
  EXPECT_TRUE(SendLowTone(link) && SendHighTone(link) && BeginSquelchAdjustment(link));
  EndSquelchAdjustment(link);

  EXPECT_EQ(WriteSettings(link, SomeSettings()), WriteOutcome::Done);  // 112 acknowledgements
  EXPECT_FALSE(link.portOpen || link.port.IsOpen());
  ASSERT_TRUE(ReadSettings(link, record));
  const SettingsBlock written = EncodeSettingsBlock(SomeSettings());
  const SettingsBlock stored = EncodeSettingsBlock(record);
  EXPECT_TRUE(std::equal(written.begin(), written.begin() + 112, stored.begin()));
  EXPECT_TRUE(owner.messages.empty());
}

bool ConnectLink(TrackerLink& link) { return link.Connect(); }
bool WriteSomeSettings(TrackerLink& link) {
  return WriteSettings(link, SomeSettings()) == WriteOutcome::Done;
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
    long long atLeast, below;  // milliseconds
  } cases[] = {
      {"silent", kSilent, 0, ConnectLink, {kNoCommunication}, true, 990, 2500},  // one read
      {"stops acknowledging", kAckLimit, 0, WriteSomeSettings, {}, true, 990, 5000},
      {"held elsewhere", kTracker, ERROR_ACCESS_DENIED, SendLowTone, {kPortInUse}, false, 0, 1000},
      {"no such port", kTracker, ERROR_FILE_NOT_FOUND, ConnectLink, {kPortInUse}, false, 0, 1000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    RecordingOwner owner;
    owner.portNumber = c.number;
    TrackerLink link(owner);
    std::optional<test::CreateFileStandIn> standIn;
    if (c.openError != 0) {
      standIn.emplace(test::CreateFileStandIn::Failing(c.openError));
    }
    const auto start = Clock::now();
    EXPECT_FALSE(c.action(link));
    const auto elapsed =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    EXPECT_EQ(owner.messages, c.messages);
    EXPECT_EQ(link.portOpen, c.up);
    EXPECT_EQ(link.port.IsOpen(), c.up);
    EXPECT_GE(elapsed, c.atLeast);
    EXPECT_LT(elapsed, c.below);
  }
}

}  // namespace
}  // namespace vindrel
