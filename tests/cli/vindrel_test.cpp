#include "cli/vindrel.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <future>
#include <sstream>

#include "../protocol/tracker_fixture.h"
#include "serial/serial_port.h"
#include "settings/settings_block.h"
#include "settings/settings_file.h"

namespace vindrel {
namespace {

using ::testing::HasSubstr;
using ::testing::IsEmpty;

struct Result {
  int code;
  std::string out, err;
};

// Runs vindrel in-process on the virtual tracker's link, always with -p: a test never reaches
// a real port.
class VindrelCli : public testing::TrackerTest {
 protected:
  std::string Port() const { return devices.path + "/ttyV0"; }

  Result Cli(std::vector<std::string> args, const std::string& input = "",
             const std::string& port = "") {
    args.insert(args.begin(), {"vindrel", "-p", port.empty() ? Port() : port});
    std::vector<const char*> argv;
    for (const std::string& a : args) argv.push_back(a.c_str());
    std::istringstream in(input);
    std::ostringstream out, err;
    const int code = RunVindrel(static_cast<int>(argv.size()), argv.data(), in, out, err);
    return {code, out.str(), err.str()};
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

TrackerSettings Customised() {
  TrackerSettings s;
  s.callsign = "PA3XYZ-9";
  s.digipeaterPath = "WIDE1-1,WIDE2-2";
  s.beaconText = "Caf\xE9 \xA9 2024";  // Latin-1 on the line, UTF-8 in the file
  s.sendStatusText = true;
  s.statusInterval = 3;
  s.txDelayMs = 200;
  s.switchDelay = 4;
  return s;
}

TEST_F(VindrelCli, BackupAndRestoreThroughJsonAndImageWithVerification) {
  VirtualTrackerOptions options;
  options.startBlock = EncodeSettingsBlock(Customised());
  StartTracker(options);
  for (const char* name : {"backup.json", "backup.bin"}) {
    const std::string path = devices.path + "/" + name;
    ASSERT_EQ(Cli({"read", "-o", path}).code, 0) << name;
    tracker->SetBlock(EncodeSettingsBlock(TrackerSettings{}));
    const Result write = Cli({"write", path});
    EXPECT_EQ(write.code, 0) << name << write.err;
    EXPECT_EQ(TrackerRecord(), Customised()) << name;
  }
  EXPECT_EQ(tracker->WriteCount(), 2);
  // Standard output holds what the file holds.
  EXPECT_EQ(Cli({"read"}).out, SettingsFileBytes("x.json", Customised()));
}

TEST_F(VindrelCli, SetWritesTwoFieldsAndVerifyNamesExactlyTheFieldsThatDiffer) {
  StartTracker();
  const std::string before = File("before.json", SettingsFileBytes("x.json", TrackerSettings{}));
  ASSERT_EQ(Cli({"set", "beaconInterval=7", "statusText=H\xC3\xA9 daar"}).code, 0);
  TrackerSettings expected;
  expected.beaconInterval = 7;
  expected.statusText = "H\xE9 daar";
  EXPECT_EQ(TrackerRecord(), expected);

  const Result verify = Cli({"verify", before});
  EXPECT_EQ(verify.code, 1);
  EXPECT_EQ(verify.out, "beaconInterval: 5 in " + before +
                            ", 7 on the tracker\nstatusText: \"VINDrel onderweg\" in " + before +
                            ", \"H\xC3\xA9 daar\" on the tracker\n");
  // Values the tracker quantises (301 ms is kept as 300) are no difference.
  TrackerSettings quantised = expected;
  quantised.txDelayMs = 301;
  const std::string q = File("q.bin", SettingsFileBytes("x.bin", quantised));
  EXPECT_EQ(Cli({"verify", q}).code, 0);
  // diff compares the files as they are.
  const Result diff = Cli({"diff", q, before});
  EXPECT_EQ(diff.code, 1);
  EXPECT_THAT(diff.out, HasSubstr("beaconInterval: 7 in " + q + ", 5 in " + before + "\n"));
  EXPECT_EQ(Cli({"diff", q, q}).code, 0);
}

TEST_F(VindrelCli, VersionTonesSquelchAndGps) {
  StartTracker();
  const Result version = Cli({"version"});
  EXPECT_EQ(version.code, 0);
  EXPECT_EQ(version.out, "1.7\n");
  const std::pair<std::vector<std::string>, const char*> commands[] = {
      {{"tone", "low"}, "tone 1200"},
      {{"tone", "high"}, "tone 2200"},
      {{"squelch"}, "squelch end"}};
  for (const auto& [args, event] : commands) {
    EXPECT_EQ(Cli(args, "\n").code, 0) << event;
    EXPECT_TRUE(tracker->WaitForEvent(event, std::chrono::seconds(2))) << event;
  }
  const auto start = std::chrono::steady_clock::now();
  auto gps = std::async(std::launch::async, [&] { return Cli({"gps", "--seconds", "5"}).code; });
  std::this_thread::sleep_for(std::chrono::seconds(1));
  EXPECT_THAT(tracker->ReceivedNmea(), IsEmpty());  // the first tick comes after 2 s
  EXPECT_EQ(gps.get(), 0);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  Received(4 * 69);
  EXPECT_EQ(tracker->ReceivedNmea().size(), 4u);  // ticks at 2 s and 4 s, RMC and GGA each
}

TEST_F(VindrelCli, TraceShowsTheExactBytesOfARead) {
  StartTracker();
  const Result read = Cli({"--trace", "read"});
  ASSERT_EQ(read.code, 0);
  std::string sent, received;
  std::istringstream lines(read.err);
  for (std::string line; std::getline(lines, line);) {
    std::istringstream fields(line);
    std::string time, direction, hex;
    fields >> time >> direction;
    std::string& bytes = direction == "->" ? sent : received;
    for (int i = 0; i < 16 && fields >> hex && hex.size() == 2; ++i) {
      bytes += static_cast<char>(std::stoi(hex, nullptr, 16));
    }
  }
  const SettingsBlock block = tracker->Block();
  EXPECT_EQ(sent, "!D");
  EXPECT_EQ(received, "!D" + std::string(block.begin(), block.end()));
}

// Every bad file and value: exit code 4, the message, and not one byte to the tracker.
TEST_F(VindrelCli, BadFilesAndValuesSendNothing) {
  StartTracker();
  int files = 0;
  // A good JSON file with the value of one field replaced.
  auto edited = [&](const std::string& field, const std::string& value) {
    std::string text = SettingsFileBytes("x.json", TrackerSettings{});
    const auto at = text.find("\"" + field + "\": ") + field.size() + 4;
    text.replace(at, text.find_first_of(",\n", at) - at, value);
    return File("bad" + std::to_string(++files) + ".json", text);
  };
  SettingsBlock image = EncodeSettingsBlock(TrackerSettings{});
  image[3] = 0;  // beaconInterval
  const std::string tooLong = "\"" + std::string(32, 'x') + "\"";
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"write", edited("version", "1 2")}, "bad1.json: parse error at line 3, column 16"},
      {{"write", edited("callsign", "\"X\", \"colour\": 1")}, "bad2.json: colour: unknown field"},
      {{"write", edited("callsign", "\"X\", \"callsign\": \"Y\"")}, "callsign: appears twice"},
      {{"verify", File("empty.json", R"({"format": "vindrel-settings", "version": 1,
          "settings": {}})")},
       "empty.json: callsign: missing"},
      {{"write", edited("beaconInterval", "\"5\"")}, "beaconInterval: Please enter an integer."},
      {{"write", edited("beaconInterval", "5.0")}, "beaconInterval: Please enter an integer."},
      {{"write", edited("callsign", "5")}, "callsign: must be a text"},
      {{"write", edited("sendAltitude", "0")}, "sendAltitude: must be true or false"},
      {{"write", edited("transmissionInterval", "256")}, "between 5 and 255."},
      // Must not wrap round to 1 on its way into 32 bits.
      {{"write", edited("beaconInterval", "4294967297")}, "between 1 and 20."},
      {{"write", edited("beaconText", tooLong)}, "beaconText: Please enter no more than 31"},
      {{"write", edited("beaconText", "\"5 \xE2\x82\xAC\"")}, "beaconText: holds a character"},
      {{"write", edited("beaconText", "\"A\\u0000B\"")}, "beaconText: holds a zero character"},
      {{"write", edited("format", "\"other\"")}, "format: must be \"vindrel-settings\""},
      {{"write", edited("version", "2")}, "version: 2 is newer than this program reads (1)"},
      {{"write", File("short.bin", std::string(255, '\0'))}, "256 bytes, this file has 255"},
      {{"write", File("zero.bin", std::string(image.begin(), image.end()))},
       "zero.bin: beaconInterval: Please enter an integer between 1 and 20."},
      {{"write", devices.path + "/absent.json"}, "No such file or directory"},
      {{"set", "beaconInterval=abc"}, "beaconInterval: Please enter an integer."},
      {{"set", "switchDelay=11"}, "switchDelay: Please enter an integer between 0 and 10."},
      {{"set", "callsign=ABCDEFGHIJ"}, "callsign: Please enter no more than 9 characters."},
      {{"set", "statusText=\xC1\xA9"}, "statusText: holds a character"},  // overlong UTF-8
      {{"set", "statusText=a\xC3"}, "statusText: holds a character"},     // cut short
      {{"set", "sendAltitude=yes"}, "sendAltitude: must be true or false"},
      {{"set", "colour=red"}, "colour: unknown field"},
      {{"set", "callsign"}, "callsign: FIELD=VALUE expected"},
  };
  for (const auto& [args, message] : cases) {
    const Result run = Cli(args);
    EXPECT_EQ(run.code, 4) << message;
    EXPECT_THAT(run.err, HasSubstr(message));
  }
  EXPECT_THAT(Received(), IsEmpty());
}

// Faults of the tracker and the port: the exit code and the dialog's message.
TEST_F(VindrelCli, SilentMissingBusyAndFailingTrackers) {
  const struct {
    const char* fault;
    std::vector<std::string> args;
    int code;
    std::string message;
  } cases[] = {
      {"silent", {"read"}, 1, testing::kNoCommunication},
      {"silent", {"version"}, 1, testing::kNoCommunication},
      {"no-echo", {"tone", "low"}, 1, "did not take the tone"},
      {"ack-limit=50", {"write", "FILE"}, 1, "Schrijven van de instellingen is mislukt."},
      {"short-block=255", {"read"}, 1, "did not send its settings"},
      {"hang-up-after=3", {"write", "FILE"}, 3, "Input/output error"},  // after the start byte
  };
  const std::string file = File("good.json", SettingsFileBytes("x.json", TrackerSettings{}));
  for (const auto& c : cases) {
    StartTracker({}, c.fault);
    std::vector<std::string> args = c.args;
    for (std::string& a : args) a = a == "FILE" ? file : a;
    const auto start = std::chrono::steady_clock::now();
    const Result run = Cli(args);
    EXPECT_EQ(run.code, c.code) << c.fault;
    EXPECT_THAT(run.err, HasSubstr(c.message)) << c.fault;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5)) << c.fault;
    tracker.reset();
  }

  StartTracker();
  EXPECT_EQ(Cli({"read"}, "", devices.path + "/ttyV5").code, 3);  // no such device
  CSerialPort holder;
  holder.SetDeviceDirectory(devices.path);
  holder.Open(testing::kVirtualPort, 4800, ParityNone, 8, StopBitsOne, FlowNone, false);
  const Result busy = Cli({"version"});
  EXPECT_EQ(busy.code, 3);
  EXPECT_THAT(busy.err, HasSubstr(testing::kPortInUse));
  EXPECT_EQ(Cli({"version"}, "", "/no/such/serial").code, 2);
  holder.Close();
  // A stable name (/dev/serial/by-id/...) is a link to the device.
  std::filesystem::create_directories(devices.path + "/serial/by-id");
  std::filesystem::create_symlink("../../ttyV0", devices.path + "/serial/by-id/usb-Tracker");
  EXPECT_EQ(Cli({"version"}, "", devices.path + "/serial/by-id/usb-Tracker").code, 0);
}

}  // namespace
}  // namespace vindrel
