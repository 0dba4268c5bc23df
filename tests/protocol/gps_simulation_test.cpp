#include "protocol/gps_simulation.h"

#include "protocol/tracker_commands.h"
#include "tests/protocol/tracker_fixture.h"
#include "tests/serial/pty_peer.h"

namespace vindrel::testing {
namespace {

// Written out by hand: the tracker accepts exactly these bytes, fixed "*25"/"*1F" and LF CR.
TEST(GpsSentence, BothSentencesByteForByte) {
  const std::pair<std::string, std::string> cases[] = {
      {FormatRmcSentence(0, 0),
       "$GPRMC,092204.999,A,5200.0000,N,00500.0000,E,0.00,0.00,211200,,*25\n\r"},
      {FormatRmcSentence(0, 10),
       "$GPRMC,092204.999,A,5200.0000,N,00500.0000,E,0.00,10.00,211200,,*25\n\r"},
      {FormatRmcSentence(0, 100),
       "$GPRMC,092204.999,A,5200.0000,N,00500.0000,E,0.00,100.00,211200,,*25\n\r"},
      {FormatRmcSentence(50, 100),
       "$GPRMC,092204.999,A,5200.0000,N,00500.0000,E,50.00,100.00,211200,,*25\n\r"},
      {FormatRmcSentence(100, 350),
       "$GPRMC,092204.999,A,5200.0000,N,00500.0000,E,100.00,350.00,211200,,*25\n\r"},
      {FormatGgaSentence(100),
       "$GPGGA,092204.999,5200.0000,N,00500.0000,E,1,04,24.4,100.0,M,,,,0000*1F\n\r"},
  };
  const std::size_t lengths[] = {68, 69, 70, 71, 72, 73};
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(cases[i].first, cases[i].second);
    EXPECT_EQ(cases[i].first.size(), lengths[i]);
  }
}

using GpsSimulation = TrackerTest;

// Field n (from 0) of each RMC sentence the tracker has received, once it has count of them.
std::vector<std::string> RmcField(const VirtualTracker& tracker, std::size_t count, int n) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
  for (std::vector<std::string> fields;;
       std::this_thread::sleep_for(std::chrono::milliseconds(5))) {
    fields.clear();
    for (const std::string& s : tracker.ReceivedNmea()) {
      if (s.rfind("$GPRMC", 0) != 0) continue;
      std::size_t at = 0;
      for (int i = 0; i < n; ++i) at = s.find(',', at) + 1;
      fields.push_back(s.substr(at, s.find(',', at) - at));
    }
    if (fields.size() >= count || std::chrono::steady_clock::now() > deadline) return fields;
  }
}

TEST_F(GpsSimulation, TicksTurnTheCourseFollowTheDialogsSpeedAndRestartOnASecondStart) {
  StartTracker();
  int ticks = -1;
  StartGpsSimulation(link, ticks);
  TrackerSettings settings;  // "Schakelvertraging" 10 s: speed 100
  for (int i = 1; i <= 38; ++i) {
    if (i == 37) settings.switchDelay = 5;  // from the next tick on
    if (i == 38) StartGpsSimulation(link, ticks);
    GpsSimulationTick(link, settings, ticks);
  }
  const auto course = RmcField(*tracker, 38, 8);
  const auto speed = RmcField(*tracker, 38, 7);
  ASSERT_EQ(course.size(), 38u);
  EXPECT_EQ(course[0], "10.00");
  // Ticks 35 to 37, and the first after the second start.
  EXPECT_EQ(std::vector(course.begin() + 34, course.end()),
            (std::vector<std::string>{"350.00", "0.00", "10.00", "10.00"}));
  EXPECT_EQ(std::vector(speed.begin() + 35, speed.end()),
            (std::vector<std::string>{"100.00", "50.00", "50.00"}));
  EXPECT_EQ(tracker->ReceivedNmea().size(), 76u);  // an RMC and a GGA per tick
  // Both starts ask for the same timer, so one runs.
  const std::pair<unsigned, unsigned> timer{kGpsTimerId, kGpsTimerPeriodMs};
  EXPECT_EQ(owner.startedTimers, (std::vector{timer, timer}));
  EXPECT_TRUE(owner.messages.empty());
}

TEST_F(GpsSimulation, ACommandStopsItAndConnectsAfresh) {
  StartTracker();
  int ticks = 0;
  StartGpsSimulation(link, ticks);
  GpsSimulationTick(link, TrackerSettings{}, ticks);
  ASSERT_EQ(RmcField(*tracker, 1, 0).size(), 1u);  // in the tracker's log too:
  EXPECT_TRUE(tracker->WaitForEvent("nmea $GPGGA,092204.999,", std::chrono::seconds(2)));

  ASSERT_TRUE(ReadVersion(link));
  EXPECT_EQ(owner.stoppedTimers, std::vector<unsigned>{owner.timerReply});
  EXPECT_EQ(link.gpsTimer, 0u);
  EXPECT_TRUE(link.portOpen);
  const std::string received = Received();  // "!" then "V", and no sentence after them
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
  test::PtyPeer peer;  // never reads: the line's buffer fills and a sentence goes out short
  RecordingOwner owner;
  TrackerLink link(owner);
  link.port.SetDeviceDirectory(peer.Devices());
  int ticks = 0;
  StartGpsSimulation(link, ticks);
  for (int i = 0; i < 5000 && owner.messages.empty(); ++i) {
    GpsSimulationTick(link, TrackerSettings{}, ticks);
  }
  ASSERT_FALSE(owner.messages.empty());
  for (const auto& m : owner.messages) EXPECT_EQ(m, "Error in GPS simulation");
  EXPECT_EQ(owner.stoppedTimers.front(), owner.timerReply);
  EXPECT_EQ(link.gpsTimer, 0u);
  EXPECT_TRUE(link.portOpen);

  peer.Received();                       // the tracker catches up with the sentences
  EXPECT_FALSE(link.SendCommand('V'));   // it echoes nothing, but the command
  EXPECT_EQ(peer.Received(), "V");       // went out on the same port, without "!"
}

}  // namespace
}  // namespace vindrel::testing
