#include "protocol/tracker_link.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <tuple>

#include "protocol/gps_simulation.h"
#include "protocol/tracker_commands.h"
#include "settings/settings_block.h"
#include "tests/protocol/tracker_fixture.h"
#include "tests/serial/pty_peer.h"

namespace vindrel::testing {
namespace {

using namespace std::chrono_literals;
using Bytes = std::array<std::uint8_t, 2>;

TEST_F(TrackerTest, EitherHandshakeAnswerAndNoiseBeforeTheAnswersStillConnect) {
  for (const bool noise : {false, true}) {
    for (const std::uint8_t reply : {'!', '>'}) {
      VirtualTrackerOptions options;
      options.handshakeReply = reply;
      options.version = {0x81, 0x00};
      StartTracker(options, noise ? "noise-before-echo" : "");  // before each answer and echo
      EXPECT_EQ(ReadVersion(link), (Bytes{0x81, 0x00})) << noise << reply;
      EXPECT_TRUE(owner.messages.empty());
      link.Close();
    }
  }
}

TEST_F(TrackerTest, PortsThatCannotBeOpenedAreReportedInUseAndLeaveTheLinkDown) {
  StartTracker();
  CSerialPort other;  // another program holds port 161
  other.SetDeviceDirectory(devices.path);
  other.Open(kVirtualPort, 4800, ParityNone, 8, StopBitsOne, FlowNone, false);
  for (const int number : {kVirtualPort, 0, kVirtualPort + 1}) {  // busy, none selected, no device
    owner.messages.clear();
    owner.portNumber = number;
    EXPECT_FALSE(link.SendCommand('L')) << number;
    EXPECT_EQ(owner.messages, std::vector<std::string>{kPortInUse}) << number;
    EXPECT_FALSE(link.portOpen || link.port.IsOpen()) << number;
  }
  other.Close();  // once the other program lets go, the next command connects afresh
  owner.portNumber = kVirtualPort;
  EXPECT_TRUE(link.SendCommand('L'));
  EXPECT_EQ(Received(2), "!L");
}

TEST_F(TrackerTest, ADeviceTheUserMayNotOpenNamesItsGroupAndLeavesTheLinkDown) {
  StartTracker();
  const std::string device = tracker->SlavePath();
  ASSERT_EQ(::chmod(device.c_str(), 0), 0);  // refuses even its owner, the test's user
  ASSERT_EQ(::chmod(devices.path.c_str(), 0755), 0);
  const passwd* nobody = ::getpwnam("nobody");
  if (::geteuid() == 0 && nobody == nullptr) GTEST_SKIP() << "root opens any device";
  struct stat st {};
  ASSERT_EQ(::stat(device.c_str(), &st), 0);
  const group* owning = ::getgrgid(st.st_gid);
  ASSERT_NE(owning, nullptr);
  const std::vector<std::string> expected{
      "Geen toegang tot de seriele poort. Voeg uw gebruiker toe aan de groep " +
      std::string(owning->gr_name) + " en meld opnieuw aan."};
  const pid_t child = ::fork();
  if (child == 0) {  // root opens any device: the connect runs as nobody
    if (::geteuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setgid(nobody->pw_gid) != 0 ||
                             ::setuid(nobody->pw_uid) != 0)) {
      ::_exit(3);
    }
    const bool ok = !link.Connect() && !link.portOpen && owner.messages == expected;
    for (const auto& m : owner.messages) {
      if (!ok) std::fprintf(stderr, "shown: %s\n", m.c_str());
    }
    ::_exit(ok ? 0 : 1);
  }
  int status = -1;
  ::waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
}

TEST_F(TrackerTest, AfterASilentHandshakeTheNextCommandGoesOutWithoutANewOne) {
  StartTracker({}, "silent");
  EXPECT_THROW(EndSquelchAdjustment(link), CSerialException);  // no port open yet
  EXPECT_FALSE(BeginSquelchAdjustment(link));
  EXPECT_EQ(owner.messages, std::vector<std::string>{kNoCommunication});
  EXPECT_TRUE(link.portOpen && link.port.IsOpen());
  EXPECT_NO_THROW(EndSquelchAdjustment(link));  // "*" needs the open port but no answer

  tracker->SetFaults({});
  EXPECT_TRUE(SendHighTone(link) && SendLowTone(link) && BeginSquelchAdjustment(link));
  EndSquelchAdjustment(link);
  EXPECT_EQ(Received(6), "!*HLA*");
  EXPECT_EQ(owner.messages.size(), 1u);
}

TEST_F(TrackerTest, AStreamingDeviceFailsWithinTheBoundInsteadOfHanging) {
  StartTracker({}, "stream");
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(link.Connect());
  EXPECT_EQ(owner.messages, std::vector<std::string>{kNoCommunication});
  EXPECT_FALSE(link.SendCommand('V'));
  // Each wait ends within its bound of 3 s and one more read time-out, never with the stream.
  EXPECT_LT(std::chrono::steady_clock::now() - start, 2 * (TrackerLink::kMaxReplyWait + 1s));
}

TEST_F(TrackerTest, TheTrackerHangingUpMidWriteRaisesToTheCaller) {
  StartTracker({}, "hang-up-after=20");  // "!", "U", 0x00, "p" and 16 data bytes
  EXPECT_THROW(WriteSettings(link, TrackerSettings{}), CSerialException);
  EXPECT_TRUE(link.portOpen);  // as the error left it
  EXPECT_EQ(Received(20).size(), 20u);
}

TrackerSettings SomeSettings() {
  TrackerSettings s;
  s.callsign = "PA3XYZ-7";
  s.digipeaterPath = "WIDE1-1,WIDE2-2";
  s.beaconText = "Op pad";
  return s;
}

TEST_F(TrackerTest, ReadSettingsTakesOnlyAWholeImageAndKeepsTheLinkUp) {
  const SettingsBlock image = EncodeSettingsBlock(SomeSettings());
  VirtualTrackerOptions options;
  options.startBlock = image;
  StartTracker(options, "short-block=255");
  TrackerSettings record;
  EXPECT_FALSE(ReadSettings(link, record));
  EXPECT_EQ(EncodeSettingsBlock(record), EncodeSettingsBlock(TrackerSettings{}));  // untouched
  EXPECT_TRUE(link.portOpen);

  tracker->SetFaults({});
  ASSERT_TRUE(ReadSettings(link, record));
  EXPECT_EQ(EncodeSettingsBlock(record), image);
  EXPECT_TRUE(ReadVersion(link));
  EXPECT_EQ(Received(4), "!DDV");  // one handshake for all three commands
}

TEST_F(TrackerTest, WriteOutcomesFollowTheTrackersAnswers) {
  const SettingsBlock image = EncodeSettingsBlock(SomeSettings());
  const std::string all = std::string("!U\0p", 4) + std::string(image.begin(), image.begin() + 112);
  const struct {
    const char* fault;
    WriteOutcome outcome;
    std::size_t sent;  // bytes of all that reach the tracker
  } cases[] = {{"", WriteOutcome::Done, all.size()},
               {"no-echo", WriteOutcome::NoEcho, 2},
               {"start-reply=0x01", WriteOutcome::ExchangeFailed, 3},    // no data byte follows
               {"ack-limit=50", WriteOutcome::ExchangeFailed, 4 + 51}};  // byte 50 unanswered
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fault);
    StartTracker({}, c.fault);
    const SettingsBlock before = tracker->Block();
    EXPECT_EQ(WriteSettings(link, SomeSettings()), c.outcome);
    EXPECT_EQ(Received(c.sent), all.substr(0, c.sent));
    EXPECT_EQ(link.portOpen, c.outcome == WriteOutcome::ExchangeFailed);
    EXPECT_EQ(link.port.IsOpen(), link.portOpen);
    EXPECT_TRUE(owner.messages.empty());
    EXPECT_EQ(tracker->WriteCount(), c.outcome == WriteOutcome::Done ? 1 : 0);
    SettingsBlock expected = before;  // the tracker stores exactly bytes 0..111 of the image
    if (c.outcome == WriteOutcome::Done) std::copy_n(image.begin(), 112, expected.begin());
    EXPECT_EQ(tracker->Block(), expected);
    if (c.outcome == WriteOutcome::ExchangeFailed) {  // still up: straight to the command byte
      EXPECT_TRUE(c.sent == 3 || tracker->WaitForEvent("write-aborted at byte 50", 2s));
      EXPECT_TRUE(SendLowTone(link));
      EXPECT_EQ(Received(c.sent + 1), all.substr(0, c.sent) + "L");
    }
    link.Close();
  }
}

// The far end of a pseudo-terminal played by the test itself, for what the virtual tracker does not
// do: holding the line back so that the link's writes end short.
class ScriptedLine : public ::testing::Test {
 protected:
  ScriptedLine() { link.port.SetDeviceDirectory(peer.Devices()); }

  // Once the port has written count bytes (kept in got), answers with reply: only an answer that
  // comes after a command byte is its echo.
  std::jthread AnswerAfter(std::size_t count, std::string reply, std::string& got) {
    return std::jthread([this, count, reply, &got] {
      got = peer.Received(count);
      peer.Send(reply);
    });
  }

  test::PtyPeer peer;  // port 161, as the owner selects
  RecordingOwner owner;
  TrackerLink link{owner};
};

TEST_F(ScriptedLine, AnAnswerCountsOnlyWithinTheFirst1024DroppedBytes) {
  for (const auto& [junk, up] : {std::pair{1023, true}, std::pair{1024, false}}) {
    peer.Send(std::string(junk, 'x') + "!");
    EXPECT_EQ(link.Connect(), up) << junk;
    link.Close();
  }
}

TEST_F(ScriptedLine, AShortWriteInTheWriteExchangeFailsItAndKeepsTheLinkUp) {
  peer.Send("!");
  ASSERT_TRUE(link.Connect());
  link.port.SetTimeoutSettings({0, 0, 1000, 0, 100});  // a held byte ends short sooner
  {
    std::jthread tracker([this] {
      peer.Received(2);  // "!U"
      peer.HoldLine();   // before the echo, so the start byte cannot go out
      peer.Send("U");
    });
    EXPECT_EQ(WriteSettings(link, TrackerSettings{}), WriteOutcome::ExchangeFailed);
  }
  EXPECT_TRUE(link.portOpen && link.port.IsOpen());
  peer.ReleaseLine();
  std::string got;
  {
    auto tracker = AnswerAfter(1, "L", got);
    EXPECT_TRUE(SendLowTone(link));
  }
  EXPECT_EQ(got, "L");  // no handshake, and nothing left of the exchange
}

TEST_F(ScriptedLine, GpsSimulationTakesThePortAndItsFailuresLeaveWhatTheNextCommandNeeds) {
  peer.Send("!");
  ASSERT_TRUE(link.Connect());
  EXPECT_FALSE(link.port.overlappedMode);  // reads and writes pass no overlapped record
  SerialTimeouts t{9, 9, 9, 9, 9};
  link.port.GetTimeoutSettings(t);  // one second for each read and write, nothing in between
  EXPECT_EQ(
      std::tuple(t.ReadIntervalTimeout, t.ReadTotalTimeoutMultiplier, t.ReadTotalTimeoutConstant,
                 t.WriteTotalTimeoutMultiplier, t.WriteTotalTimeoutConstant),
      std::tuple(0u, 0u, 1000u, 0u, 1000u));
  int ticks = 0;
  StartGpsSimulation(link, ticks);  // from Up: the port is the simulation's now
  EXPECT_FALSE(link.portOpen);
  EXPECT_TRUE(link.port.IsOpen());
  EXPECT_EQ(link.gpsTimer, owner.timerReply);

  peer.HoldLine();  // both sentences of the tick end short, each with its message
  link.port.SetTimeoutSettings({0, 0, 1000, 0, 100});
  GpsSimulationTick(link, TrackerSettings{}, ticks);
  EXPECT_EQ(owner.messages, std::vector<std::string>(2, "Error in GPS simulation"));
  EXPECT_EQ(owner.stoppedTimers.at(0), owner.timerReply);
  EXPECT_EQ(link.gpsTimer, 0u);
  EXPECT_TRUE(link.portOpen && link.port.IsOpen());
  peer.ReleaseLine();
  std::string got;
  {
    auto tracker = AnswerAfter(2, "H", got);
    EXPECT_TRUE(SendHighTone(link));
  }
  EXPECT_EQ(got, "!H");  // the command byte on the simulation's port, without a handshake

  owner.portNumber = 0;  // nothing selected: the start fails and leaves the link down
  EXPECT_THROW(StartGpsSimulation(link, ticks), CSerialException);
  EXPECT_FALSE(link.portOpen || link.port.IsOpen());
  EXPECT_EQ(link.gpsTimer, 0u);
  EXPECT_EQ(owner.startedTimers.size(), 1u);
}

}  // namespace
}  // namespace vindrel::testing
