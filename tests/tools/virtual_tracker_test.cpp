// What the virtual tracker does beyond the exchanges that the protocol and dialog tests drive
// through it: its block file, its judgement of NMEA sentences and the program with its options.
#include "tools/virtual_tracker/virtual_tracker.h"

#include <signal.h>

#include <fstream>

#include "protocol/tracker_commands.h"
#include "tests/protocol/tracker_fixture.h"
#include "tests/support/bounded_process.h"

namespace vindrel::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// The file keeps the image of every write for the next run (a loader that takes only a whole
// image of 256 bytes).
TEST_F(TrackerTest, TheBlockFileKeepsEveryWriteForTheNextRun) {
  VirtualTrackerOptions options;
  options.blockFile = devices.path + "/tracker.bin";  // none yet: the default image
  StartTracker(options);
  TrackerSettings settings;
  settings.callsign = "PE1XYZ";
  ASSERT_EQ(WriteSettings(link, settings), WriteOutcome::Done);
  VirtualTracker next(options);  // the next run starts from the image written
  next.Open();
  EXPECT_EQ(next.Block(), tracker->Block());
  fs::resize_file(options.blockFile, 255);
  EXPECT_THROW(VirtualTracker(options).Open(), std::runtime_error);
}

// As a firmware fed by a GPS receiver: a sentence counts as a fix only when its checksum holds;
// the old fixed "*25" and LF CR ending is turned down with the checksum it should have had.
TEST_F(TrackerTest, NmeaSentencesCountOnlyWithTheirChecksum) {
  const std::string rmc = "$GPRMC,092204.999,A,5200.0000,N,00500.0000,E,100.00,10.00,211200,,";
  const std::string gga = "$GPGGA,092204.999,5200.0000,N,00500.0000,E,1,04,24.4,100.0,M,,,,0000";
  const std::pair<std::string, std::string> cases[] = {
      {rmc + "*35\r\n", "nmea " + rmc +
                            "*35\\r\\n fix time 092204.999 position 5200.0000 N 00500.0000 E "
                            "speed 100.00 course 10.00"},
      {rmc + "*25\n\r", "nmea-rejected " + rmc + "*25\\n\\r: checksum 25, expected 35"},
      {gga + "\r\n", "nmea-rejected " + gga + "\\r\\n: no checksum, expected 3E"},
      {gga + "*03E\r\n", "nmea-rejected " + gga + "*03E\\r\\n: checksum 03E, expected 3E"},
      {gga + "*3e\r\n", "nmea " + gga + "*3e\\r\\n fix altitude 100.0 M"},
  };
  StartTracker();
  link.OpenPort(kVirtualPort);
  for (const auto& [sent, event] : cases) {
    ASSERT_EQ(link.port.Write(sent.data(), static_cast<std::uint32_t>(sent.size())), sent.size());
    EXPECT_TRUE(tracker->WaitForEvent(event, std::chrono::seconds(2))) << event;
  }
  EXPECT_EQ(tracker->ReceivedNmea(), (std::vector{cases[0].first, cases[4].first}));
}

// The program as people start it: it replaces a dangling link (never someone else's file), prints
// the path on its first line and ends cleanly on SIGTERM, removing its link. Fault names that it
// cannot carry out (an image has 256 bytes, a write 112) are refused.
TEST(VirtualTrackerProgram, ServesALinkForAsLongAsItRunsAndRefusesWhatItCannotServe) {
  test::TempDir devices;
  const std::string path = devices.path + "/ttyV0";
  fs::create_symlink(devices.path + "/gone", path);
  test::BoundedProcess program("exec " VIRTUAL_TRACKER_PROGRAM " --link " + path, 10s);
  const auto line = program.Line();  // once the link is made
  EXPECT_EQ(line, fs::read_symlink(path).string() + "\n");
  ::kill(program.pid, SIGTERM);
  EXPECT_EQ(program.Wait(), 0);  // exit status 0
  EXPECT_FALSE(fs::exists(fs::symlink_status(path)));
  std::ofstream(path) << "someone else's";
  VirtualTrackerOptions options;
  options.linkPath = path;
  EXPECT_THROW(VirtualTracker(options).Open(), std::system_error);
  EXPECT_TRUE(fs::is_regular_file(path));
  for (const char* bad : {"loud", "silent=1", "start-reply=256", "start-reply=", "ack-limit=113",
                          "ack-limit=-1", "short-block=257", "hang-up-after=1x"}) {
    EXPECT_FALSE(ParseVirtualTrackerFault(bad, options.faults)) << bad;
  }
}

}  // namespace
}  // namespace vindrel::testing
