#include "protocol/tracker_link.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "protocol/tracker_commands.h"
#include "tests/protocol/tracker_fixture.h"
#include "tools/virtual_tracker/tracker_line.h"

namespace vindrel::testing {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

TEST_F(TrackerTest, EitherHandshakeAnswerBringsTheLinkUp) {
  for (std::uint8_t answer : {'!', '>'}) {
    SCOPED_TRACE(answer);
    VirtualTrackerOptions options;
    options.handshakeReply = answer;
    StartTracker(options);
    EXPECT_TRUE(link.Connect());
    EXPECT_TRUE(link.portOpen);
    EXPECT_TRUE(owner.messages.empty());
    link.Close();
  }
}

TEST_F(TrackerTest, BytesBeforeTheHandshakeAnswerAndTheEchoAreDropped) {
  VirtualTrackerOptions options;
  options.faults.noiseBeforeEcho = true;
  options.version = {2, 3};
  StartTracker(options);
  // Only the bytes before the answers go: the version behind the echo arrives whole.
  EXPECT_EQ(ReadVersion(link), (std::array<std::uint8_t, 2>{2, 3}));
  EXPECT_TRUE(owner.messages.empty());
}

TEST_F(TrackerTest, BusyPortIsReportedInUseAndLeavesTheLinkDown) {
  StartTracker();
  CSerialPort other;
  other.SetDeviceDirectory(devices.path);
  other.Open(kVirtualPort, 4800, ParityNone, 8, StopBitsOne, FlowNone, false);

  EXPECT_FALSE(link.SendCommand('L'));
  EXPECT_EQ(owner.messages, std::vector<std::string>{kPortInUse});
  EXPECT_FALSE(link.portOpen);
  EXPECT_FALSE(link.port.IsOpen());

  // Once the other program lets go, the next command connects afresh.
  other.Close();
  EXPECT_TRUE(link.SendCommand('L'));
  EXPECT_EQ(Received(2), "!L");
}

struct ConnectResult {
  bool up = false;
  std::string message;
};

// Connects in a child process that has dropped to the user nobody: root opens any device.
ConnectResult ConnectAsNobody(const std::string& deviceDirectory, const passwd& nobody) {
  int result[2];
  if (::pipe(result) != 0) return {};
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(result[0]);
    if (::setgroups(0, nullptr) != 0 || ::setgid(nobody.pw_gid) != 0 ||
        ::setuid(nobody.pw_uid) != 0) {
      ::_exit(3);
    }
    RecordingOwner owner;
    TrackerLink link(owner);
    link.SetDeviceDirectory(deviceDirectory);
    link.Connect();
    const std::string report =
        (link.portOpen ? "1" : "0") + (owner.messages.empty() ? std::string() : owner.messages[0]);
    [[maybe_unused]] const ssize_t n = ::write(result[1], report.data(), report.size());
    ::_exit(0);
  }
  ::close(result[1]);
  std::string report;
  char chunk[256];
  for (ssize_t n; (n = ::read(result[0], chunk, sizeof chunk)) > 0;) report.append(chunk, n);
  ::close(result[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  if (report.empty()) return {true, "child failed with status " + std::to_string(status)};
  return {report[0] == '1', report.substr(1)};
}

TEST_F(TrackerTest, ADeviceTheUserMayNotOpenNamesItsGroupAndLeavesTheLinkDown) {
  StartTracker();
  const std::string device = tracker->SlavePath();
  ASSERT_EQ(::chmod(device.c_str(), 0), 0);

  ConnectResult result;
  if (::geteuid() == 0) {
    const passwd* nobody = ::getpwnam("nobody");
    if (nobody == nullptr) GTEST_SKIP() << "no user nobody to drop to; root opens any device";
    // A group other than the usual dialout, as on Arch: the name must come from the device.
    if (const group* uucp = ::getgrnam("uucp")) {
      ASSERT_EQ(::chown(device.c_str(), static_cast<uid_t>(-1), uucp->gr_gid), 0);
    }
    ASSERT_EQ(::chmod(devices.path.c_str(), 0755), 0);  // nobody must reach the link itself
    result = ConnectAsNobody(devices.path, *nobody);
  } else {
    // The test's own user owns the pseudo-terminal; without permission bits even the owner is
    // refused.
    result.up = link.Connect() || link.portOpen;
    result.message = owner.messages.empty() ? "" : owner.messages[0];
  }

  struct stat st {};
  ASSERT_EQ(::stat(device.c_str(), &st), 0);
  const group* owningGroup = ::getgrgid(st.st_gid);
  ASSERT_NE(owningGroup, nullptr);
  EXPECT_EQ(result.message, std::string("Geen toegang tot de seriele poort. Voeg uw gebruiker "
                                        "toe aan de groep ") +
                                owningGroup->gr_name + " en meld opnieuw aan.");
  EXPECT_FALSE(result.up);
}

TEST_F(TrackerTest, PortsThatCannotBeOpenedAreReportedInUse) {
  StartTracker();
  for (int number : {0, kVirtualPort + 1}) {  // nothing selected; a device that does not exist
    SCOPED_TRACE(number);
    owner.messages.clear();
    owner.portNumber = number;
    EXPECT_FALSE(link.Connect());
    EXPECT_EQ(owner.messages, std::vector<std::string>{kPortInUse});
    EXPECT_FALSE(link.portOpen);
  }
}

TEST_F(TrackerTest, AfterASilentHandshakeCommandsGoOutWithoutANewOne) {
  VirtualTrackerOptions options;
  options.faults.silent = true;
  StartTracker(options);

  EXPECT_FALSE(ReadVersion(link));
  EXPECT_EQ(owner.messages, std::vector<std::string>{kNoCommunication});
  EXPECT_TRUE(link.portOpen);
  EXPECT_TRUE(link.port.IsOpen());

  tracker->SetFaults({});
  EXPECT_TRUE(SendHighTone(link));
  EXPECT_EQ(Received(2), "!H");
  EXPECT_EQ(owner.messages.size(), 1u);
}

TEST_F(TrackerTest, ConnectEndsTheGpsSimulationAndRestoresTheLinkTimeouts) {
  StartTracker();
  // The simulation holds the port without time-outs of its own.
  link.port.Open(kVirtualPort, 4800, ParityNone, 8, StopBitsOne, FlowNone, false);
  link.gpsTimer = 1;

  EXPECT_TRUE(link.Connect());
  EXPECT_EQ(owner.stoppedTimers, std::vector<unsigned>{1});
  EXPECT_EQ(link.gpsTimer, 0u);
  EXPECT_TRUE(link.portOpen);
  SerialTimeouts timeouts;
  link.port.GetTimeoutSettings(timeouts);
  EXPECT_EQ(timeouts.ReadIntervalTimeout, 0u);
  EXPECT_EQ(timeouts.ReadTotalTimeoutConstant, 1000u);
  EXPECT_EQ(timeouts.WriteTotalTimeoutConstant, 1000u);
}

TEST_F(TrackerTest, AStreamingDeviceFailsAfterTheDroppedByteBoundNotNever) {
  VirtualTrackerOptions options;
  options.faults.stream = true;
  StartTracker(options);

  // Each wait sees far more than 1024 bytes in well under the 3 s bound.
  const auto start = Clock::now();
  EXPECT_FALSE(link.Connect());
  EXPECT_EQ(owner.messages, std::vector<std::string>{kNoCommunication});
  EXPECT_FALSE(link.SendCommand('V'));
  EXPECT_LT(Clock::now() - start, 2500ms);
}

TEST_F(TrackerTest, ASlowTalkerFailsAfterThreeSecondsInAll) {
  // A peer that sends a byte every 10 ms never lets a one-second read time out and stays under
  // 1024 bytes in 3 s: only the overall bound ends the wait.
  TrackerLine peer = OpenPseudoTerminal();
  ASSERT_EQ(::symlink(peer.clientPath.c_str(), (devices.path + "/ttyV0").c_str()), 0);
  std::atomic<bool> stop{false};
  std::thread talker([&] {
    while (!stop) {
      [[maybe_unused]] const ssize_t n = ::write(peer.fd.Get(), "x", 1);
      std::this_thread::sleep_for(10ms);
    }
  });

  const auto start = Clock::now();
  EXPECT_FALSE(link.Connect());
  const auto elapsed = Clock::now() - start;
  stop = true;
  talker.join();
  EXPECT_EQ(owner.messages, std::vector<std::string>{kNoCommunication});
  EXPECT_GE(elapsed, 2900ms);
  EXPECT_LT(elapsed, 4500ms);
}

TEST_F(TrackerTest, TheTrackerHangingUpMidWriteRaisesToTheCaller) {
  VirtualTrackerOptions options;
  options.faults.hangUpAfter = 20;  // "!", "U", 0x00, "p" and 16 data bytes
  StartTracker(options);
  EXPECT_THROW(WriteSettings(link, TrackerSettings{}), CSerialException);
  EXPECT_TRUE(link.portOpen);  // as the error left it
}

}  // namespace
}  // namespace vindrel::testing
