#include "protocol/gps_simulation.h"

#include <gtest/gtest.h>

#include "protocol/tracker_commands.h"
#include "tests/protocol/tracker_fixture.h"
#include "tests/serial/pty_peer.h"

namespace vindrel::testing {
namespace {

using GpsSimulation = TrackerTest;

// The course field of an RMC sentence: the ninth comma-separated field.
std::string Course(const std::string& rmc) {
  std::size_t at = 0;
  for (int i = 0; i < 8; ++i) at = rmc.find(',', at) + 1;
  return rmc.substr(at, rmc.find(',', at) - at);
}

std::string Speed(const std::string& rmc) {
  std::size_t at = 0;
  for (int i = 0; i < 7; ++i) at = rmc.find(',', at) + 1;
  return rmc.substr(at, rmc.find(',', at) - at);
}

std::vector<std::string> Rmc(const VirtualTracker& tracker, std::size_t count) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
  std::vector<std::string> rmc;
  while (std::chrono::steady_clock::now() < deadline) {
    rmc.clear();
    for (const auto& s : tracker.ReceivedNmea()) {
      if (s.rfind("$GPRMC", 0) == 0) rmc.push_back(s);
    }
    if (rmc.size() >= count) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return rmc;
}

TEST_F(GpsSimulation, TicksSendBothSentencesWithATurningCourseAndTheDialogsSpeed) {
  StartTracker();
  int ticks = -1;
  StartGpsSimulation(link, ticks);
  ASSERT_EQ(owner.startedTimers.size(), 1u);
  EXPECT_EQ(owner.startedTimers[0], std::make_pair(kGpsTimerId, kGpsTimerPeriodMs));
  EXPECT_EQ(link.gpsTimer, owner.timerReply);
  EXPECT_FALSE(link.portOpen);
  EXPECT_EQ(ticks, 0);

  TrackerSettings settings;
  for (int i = 1; i <= 37; ++i) {
    if (i == 37) settings.switchDelay = 5;  // the next tick follows the field
    GpsSimulationTick(link, settings, ticks);
  }
  const auto rmc = Rmc(*tracker, 37);
  ASSERT_EQ(rmc.size(), 37u);
  EXPECT_EQ(Course(rmc[0]), "10.00");
  EXPECT_EQ(Course(rmc[34]), "350.00");
  EXPECT_EQ(Course(rmc[35]), "0.00");
  EXPECT_EQ(Course(rmc[36]), "10.00");
  EXPECT_EQ(Speed(rmc[0]), "100.00");
  EXPECT_EQ(Speed(rmc[36]), "50.00");
  EXPECT_EQ(tracker->ReceivedNmea().size(), 74u);  // an RMC and a GGA per tick
  EXPECT_TRUE(owner.messages.empty());
}

TEST_F(GpsSimulation, SecondStartRestartsTheCourse) {
  StartTracker();
  int ticks = 0;
  TrackerSettings settings;
  StartGpsSimulation(link, ticks);
  for (int i = 0; i < 3; ++i) GpsSimulationTick(link, settings, ticks);
  StartGpsSimulation(link, ticks);
  GpsSimulationTick(link, settings, ticks);
  const auto rmc = Rmc(*tracker, 4);
  ASSERT_EQ(rmc.size(), 4u);
  EXPECT_EQ(Course(rmc[3]), "10.00");
  EXPECT_EQ(owner.startedTimers.size(), 2u);
}

TEST_F(GpsSimulation, ACommandStopsItAndConnectsAfresh) {
  StartTracker();
  int ticks = 0;
  StartGpsSimulation(link, ticks);
  GpsSimulationTick(link, TrackerSettings{}, ticks);
  ASSERT_EQ(Rmc(*tracker, 1).size(), 1u);

  const auto version = ReadVersion(link);
  ASSERT_TRUE(version.has_value());
  EXPECT_EQ(owner.stoppedTimers, std::vector<unsigned>{owner.timerReply});
  EXPECT_EQ(link.gpsTimer, 0u);
  EXPECT_TRUE(link.portOpen);
  const std::string received = Received();
  EXPECT_EQ(received.substr(received.size() - 2), "!V");
}

TEST_F(GpsSimulation, EmptyPortListStartsNoTimer) {
  owner.portNumber = 0;
  int ticks = 5;
  EXPECT_THROW(StartGpsSimulation(link, ticks), CSerialException);
  EXPECT_TRUE(owner.startedTimers.empty());
  EXPECT_EQ(link.gpsTimer, 0u);
  EXPECT_FALSE(link.portOpen);
}

TEST(GpsSimulationShortWrite, StopsWithItsMessageAndTheNextCommandSkipsTheHandshake) {
  // A peer that never reads: the line's buffer fills and a sentence goes out short.
  test::PtyPeer peer;
  RecordingOwner owner;
  TrackerLink link(owner);
  link.SetDeviceDirectory(peer.Devices());
  int ticks = 0;
  StartGpsSimulation(link, ticks);
  const TrackerSettings settings;
  for (int i = 0; i < 5000 && owner.messages.empty(); ++i) {
    GpsSimulationTick(link, settings, ticks);
  }
  ASSERT_FALSE(owner.messages.empty());
  for (const auto& m : owner.messages) EXPECT_EQ(m, "Error in GPS simulation");
  EXPECT_EQ(link.gpsTimer, 0u);
  EXPECT_TRUE(link.portOpen);
  EXPECT_EQ(owner.stoppedTimers.front(), owner.timerReply);

  peer.Received();  // the tracker catches up with the sentences
  peer.Send("V");   // and echoes the command
  EXPECT_TRUE(link.SendCommand('V'));
  EXPECT_EQ(peer.Received(), "V");  // on the same port, without "!"
}

}  // namespace
}  // namespace vindrel::testing
