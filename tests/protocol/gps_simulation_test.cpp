#include "protocol/gps_simulation.h"

#include <cstdlib>
#include <fstream>

#include "protocol/tracker_commands.h"
#include "tests/protocol/tracker_fixture.h"
#include "tests/serial/pty_peer.h"

namespace vindrel::testing {
namespace {

// Checksums worked out by hand (XOR of the bytes between "$" and "*"), not by our own code.
TEST(GpsSentence, CarriesItsChecksumAndEndsWithCrLf) {
  const std::pair<std::string, std::string> cases[] = {
      {FormatRmcSentence(0, 0),
       "$GPRMC,092204.999,A,5200.0000,N,00500.0000,E,0.00,0.00,211200,,*05\r\n"},
      {FormatRmcSentence(0, 10),
       "$GPRMC,092204.999,A,5200.0000,N,00500.0000,E,0.00,10.00,211200,,*34\r\n"},
      {FormatRmcSentence(0, 350),
       "$GPRMC,092204.999,A,5200.0000,N,00500.0000,E,0.00,350.00,211200,,*03\r\n"},
      {FormatRmcSentence(50, 100),
       "$GPRMC,092204.999,A,5200.0000,N,00500.0000,E,50.00,100.00,211200,,*31\r\n"},
      {FormatRmcSentence(100, 10),
       "$GPRMC,092204.999,A,5200.0000,N,00500.0000,E,100.00,10.00,211200,,*35\r\n"},
      {FormatRmcSentence(100, 350),
       "$GPRMC,092204.999,A,5200.0000,N,00500.0000,E,100.00,350.00,211200,,*02\r\n"},
      {FormatGgaSentence(100),
       "$GPGGA,092204.999,5200.0000,N,00500.0000,E,1,04,24.4,100.0,M,,,,0000*3E\r\n"},
  };
  for (const auto& [sent, expected] : cases) EXPECT_EQ(sent, expected);
}

using GpsSimulation = TrackerTest;

// Waits until the tracker has taken count sentences as fixes; false after three seconds.
bool WaitForSentences(const VirtualTracker& tracker, std::size_t count) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
  while (tracker.ReceivedNmea().size() < count) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

// Three runs of 40 ticks at 0, 50 and 100 knots, each from a new start, checked byte by byte by
// a checksum-checking NMEA parser (pynmea2): every sentence parses, with the speed, the course
// (from 10 degrees again after each start) and the altitude the simulation was given.
TEST_F(GpsSimulation, EverySentenceOfARunParsesWithACheckingNmeaParser) {
  StartTracker();
  TrackerSettings settings;
  int ticks = -1;
  for (int switchDelay : {0, 5, 10}) {
    settings.switchDelay = switchDelay;  // speed switchDelay x 10
    StartGpsSimulation(link, ticks);
    for (int i = 0; i < 40; ++i) GpsSimulationTick(link, settings, ticks);
  }
  ASSERT_TRUE(WaitForSentences(*tracker, 240));
  const std::string file = devices.path + "/line.bin";
  const std::string bytes = Received();
  std::ofstream(file, std::ios::binary) << bytes;
  const std::string check = NMEA_PYTHON " " NMEA_CHECK_SCRIPT " " + file + " 0:40 50:40 100:40";
  EXPECT_EQ(std::system(check.c_str()), 0) << check;
  EXPECT_EQ(tracker->ReceivedNmea().size(), 240u);  // the tracker took every one as a fix
  // Every start asks for the same timer, so one runs.
  const std::pair<unsigned, unsigned> timer{kGpsTimerId, kGpsTimerPeriodMs};
  EXPECT_EQ(owner.startedTimers, (std::vector{timer, timer, timer}));
  EXPECT_TRUE(owner.messages.empty());
}

TEST_F(GpsSimulation, ACommandStopsItAndConnectsAfresh) {
  StartTracker();
  int ticks = 0;
  StartGpsSimulation(link, ticks);
  GpsSimulationTick(link, TrackerSettings{}, ticks);
  ASSERT_TRUE(WaitForSentences(*tracker, 2));

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
