#include "tools/virtual_tracker/virtual_tracker.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "protocol/tracker_commands.h"
#include "settings/settings_block.h"
#include "tests/protocol/tracker_fixture.h"

namespace vindrel::testing {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

TEST(VirtualTrackerFaults, KindsParseAsOnTheCommandLine) {
  VirtualTrackerFaults f;
  for (const char* good : {"silent", "no-echo", "noise-before-echo", "stream", "start-reply=0x01",
                           "ack-limit=50", "short-block=255", "hang-up-after=20"}) {
    EXPECT_TRUE(ParseVirtualTrackerFault(good, f)) << good;
  }
  EXPECT_TRUE(f.silent && f.noEcho && f.noiseBeforeEcho && f.stream);
  EXPECT_EQ(f.startReply, 0x01);
  EXPECT_EQ(f.ackLimit, 50u);
  EXPECT_EQ(f.shortBlock, 255u);
  EXPECT_EQ(f.hangUpAfter, 20u);

  for (const char* bad : {"", "loud", "silent=1", "start-reply=256", "start-reply=",
                          "ack-limit=113", "ack-limit=-1", "short-block=257", "hang-up-after=1x"}) {
    VirtualTrackerFaults untouched;
    EXPECT_FALSE(ParseVirtualTrackerFault(bad, untouched)) << bad;
    EXPECT_FALSE(untouched.ackLimit || untouched.startReply || untouched.silent) << bad;
  }
}

TEST_F(TrackerTest, SentencesAreCollectedWithTheirLineEndsEitherWayRound) {
  StartTracker();
  ASSERT_TRUE(link.Connect());
  const std::vector<std::string> sentences = {
      "$GPRMC,092204.999,A,5200.0000,N,00500.0000,E,0.00,0.00,211200,,*25\n\r",
      "$GPGGA,092204.999,5200.0000,N,00500.0000,E,1,04,24.4,0.0,M,,,,0000*1F\r\n"};
  for (const std::string& s : sentences) {
    link.port.Write(s.data(), static_cast<std::uint32_t>(s.size()));
  }
  // Their letters are not taken for commands: the tracker still answers one.
  EXPECT_TRUE(SendLowTone(link));
  EXPECT_EQ(tracker->ReceivedNmea(), sentences);
  const std::vector<std::string> log = tracker->EventLog();
  ASSERT_GE(log.size(), 3u);
  EXPECT_EQ(log[1],
            "nmea $GPRMC,092204.999,A,5200.0000,N,00500.0000,E,0.00,0.00,211200,,*25\\n\\r");
  EXPECT_EQ(log[3], "command L");
}

TEST_F(TrackerTest, AWriteLeftHalfWayIsGivenUpAndCommandsAreAnsweredAgain) {
  StartTracker();
  ASSERT_TRUE(link.SendCommand('U'));
  const std::uint8_t start[] = {0x00, 'p', 1, 2, 3};
  std::uint8_t answer[5] = {};
  for (std::size_t i = 0; i < sizeof start; ++i) {
    link.port.Write(&start[i], 1);
    ASSERT_EQ(link.port.Read(&answer[i], 1), 1u);
  }
  EXPECT_EQ(std::string(answer, answer + 5), std::string("\0p###", 5));
  std::this_thread::sleep_for(700ms);
  EXPECT_TRUE(ReadVersion(link));
  EXPECT_TRUE(Logged("write-aborted at byte 3"));
  EXPECT_EQ(tracker->WriteCount(), 0);
}

TEST_F(TrackerTest, TheBlockFileGivesTheStartImageAndKeepsEveryWrite) {
  const std::string file = devices.path + "/tracker.bin";
  TrackerSettings start;
  start.callsign = "PE1ABC";
  const SettingsBlock image = EncodeSettingsBlock(start);
  std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(image.data()), 256);

  VirtualTrackerOptions options;
  options.blockFile = file;
  StartTracker(options);
  TrackerSettings record;
  ASSERT_TRUE(ReadSettings(link, record));
  EXPECT_EQ(record.callsign, "PE1ABC");

  record.callsign = "PE1XYZ";
  ASSERT_EQ(WriteSettings(link, record), WriteOutcome::Done);
  std::ifstream in(file, std::ios::binary);
  const std::vector<char> saved{std::istreambuf_iterator<char>(in), {}};
  const SettingsBlock stored = tracker->Block();
  EXPECT_EQ(saved, std::vector<char>(stored.begin(), stored.end()));
  EXPECT_EQ(stored[16], 'P' << 1);

  fs::resize_file(file, 255);
  VirtualTracker broken(options);
  EXPECT_THROW(broken.Open(), std::runtime_error);
}

TEST(VirtualTrackerLink, ReplacesOnlyADanglingLinkAndRemovesItsOwn) {
  TempDeviceDirectory devices;
  const std::string path = devices.path + "/ttyV0";
  VirtualTrackerOptions options;
  options.linkPath = path;

  fs::create_symlink(devices.path + "/gone", path);
  {
    VirtualTracker tracker(options);
    tracker.Open();
    EXPECT_EQ(fs::read_symlink(path), tracker.SlavePath());
  }
  EXPECT_FALSE(fs::exists(fs::symlink_status(path)));

  std::ofstream(path) << "someone else's";
  VirtualTracker tracker(options);
  EXPECT_THROW(tracker.Open(), std::system_error);
  EXPECT_TRUE(fs::is_regular_file(path));
}

TEST_F(TrackerTest, PacedBytesTakeTheirLineTime) {
  VirtualTrackerOptions options;
  options.pace = true;
  StartTracker(options);
  TrackerSettings record;
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(ReadSettings(link, record));
  // "!", its answer, "D", its echo and 256 bytes: 260 byte times of 10 bits at 4800 baud.
  EXPECT_GE(std::chrono::steady_clock::now() - start, 260 * kLineByteTime);
}

// The program as people start it: the path on the first line, a link that lives as long as it
// does, a clean end on SIGTERM.
TEST(VirtualTrackerProgram, PrintsThePathServesTheLinkAndEndsOnSigterm) {
  TempDeviceDirectory devices;
  const std::string path = devices.path + "/ttyV0";
  int out[2];
  ASSERT_EQ(::pipe(out), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::dup2(out[1], STDOUT_FILENO);
    ::execl(VIRTUAL_TRACKER_PROGRAM, "virtual-tracker", "--link", path.c_str(), nullptr);
    ::_exit(127);
  }
  ::close(out[1]);
  std::FILE* stream = ::fdopen(out[0], "r");
  char line[256] = {};
  ASSERT_NE(std::fgets(line, sizeof line, stream), nullptr);
  EXPECT_EQ(fs::read_symlink(path).string() + "\n", line);

  ::kill(child, SIGTERM);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  std::fclose(stream);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_FALSE(fs::exists(fs::symlink_status(path)));
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
