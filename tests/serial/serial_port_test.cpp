#include "serial/serial_port.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>

#include <cerrno>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <thread>

#include "pty_peer.h"

namespace vindrel {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using test::PtyPeer;

// The error code a call raises; 0 when it raises nothing.
std::uint32_t RaisedCode(const std::function<void()>& call) try {
  call();
  return 0;
} catch (const CSerialException& e) {
  return e.errorCode;
}

class SerialPortTest : public ::testing::Test {
 protected:
  // Opens as the tracker link does (4800 baud, 8N1) unless told otherwise; the code raised.
  std::uint32_t Open(CSerialPort& p, int number = PtyPeer::kPortNumber,
                     SerialParity parity = ParityNone, std::uint8_t dataBits = 8) {
    p.SetDeviceDirectory(peer.Devices());
    return RaisedCode([&] { p.Open(number, 4800, parity, dataBits, StopBitsOne, FlowNone, 0); });
  }

  PtyPeer peer;
  CSerialPort port;
};

TEST_F(SerialPortTest, OpenClosesFirstKeepsThePortToItselfAndAHeldWriteEndsAtItsTimeout) {
  const auto descriptors = [] {
    return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {});
  };
  const auto before = descriptors();
  CSerialPort other;
  ASSERT_EQ(Open(port), 0u);
  EXPECT_NE(::fcntl(port.deviceHandle, F_GETFD) & FD_CLOEXEC, 0);
  port.SetTimeoutSettings({1, 2, 3, 4, 5});
  ASSERT_EQ(Open(port), 0u);  // reopened while open: time-outs start from zero again
  SerialTimeouts t{9, 9, 9, 9, 9};
  port.GetTimeoutSettings(t);
  EXPECT_EQ(t.ReadIntervalTimeout + t.ReadTotalTimeoutConstant + t.WriteTotalTimeoutConstant, 0u);
  EXPECT_EQ(Open(other), std::uint32_t{EBUSY});
  EXPECT_FALSE(other.IsOpen());
  for (const int missing : {PtyPeer::kPortNumber + 1, 0}) {  // no ttyV1 in the tree; 0: no name
    EXPECT_EQ(Open(port, missing), std::uint32_t{ENOENT});
    EXPECT_FALSE(port.IsOpen());
  }
  EXPECT_EQ(Open(other), 0u) << "the failed open released the old port";
  other.Close();
  // A pseudo-terminal keeps 8 data bits and no parity: the read-back refuses, the port stays open.
  EXPECT_EQ(Open(port, PtyPeer::kPortNumber, ParityOdd, 7), std::uint32_t{EINVAL});
  EXPECT_TRUE(port.IsOpen());
  EXPECT_EQ(RaisedCode([&] { port.PurgeQueues(0x10); }), std::uint32_t{EINVAL});
  peer.HoldLine();  // a write the line holds back ends short at 3 x 100 + 200 ms
  port.SetTimeoutSettings({0, 0, 0, 100, 200});
  const auto start = Clock::now();
  EXPECT_EQ(port.Write("abc", 3), 0u);
  EXPECT_GE(Clock::now() - start, 490ms);
  EXPECT_LT(Clock::now() - start, 2000ms);
  port.Close();
  EXPECT_NO_THROW(port.Close());
  char byte = 'x';
  for (const auto& call : std::initializer_list<std::function<void()>>{
           [&] { port.Read(&byte, 1); }, [&] { port.Write(&byte, 1); },
           [&] { port.SetQueueSizes(1, 1); }, [&] { port.GetTimeoutSettings(t); },
           [&] { port.SetTimeoutSettings({}); }}) {
    EXPECT_EQ(RaisedCode(call), std::uint32_t{EBADF});
  }
  EXPECT_EQ(descriptors(), before);
}

// Each read runs while the peer interrupts it with a signal every 50 ms (poll() then fails with
// EINTR) and, late, sends bytes or hangs up.
TEST_F(SerialPortTest, ReadEndsAtItsTimeoutsWithoutSpinning) {
  struct sigaction action {};
  action.sa_handler = [](int) {};
  action.sa_flags = SA_RESTART;  // which poll() ignores
  ::sigaction(SIGUSR1, &action, nullptr);
  ASSERT_EQ(Open(port), 0u);
  constexpr std::uint32_t kMax = kMaxTimeout;
  // clang-format off
  const struct {
    const char* what; SerialTimeouts timeouts; std::uint32_t count;
    std::string before; void (CSerialPort::*purge)();  // in the input queue before the read; then
    int lateMs; std::string late;  // after the read's start (-1: never) bytes, or "": hang up
    std::string got; std::uint32_t code; long long atLeast, below;  // milliseconds
  } cases[] = {
      {"silent line", {0, 0, 1000}, 256, "", nullptr, -1, "", "", 0, 990, 1700},
      {"multiplier", {0, 100, 0}, 5, "", nullptr, -1, "", "", 0, 490, 2000},
      {"partial data", {0, 0, 500}, 256, "0123", nullptr, -1, "", "0123", 0, 490, 2000},
      {"all zero", {}, 10, "12345", nullptr, 600, "67890", "1234567890", 0, 590, 5000},
      {"interval", {150, 0, 0}, 10, "", nullptr, 300, "abc", "abc", 0, 290, 700},
      {"buffered only", {kMax, 0, 0}, 10, "abc", nullptr, -1, "", "abc", 0, 0, 500},
      {"input discarded", {kMax, 0, 0}, 10, "abc", &CSerialPort::DiscardInput, -1, "", "", 0, 0, 500},
      {"output discarded", {kMax, 0, 0}, 10, "abc", &CSerialPort::DiscardOutput, -1, "", "abc", 0, 0, 500},
      {"first bytes", {kMax, kMax, 1000}, 10, "", nullptr, 300, "ab", "ab", 0, 290, 900},
      {"first bytes, silent", {kMax, kMax, 300}, 10, "", nullptr, -1, "", "", 0, 290, 1500},
      {"hang-up", {}, 10, "", nullptr, 400, "", "", EIO, 390, 3000},  // the last
  };
  // clang-format on
  char buffer[256];
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    port.SetTimeoutSettings(c.timeouts);
    peer.Send(c.before);
    pollfd ready{static_cast<int>(port.deviceHandle), POLLIN, 0};
    ASSERT_EQ(::poll(&ready, 1, c.before.empty() ? 0 : 2000), c.before.empty() ? 0 : 1);
    if (c.purge) (port.*c.purge)();
    std::uint32_t got = 0, code = 0;
    const std::clock_t cpu = std::clock();
    const auto start = Clock::now();
    {
      std::jthread peerSide([&, reader = ::pthread_self()](std::stop_token reading) {
        for (bool due = c.lateMs >= 0; !reading.stop_requested(); ::pthread_kill(reader, SIGUSR1)) {
          std::this_thread::sleep_for(50ms);
          if (due && Clock::now() - start >= std::chrono::milliseconds(c.lateMs)) {
            due = false;
            c.late.empty() ? peer.HangUp() : peer.Send(c.late);
          }
        }
      });
      code = RaisedCode([&] { got = port.Read(buffer, c.count); });
    }
    EXPECT_EQ(std::string(buffer, got), c.got);
    EXPECT_EQ(code, c.code);
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(c.atLeast));
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(c.below));
    EXPECT_LT((std::clock() - cpu) * 1000.0 / CLOCKS_PER_SEC, 150.0) << "CPU milliseconds";
    if (!c.code) port.DiscardInput();  // what the peer sent after the read ended
  }
  EXPECT_EQ(RaisedCode([&] { port.Read(buffer, 1); }), std::uint32_t{EIO}) << "and ever after";
}

}  // namespace
}  // namespace vindrel
