#include "protocol/tracker_link.h"

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
