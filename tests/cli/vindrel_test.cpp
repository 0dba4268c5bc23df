#include "cli/vindrel.h"

#include <gmock/gmock.h>

#include <sys/wait.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <system_error>

#include "../protocol/tracker_fixture.h"
#include "../support/bounded_process.h"
#include "emulator/tracker_emulator.h"
#include "protocol/gps_track.h"
#include "settings/settings_block.h"
#include "settings/settings_fields.h"
#include "settings/settings_file.h"

namespace vindrel {
namespace {

using ::testing::HasSubstr;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

struct Result {
  int code;
  std::string out, err;
};

// Runs vindrel in-process on the virtual tracker's link, always with -p: a test never reaches
// a real port.
class VindrelCli : public testing::TrackerTest {
 protected:
  // The backup history in the test's own tree.
  VindrelCli() { ::setenv("XDG_DATA_HOME", (devices.path + "/data").c_str(), 1); }

  // Standard input holds one Enter, for squelch; out, when given, stands for standard output.
  Result Cli(std::vector<std::string> args, const std::string& port = "",
             std::streambuf* out = nullptr) {
    args.insert(args.begin(), {"-p", port.empty() ? devices.path + "/ttyV0" : port});
    return Run(std::move(args), out);
  }
  // Without -p the ports are found in the test's own tree.
  Result Run(std::vector<std::string> args, std::streambuf* out = nullptr) {
    args.insert(args.begin(), "vindrel");
    std::vector<const char*> argv;
    for (const std::string& a : args) argv.push_back(a.c_str());
    std::istringstream in("\n");
    std::ostringstream text, err;
    std::ostream given(out);
    const int code = RunVindrel(static_cast<int>(argv.size()), argv.data(), in, out ? given : text,
                                err, {devices.path, devices.path + "/sys"});
    return {code, text.str(), err.str()};
  }

  // The bytes sent and received, from the hex columns of a --trace.
  static std::pair<std::string, std::string> Line(const std::string& trace) {
    std::string sent, received;
    std::istringstream lines(trace);
    for (std::string line; std::getline(lines, line);) {
      if (line.size() < 62 || line[10] != ' ') continue;  // not a line of the trace
      std::istringstream hex(line.substr(14, 48));        // after the time and the direction
      std::string& bytes = line.substr(11, 2) == "->" ? sent : received;
      for (unsigned byte; hex >> std::hex >> byte;) bytes += static_cast<char>(byte);
    }
    return {sent, received};
  }

  static std::string Content(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }

  std::string File(const std::string& name, const std::string& content) const {
    const std::string path = devices.path + "/" + name;
    std::ofstream(path, std::ios::binary) << content;
    return path;
  }

  // The tracker's image decoded; bytes 112..255 play no part.
  TrackerSettings TrackerRecord() const {
    TrackerSettings s;
    DecodeSettingsBlock(tracker->Block(), s);
    return s;
  }
};

// A callsign as long as allowed; Latin-1 on the line, UTF-8 in the file; 200 ms is a value the
// tracker keeps as it is.
// clang-format off
const TrackerSettings kCustomised{"PA3XYZ-15", "-", "/", "WIDE1-1,WIDE2-2", true, 5,
    "Caf\xE9 \xA9 2024", true, 3, "VINDrel onderweg", false, false, 60, false, 200, 100, false, 4};
// clang-format on

// Backups to JSON and to an image (the tracker's bytes exactly); set changes fields (the tracker
// keeps 201 ms as 200, which its verify allows for), verify names exactly the fields that differ,
// and each backup restores the tracker with verification; diff compares two files. Every image
// read is kept in the history, the one before each write too.
TEST_F(VindrelCli, BackupSetVerifyRestoreAndDiff) {
  VirtualTrackerOptions options;
  SettingsBlock image = EncodeSettingsBlock(kCustomised);
  for (std::size_t i = kSettingsWriteSize; i < image.size(); ++i) {
    image[i] = static_cast<std::uint8_t>(i);  // the tracker's own bytes, not 0xFF
  }
  const std::string original(image.begin(), image.end());
  options.startBlock = image;
  StartTracker(options);
  const std::string json = devices.path + "/backup.json", bin = devices.path + "/backup.bin";
  char today[16];  // the local date, as the listing shows when an image was kept
  const std::time_t now = std::time(nullptr);
  std::strftime(today, sizeof today, "%Y-%m-%d ", std::localtime(&now));
  ASSERT_EQ(Cli({"read", "-o", json}).code, 0);
  ASSERT_EQ(Cli({"read", "-o", bin}).code, 0);
  EXPECT_EQ(Content(bin), original);
  TrackerSettings changed = kCustomised;
  changed.beaconInterval = 7;
  changed.statusText = "H\xE9";
  changed.symbolChar = "R";
  changed.tableChar = "\\";
  for (const std::string& backup : {json, bin}) {
    ASSERT_EQ(Cli({"set", "beaconInterval=7", "statusText=H\xC3\xA9", "txDelayMs=201",
                   "symbol=RESTAURANT"})
                  .code,
              0);
    EXPECT_EQ(TrackerRecord(), changed);
    const Result verify = Cli({"verify", backup});
    EXPECT_EQ(verify.code, 1);
    EXPECT_EQ(verify.out, "symbolChar: \"-\" in " + backup +
                              ", \"R\" on the tracker\ntableChar: \"/\" in " + backup +
                              ", \"\\\\\" on the tracker\nbeaconInterval: 5 in " + backup +
                              ", 7 on the tracker\nstatusText: \"VINDrel onderweg\" in " + backup +
                              ", \"H\xC3\xA9\" on the tracker\n");
    EXPECT_EQ(Cli({"write", backup}).code, 0) << backup;
    EXPECT_EQ(TrackerRecord(), kCustomised) << backup;
  }
  const std::string defaults = File("d.json", SettingsFileBytes("d.json", {}));
  const Result diff = Cli({"diff", json, defaults});
  EXPECT_EQ(diff.code, 1);
  EXPECT_THAT(diff.out, HasSubstr("\nswitchDelay: 4 in " + json + ", 10 in " + defaults + "\n"));
  EXPECT_EQ(Cli({"diff", json, bin}).code, 0);
  EXPECT_THAT(Cli({"symbols"}).out, HasSubstr("\n/\t>\tAuto\n"));  // the names symbol= takes
  // Images alternate original, changed, ...: one file each, the same image read again is not.
  // A file of the user's own in the folder is no backup.
  std::ofstream(devices.path + "/data/vindrel/backups/mine.bin") << "x";
  const Result history = Cli({"backups"});
  EXPECT_EQ(std::count(history.out.begin(), history.out.end(), '\n'), 5);
  const std::string oldest =
      history.out.substr(history.out.rfind('\n', history.out.size() - 2) + 1);
  EXPECT_THAT(oldest, HasSubstr("-PA3XYZ-15.bin\t" + std::string(today)));
  EXPECT_THAT(oldest, HasSubstr("\tPA3XYZ-15\tCaf\xC3\xA9 \xC2\xA9 2024\n"));
  EXPECT_EQ(Content(devices.path + "/data/vindrel/backups/" + oldest.substr(0, oldest.find('\t'))),
            original);

  // Standard output holds what the file holds; the trace, the exact bytes on the line.
  const Result read = Cli({"--trace", "read"});
  EXPECT_EQ(read.out, SettingsFileBytes("x.json", kCustomised));
  auto [sent, received] = Line(read.err);
  EXPECT_EQ(sent, "!D");
  EXPECT_EQ(received, "!D" + original);
  // A write reads the tracker's image first and, unless told not to, its settings back after.
  const std::string data(original.begin(), original.begin() + kSettingsWriteSize);
  EXPECT_EQ(Line(Cli({"--trace", "write", json}).err).first,
            std::string("!DU\0p", 5) + data + "!D");
  const Result unverified = Cli({"--trace", "write", "--no-verify", json});
  EXPECT_EQ(unverified.code, 0);
  EXPECT_EQ(Line(unverified.err).first, std::string("!DU\0p", 5) + data);

  // Calls in lower case and delays between the tracker's steps are what the tracker keeps.
  TrackerSettings lower = kCustomised;
  lower.callsign = "pa3xyz-15";
  lower.txDelayMs = 301;
  const std::string file = File("lower.json", SettingsFileBytes("x.json", lower));
  EXPECT_EQ(Cli({"write", file}).code, 0);
  EXPECT_THAT(
      Cli({"show", file}).err,
      ::testing::StartsWith("vindrel: " + file +
                            ": callsign: \"pa3xyz-15\" is held as \"PA3XYZ-15\" by the tracker\n"
                            "vindrel: " +
                            file + ": txDelayMs: 301 is held as 300 by the tracker\n"));
}

// check names what works badly on the air, from a file or the tracker; --strict makes it fail;
// show gives the same advice on standard error, under the values.
TEST_F(VindrelCli, CheckAdvisesOnFilesAndTheTracker) {
  StartTracker();
  TrackerSettings sound;
  sound.digipeaterPath = "WIDE1-1,WIDE2-1";
  sound.beaconInterval = 10;
  const std::string good = File("good.json", SettingsFileBytes("x.json", sound));
  const std::string defaults = File("d.json", SettingsFileBytes("x.json", {}));
  EXPECT_EQ(Cli({"check", "--strict", good}).out, "");
  const Result fromFile = Cli({"check", defaults});
  EXPECT_EQ(fromFile.code, 0);
  EXPECT_THAT(fromFile.out, HasSubstr("digipeaterPath: TRACE3-3 is obsolete"));
  EXPECT_EQ(Cli({"check", "--strict", defaults}).code, 1);
  const Result fromTracker = Cli({"check"});
  EXPECT_EQ(fromTracker.out, fromFile.out);
  EXPECT_EQ(Cli({"show", defaults}).err, fromFile.out);
  EXPECT_EQ(Received(), "!D");
}

// Drives replayed at ten times their pace into the tracker: a receiver's log (noise, other
// sentence types, one garbled line, midnight) and a GPX track across the date line and a stop.
// check_replay.py reads the track anew and holds every sentence against it with pynmea2.
TEST_F(VindrelCli, ReplaysAReceiversLogAndAGpxTrack) {
  // Name, ticks, message, the tracker's log of the first fix.
  const std::tuple<const char*, std::size_t, const char*, const char*> drives[] = {
      {"drive.nmea", 4,
       "vindrel: " REPLAY_DATA "/drive.nmea: 1 sentence(s) with a bad checksum "
       "skipped\n",
       "position 5205.4420 N 00507.2840 E speed 0.00 course 45.00"},
      {"dateline.gpx", 6, "", "position 1700.0000 S 17959.7000 E speed 58.5"},
  };
  for (const auto& [name, ticks, message, firstFix] : drives) {
    StartTracker();
    const std::string track = REPLAY_DATA "/" + std::string(name);
    const Result run = Cli({"gps", "--replay", track, "--speed", "10"});
    EXPECT_EQ(run.code, 0) << name;
    EXPECT_EQ(run.err, message);
    EXPECT_EQ(testing::NmeaFrom(*tracker, 2 * ticks).size(), 2 * ticks) << name;
    EXPECT_THAT(tracker->EventLog(), ::testing::Contains(HasSubstr(firstFix)));
    const std::string line = File("line.bin", Received());
    test::BoundedProcess check(REPLAY_CHECK " " + line + " " + track + " 20", 60s);
    const std::string said = check.Rest();
    EXPECT_EQ(check.Wait(), 0) << said;
    tracker.reset();
  }
  // Looped: 0, 40 and 80 s on, the last 20 s into the second round, the time running on.
  StartTracker();
  const std::string log = REPLAY_DATA "/drive.nmea";
  EXPECT_EQ(Cli({"gps", "--replay", log, "--speed", "20", "--loop", "--seconds", "5"}).code, 0);
  const std::vector<std::string> fixes = testing::NmeaFrom(*tracker, 6);
  ASSERT_EQ(fixes.size(), 6u);
  EXPECT_EQ(fixes[4].substr(17, 39), "A,5205.5057,N,00507.4073,E,30.00,75.00,");
  const auto seconds = [](const std::string& rmc) {
    return std::stoi(rmc.substr(7, 2)) * 3600 + std::stoi(rmc.substr(9, 2)) * 60 +
           std::stoi(rmc.substr(11, 2));
  };
  EXPECT_EQ((seconds(fixes[4]) - seconds(fixes[0]) + 86400) % 86400, 80);
}

// The commands against a tracker reached through a stable name (/dev/serial/by-id/...), a link
// to the device; then the port is busy.
TEST_F(VindrelCli, VersionTonesSquelchGpsAndABusyPort) {
  StartTracker();
  std::filesystem::create_directories(devices.path + "/serial/by-id");
  std::filesystem::create_symlink("../../ttyV0", devices.path + "/serial/by-id/usb-Tracker");
  EXPECT_EQ(Cli({"version"}, devices.path + "/serial/by-id/usb-Tracker").out, "1.7\n");
  // clang-format off
  const std::pair<std::vector<std::string>, const char*> commands[] = {
    {{"tone", "low"}, "tone 1200"}, {{"tone", "high"}, "tone 2200"}, {{"squelch"}, "squelch end"}};
  // clang-format on
  for (const auto& [args, event] : commands) {
    EXPECT_EQ(Cli(args).code, 0) << event;
    EXPECT_TRUE(tracker->WaitForEvent(event, 2s)) << event;
  }
  const auto start = Clock::now();
  EXPECT_EQ(Cli({"gps", "--seconds", "3"}).code, 0);
  EXPECT_GE(Clock::now() - start, 3s);
  // Ticks at once and at 2 s, RMC and GGA each.
  EXPECT_EQ(testing::NmeaFrom(*tracker, 4).size(), 4u);
  for (const char* seconds : {"0", "1.5", "99999999999"}) {
    EXPECT_EQ(Cli({"gps", "--seconds", seconds}).err,
              "vindrel: --seconds: " + std::string(seconds) +
                  " is not a whole number of seconds from 1\n");
  }
  // A history that cannot be kept is a warning; the read itself succeeds.
  ::setenv("XDG_DATA_HOME", File("not-a-folder", "").c_str(), 1);
  const Result read = Cli({"read"});
  EXPECT_EQ(read.code, 0);
  EXPECT_THAT(read.err, HasSubstr("vindrel: warning: backup history: "));
  // A full disk: standard output or an output file that takes nothing is exit 5, not success.
  struct FullDisk : std::streambuf {
  } full;  // the default overflow() refuses every byte
  EXPECT_EQ(Cli({"version"}, "", &full).code, 5);
  EXPECT_EQ(Cli({"read", "-o", devices.path + "/no/such/folder/x.bin"}).code, 5);
  link.port.Open(testing::kVirtualPort, 4800, ParityNone, 8, StopBitsOne, FlowNone, false);
  const Result busy = Cli({"version"});
  EXPECT_EQ(busy.code, 3);
  EXPECT_THAT(busy.err, HasSubstr(testing::kPortInUse));
}

// Every bad file and value: exit code 4, the message, and not one byte to the tracker.
TEST_F(VindrelCli, BadFilesAndValuesSendNothing) {
  StartTracker();
  int files = 0;
  // write with a good JSON file whose value of one field is replaced.
  auto write = [&](const std::string& field, const std::string& value) {
    std::string text = SettingsFileBytes("x.json", TrackerSettings{});
    const auto at = text.find("\"" + field + "\": ") + field.size() + 4;
    text.replace(at, text.find_first_of(",\n", at) - at, value);
    return std::vector<std::string>{"write", File("bad" + std::to_string(++files) + ".json", text)};
  };
  const TrackerSettings zero{"NOCALL", "-", "/", "TRACE3-3", true, 0};  // beaconInterval 0
  const std::string empty = R"({"format": "vindrel-settings", "version": 1, "settings": {}})";
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      // clang-format off
      {write("version", "1 2"), "bad1.json: parse error at line 3, column 16"},
      {write("callsign", "\"X\", \"colour\": 1"), "bad2.json: colour: unknown field"},
      {write("callsign", "\"X\", \"callsign\": \"Y\""), "callsign: appears twice"},
      {{"verify", File("empty.json", empty)}, "empty.json: callsign: missing"},
      {write("beaconInterval", "5.0"), "beaconInterval: not an integer between 1 and 20"},
      {write("txDelayMs", "1e999"), "bad5.json: txDelayMs: not an integer between 0 and 1200"},
      {write("callsign", "\"PA3XYZ-99\""), "bad6.json: callsign: Please enter a callsign of one"},
      {write("callsign", "5"), "callsign: must be a text"},
      {write("sendAltitude", "0"), "sendAltitude: must be true or false"},
      {write("beaconInterval", "4294967297"), "between 1 and 20"},  // not wrapped round to 1
      {write("beaconText", '"' + std::string(32, 'x') + '"'), "beaconText: Please enter no more"},
      {write("beaconText", "\"5 \xE2\x82\xAC\""), "beaconText: holds a character"},
      {write("beaconText", "\"A\\u0000B\""), "beaconText: Please enter printable characters"},
      {write("format", "\"other\""), "format: must be \"vindrel-settings\""},
      {write("version", "2"), "version: 2 is newer than this program reads (1)"},
      {{"write", File("short.bin", std::string(255, '\0'))}, "256 bytes, this file has 255"},
      {{"write", File("zero.bin", SettingsFileBytes("x.bin", zero))},
       "zero.bin: beaconInterval: Please enter an integer between 1 and 20."},
      {{"write", devices.path + "/absent.json"}, std::generic_category().message(ENOENT)},
      {{"set", "beaconInterval=abc"}, "beaconInterval: Please enter an integer."},
      {{"set", "switchDelay=11"}, "switchDelay: Please enter an integer between 0 and 10."},
      {{"set", "callsign=ABCDEFGHIJ"}, "callsign: Please enter no more than 9 characters."},
      {{"set", "callsign=PA3XYZ-17"}, kCallsignRule},
      {{"set", "callsign=PA\xC3\xA9" "3"}, kCallsignRule}, {{"set", "symbolChar=ab"}, "printable ASCII"},
      {{"set", "digipeaterPath=WIDE1-1,WIDE2-1,A,B"}, kPathRule},
      {{"set", "statusText=a\xC3"}, "statusText: holds a character"},  // cut short
      {{"set", "sendAltitude=yes"}, "sendAltitude: must be true or false"},
      {{"set", "symbol=Fietsen"}, "symbol=Fietsen: no such symbol name"},
      {{"set", "colour=red"}, "colour: unknown field"}, {{"set", "x"}, "x: FIELD=VALUE expected"},
      {{"set", "beaconinterval=3"}, "beaconinterval: unknown field; did you mean beaconInterval?"},
      {{"gps", "--replay", File("noise.nmea", "$GPRMC,1*00\r\n")}, "noise.nmea: no position fix"},
      {{"gps", "--replay", File("a.gpx", "<gpx><trk>")}, "a.gpx: XML error at byte 9"},
      {{"gps", "--replay", File("b.gpx", "<gpx><trk><trkseg><trkpt lat='1' lon='2'/></trkseg>"
                                        "</trk></gpx>")}, "b.gpx: track point 1: no time"},
  };  // clang-format on
  for (const auto& [args, message] : cases) {
    const Result run = Cli(args);
    EXPECT_EQ(run.code, 4) << message;
    EXPECT_THAT(run.err, HasSubstr(message));
  }
  EXPECT_EQ(Received(), "");
  // Not bad: a point at the time of the one before (a logger's repeated fix) is passed over.
  Track track;
  const std::string point = "<trkpt lat='1' lon='2'><time>2024-05-01T12:00:00Z</time></trkpt>";
  EXPECT_EQ(
      ReadTrackFile(File("c.gpx", "<gpx><trk><trkseg>" + point + point + "</trkseg></trk></gpx>"),
                    track),
      std::nullopt);
  EXPECT_EQ(track.points.size(), 1u);
}

// Without -p: the only port present is the one talked to; several are listed (exit 2) and none
// is said (exit 3), and neither opens a port.
TEST_F(VindrelCli, WithoutAPortTheOnlyOneIsUsedAndSeveralAreListed) {
  std::filesystem::create_directories(devices.path + "/sys/class/tty");
  const Result none = Run({"version"});
  EXPECT_EQ(none.code, 3);
  EXPECT_THAT(none.err, HasSubstr("Er zijn geen serieele poorten"));
  StartTracker();
  const Result one = Run({"version"});
  EXPECT_EQ(std::pair(one.code, one.out), std::pair(0, std::string("1.7\n")));
  std::filesystem::create_symlink(devices.path + "/ttyV0", devices.path + "/ttyV1");
  const std::string before = Received();
  const Result several = Run({"version"});
  EXPECT_EQ(several.code, 2);
  EXPECT_THAT(several.err, HasSubstr("ttyV0\t"));
  EXPECT_THAT(several.err, HasSubstr("ttyV1\t"));
  EXPECT_EQ(Received(), before);  // listed, not opened
}

// Faults of the tracker and the port: the exit code and the dialog's message, within the
// time-outs; a missing port.
TEST_F(VindrelCli, SilentFailingAndMissingTrackers) {
  const std::string file = File("good.json", SettingsFileBytes("x.json", TrackerSettings{}));
  const std::tuple<const char*, std::vector<std::string>, int, std::string> cases[] = {
      // clang-format off
      {"silent", {"read"}, 1, testing::kNoCommunication},
      {"no-echo", {"tone", "low"}, 1, "did not take the tone"},
      {"no-echo=U", {"write", file}, 1, "did not take the write command"},  // after the read
      {"ack-limit=50", {"write", file}, 1, "Schrijven van de instellingen is mislukt."},
      {"short-block=255", {"read"}, 1, "did not send its settings"},
      {"hang-up-after=3", {"write", file}, 3, std::generic_category().message(EIO)},
  };  // clang-format on
  for (const auto& [fault, args, code, message] : cases) {
    StartTracker({}, fault);
    const auto start = Clock::now();
    const Result run = Cli(args);
    EXPECT_EQ(run.code, code) << fault;
    EXPECT_THAT(run.err, HasSubstr(message)) << fault;
    EXPECT_LT(Clock::now() - start, 5s) << fault;
    tracker.reset();
  }

  EXPECT_EQ(Cli({"version"}, "/no/such/serial").code, 2);         // not a serial port
  const Result missing = Cli({"read"}, devices.path + "/ttyV5");  // no such device
  EXPECT_EQ(missing.code, 3);
  EXPECT_EQ(missing.err, "vindrel: " + devices.path + "/ttyV5: " + testing::kPortMissing + "\n");
}

// The program's own tracker: every command at once, with no hardware and no port to map. Each
// run of the program starts it afresh from the default settings. -p may follow the command.
TEST(VindrelProgram, TheBuiltInTrackerTakesReadWriteAndVerify) {
  test::TempDir dir;
  const auto run = [&](const std::string& args) {
    test::BoundedProcess program(
        "XDG_DATA_HOME=" + dir.path + " " VINDREL_PROGRAM " " + args + " -p virtual", 30s);
    const std::string out = program.Rest();
    const int status = program.Wait();
    return std::pair{WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
  };
  const std::string defaults = dir.path + "/defaults.json", own = dir.path + "/own.json";
  ASSERT_EQ(run("read -o " + defaults).first, 0);
  TrackerSettings settings;
  settings.callsign = "PA3XYZ-9";
  std::ofstream(own) << SettingsFileBytes(own, settings);
  EXPECT_EQ(run("write " + own).first, 0);  // read back and compared within the run
  EXPECT_EQ(run("verify " + own),
            std::pair(1, "callsign: \"PA3XYZ-9\" in " + own + ", \"NOCALL\" on the tracker\n"));
  EXPECT_EQ(run("verify " + defaults).first, 0);
  EXPECT_THAT(run("ports").second,
              ::testing::EndsWith("virtual\tVirtuele tracker\t" +
                                  std::string(kVirtualTrackerDescription) + "\n"));
}

}  // namespace
}  // namespace vindrel
