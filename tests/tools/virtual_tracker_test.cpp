#include "tools/virtual_tracker/virtual_tracker.h"

#include <signal.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "protocol/tracker_commands.h"
#include "settings/settings_block.h"
#include "tests/protocol/tracker_fixture.h"

namespace vindrel::testing {
namespace {

namespace fs = std::filesystem;

// Every kind is also parsed by the protocol tests, which see it take effect.
TEST(VirtualTrackerFaults, MalformedKindsAreRejectedAndChangeNothing) {
  for (const char* bad : {"", "loud", "silent=1", "start-reply=256", "start-reply=",
                          "ack-limit=113", "ack-limit=-1", "short-block=257", "hang-up-after=1x"}) {
    VirtualTrackerFaults untouched;
    EXPECT_FALSE(ParseVirtualTrackerFault(bad, untouched)) << bad;
    EXPECT_FALSE(untouched.ackLimit || untouched.startReply || untouched.silent) << bad;
  }
}

TEST_F(TrackerTest, TheBlockFileGivesTheStartImageAndKeepsEveryWrite) {
  const std::string file = devices.path + "/tracker.bin";
  TrackerSettings settings;
  settings.callsign = "PE1ABC";
  const SettingsBlock image = EncodeSettingsBlock(settings);
  std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(image.data()), 256);
  VirtualTrackerOptions options;
  options.blockFile = file;
  StartTracker(options);
  ASSERT_TRUE(ReadSettings(link, settings));
  EXPECT_EQ(settings.callsign, "PE1ABC");

  settings.callsign = "PE1XYZ";
  ASSERT_EQ(WriteSettings(link, settings), WriteOutcome::Done);
  std::ifstream in(file, std::ios::binary);
  const SettingsBlock stored = tracker->Block();
  EXPECT_EQ(std::vector<char>(std::istreambuf_iterator<char>(in), {}),
            std::vector<char>(stored.begin(), stored.end()));
  const SettingsBlock written = EncodeSettingsBlock(settings);  // the new image, not the old one
  EXPECT_TRUE(std::equal(written.begin(), written.begin() + 112, stored.begin()));

  fs::resize_file(file, 255);
  EXPECT_THROW(VirtualTracker(options).Open(), std::runtime_error);
}

// As a firmware fed by a GPS receiver: a sentence counts as a fix only when its checksum holds;
// the old fixed "*25" and LF CR ending is turned down with the checksum it should have had.
TEST_F(TrackerTest, NmeaSentencesCountOnlyWithTheirChecksum) {
  const std::string rmc = "$GPRMC,092204.999,A,5200.0000,N,00500.0000,E,100.00,10.00,211200,,";
  const std::string gga = "$GPGGA,092204.999,5200.0000,N,00500.0000,E,1,04,24.4,100.0,M,,,,0000";
  const std::pair<std::string, std::string> cases[] = {
      {rmc + "*35\r\n", "nmea " + rmc + "*35\\r\\n fix speed 100.00 course 10.00"},
      {rmc + "*25\n\r", "nmea-rejected " + rmc + "*25\\n\\r: checksum 25, expected 35"},
      {gga + "\r\n", "nmea-rejected " + gga + "\\r\\n: no checksum, expected 3E"},
      {gga + "*3E0\r\n", "nmea-rejected " + gga + "*3E0\\r\\n: checksum 3E0, expected 3E"},
      {gga + "*3e\r\n", "nmea " + gga + "*3e\\r\\n fix altitude 100.0 M"},
  };
  StartTracker();
  link.OpenPort(kVirtualPort);
  std::string line;
  std::vector<std::string> events;
  for (const auto& [sent, event] : cases) {
    line += sent;
    events.push_back(event);
  }
  ASSERT_EQ(link.port.Write(line.data(), static_cast<std::uint32_t>(line.size())), line.size());
  ASSERT_TRUE(tracker->WaitForEvent(events.back(), std::chrono::seconds(2)));
  EXPECT_EQ(tracker->EventLog(), events);
  EXPECT_EQ(tracker->ReceivedNmea(), (std::vector{cases[0].first, cases[4].first}));
}

TEST_F(TrackerTest, PacedBytesTakeTheirLineTime) {
  VirtualTrackerOptions options;
  options.pace = true;
  StartTracker(options);
  TrackerSettings record;
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(ReadSettings(link, record));
  // "!", its answer, "D", its echo and 256 bytes: 260 byte times.
  EXPECT_GE(std::chrono::steady_clock::now() - start, 260 * kLineByteTime);
}

// The program as people start it: it replaces a dangling link (never someone else's file), prints
// the path on its first line and ends cleanly on SIGTERM, removing its link.
TEST(VirtualTrackerProgram, ServesALinkForAsLongAsItRuns) {
  TempDeviceDirectory devices;
  const std::string path = devices.path + "/ttyV0";
  fs::create_symlink(devices.path + "/gone", path);
  std::FILE* out =
      ::popen(("echo $$; exec " VIRTUAL_TRACKER_PROGRAM " --link " + path).c_str(), "r");
  ASSERT_NE(out, nullptr);
  char pid[32] = {}, line[256] = {};
  ASSERT_TRUE(std::fgets(pid, sizeof pid, out) && std::fgets(line, sizeof line, out));
  EXPECT_EQ(fs::read_symlink(path).string() + "\n", line);
  ::kill(std::atoi(pid), SIGTERM);
  EXPECT_EQ(::pclose(out), 0);  // exit status 0
  EXPECT_FALSE(fs::exists(fs::symlink_status(path)));

  std::ofstream(path) << "someone else's";
  VirtualTrackerOptions options;
  options.linkPath = path;
  EXPECT_THROW(VirtualTracker(options).Open(), std::system_error);
  EXPECT_TRUE(fs::is_regular_file(path));
}

TEST(VirtualTrackerProgram, HelpNamesEveryOptionAndFault) {
  std::FILE* help = ::popen(VIRTUAL_TRACKER_PROGRAM " --help", "r");
  ASSERT_NE(help, nullptr);
  std::string text;
  char chunk[512];
  while (std::size_t n = std::fread(chunk, 1, sizeof chunk, help)) text.append(chunk, n);
  EXPECT_EQ(::pclose(help), 0);
  for (const char* word :
       {"--device", "--link", "--handshake-reply", "--version", "--block", "--pace", "--fault",
        "--log", "silent", "no-echo", "noise-before-echo",
        "start-reply=", "ack-limit=", "short-block=", "hang-up-after=", "stream"}) {
    EXPECT_NE(text.find(word), std::string::npos) << word;
  }
}

}  // namespace
}  // namespace vindrel::testing
