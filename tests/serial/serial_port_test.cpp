#include "serial/serial_port.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/time.h>
#include <termios.h>

#include <cerrno>
#include <chrono>
#include <ctime>
#include <functional>
#include <optional>
#include <thread>
#include <vector>

#include "pty_peer.h"

namespace vindrel {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using test::PtyPeer;

long long MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// The error code a call raises; 0 when it raises nothing.
std::uint32_t RaisedCode(const std::function<void()>& call) {
  try {
    call();
  } catch (const CSerialException& e) {
    return e.errorCode;
  }
  return 0;
}

class SerialPortTest : public ::testing::Test {
 protected:
  // Opens as the tracker link does: 4800 baud, 8N1, unless told otherwise.
  void Open(CSerialPort& p, int number = PtyPeer::kPortNumber, SerialFlowControl flow = FlowNone) {
    p.SetDeviceDirectory(peer.Devices());
    p.Open(number, 4800, ParityNone, 8, StopBitsOne, flow, false);
  }

  // What a read gives when it may take only what is already buffered.
  std::string Buffered() {
    port.SetTimeoutSettings({kMaxTimeout, 0, 0});
    char buffer[64];
    return std::string(buffer, port.Read(buffer, sizeof buffer));
  }

  PtyPeer peer;
  CSerialPort port;
};

TEST_F(SerialPortTest, OpensNonBlockingAtTheGivenSpeedWithZeroTimeoutsAndTransfers) {
  Open(port);
  termios t{};
  ASSERT_EQ(::tcgetattr(port.deviceHandle, &t), 0);
  EXPECT_EQ(cfgetospeed(&t), B4800);  // a pseudo-terminal starts at 38400
  EXPECT_NE(::fcntl(port.deviceHandle, F_GETFL) & O_NONBLOCK, 0);
  EXPECT_NE(::fcntl(port.deviceHandle, F_GETFD) & FD_CLOEXEC, 0);

  port.SetTimeoutSettings({1, 2, 3, 4, 5});  // a new open starts from zero time-outs
  Open(port);
  SerialTimeouts zero{9, 9, 9, 9, 9};
  port.GetTimeoutSettings(zero);
  EXPECT_EQ(zero.ReadIntervalTimeout + zero.ReadTotalTimeoutMultiplier +
                zero.ReadTotalTimeoutConstant + zero.WriteTotalTimeoutMultiplier +
                zero.WriteTotalTimeoutConstant,
            0u);

  EXPECT_EQ(port.Write("!U", 2), 2u);
  port.FlushOutput();  // a pseudo-terminal has no output queue: drain returns at once
  EXPECT_EQ(peer.Received(2), "!U");
}

TEST_F(SerialPortTest, OpenReleasesTheOldPortAlsoWhenTheNewOpenFailsAndLeaksNothing) {
  CSerialPort other;
  const long before = test::OpenDescriptorCount();
  for (int round = 0; round < 3; ++round) {
    Open(port);
    Open(port);  // reopen while open; another program then finds the port in use
    EXPECT_EQ(RaisedCode([&] { Open(other); }), std::uint32_t{EBUSY});
    EXPECT_FALSE(other.IsOpen());
    // 162 is ttyV1, which the tree does not hold; 0 is outside the table.
    for (const int missing : {PtyPeer::kPortNumber + 1, 0}) {
      EXPECT_EQ(RaisedCode([&] { Open(port, missing); }), std::uint32_t{ENOENT});
      EXPECT_FALSE(port.IsOpen());
    }
    Open(other);  // the old port was released
    other.Close();
    EXPECT_EQ(RaisedCode([&] { Open(port, PtyPeer::kPortNumber, FlowDsrRts); }),
              std::uint32_t{EINVAL});
    EXPECT_TRUE(port.IsOpen()) << "a refused setting leaves the port open";
    port.Close();
  }
  EXPECT_EQ(test::OpenDescriptorCount(), before);
}

TEST_F(SerialPortTest, EveryOperationOnAClosedPortRaisesEbadfAndCloseNeverRaises) {
  Open(port);
  port.Close();
  EXPECT_NO_THROW(port.Close());
  char byte = 'x';
  LineSettings line;
  SerialTimeouts timeouts;
  const std::function<void()> calls[] = {
      [&] { port.Read(&byte, 1); },         [&] { port.Write(&byte, 1); },
      [&] { port.GetLineSettings(line); },  [&] { port.SetLineSettings(line); },
      [&] { port.FlushOutput(); },          [&] { port.DiscardInput(); },
      [&] { port.SetQueueSizes(1, 1); },    [&] { port.GetTimeoutSettings(timeouts); },
      [&] { port.SetTimeoutSettings({}); },
  };
  for (std::size_t i = 0; i < std::size(calls); ++i) {
    EXPECT_EQ(RaisedCode(calls[i]), std::uint32_t{EBADF}) << "call " << i;
  }
}

TEST_F(SerialPortTest, PurgeDropsExactlyTheQueuesItIsAskedFor) {
  Open(port);
  // A pseudo-terminal passes written bytes on at once, so only the input queue can be seen to
  // empty; purging the output must leave the input alone.
  const std::pair<std::function<void()>, bool> cases[] = {
      {[&] { port.DiscardInput(); }, true},
      {[&] { port.DiscardOutput(); }, false},
      {[&] { port.PurgeQueues(kPurgeTxClear | kPurgeRxClear); }, true},
      {[&] { port.PurgeQueues(kPurgeTxAbort | kPurgeRxAbort); }, false},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    peer.Send("in");
    pollfd p{static_cast<int>(port.deviceHandle), POLLIN, 0};
    ASSERT_EQ(::poll(&p, 1, 2000), 1);
    cases[i].first();
    EXPECT_EQ(Buffered(), cases[i].second ? "" : "in") << "case " << i;
  }
  EXPECT_EQ(RaisedCode([&] { port.PurgeQueues(0x10); }), std::uint32_t{EINVAL});
}

// SIGALRM every 300 ms while it lives, without SA_RESTART, so that poll() returns EINTR. The
// handler and the timer are restored however the test leaves.
class AlarmEvery300ms {
 public:
  AlarmEvery300ms() {
    struct sigaction action {};
    action.sa_handler = [](int) { count = count + 1; };
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGALRM, &action, &previous_);
    const itimerval every{{0, 300'000}, {0, 300'000}};
    ::setitimer(ITIMER_REAL, &every, nullptr);
  }
  ~AlarmEvery300ms() {
    const itimerval off{};
    ::setitimer(ITIMER_REAL, &off, nullptr);
    ::sigaction(SIGALRM, &previous_, nullptr);
  }
  AlarmEvery300ms(const AlarmEvery300ms&) = delete;
  AlarmEvery300ms& operator=(const AlarmEvery300ms&) = delete;

  static inline volatile sig_atomic_t count = 0;

 private:
  struct sigaction previous_ {};
};

TEST_F(SerialPortTest, ReadEndsAtItsTimeouts) {
  constexpr std::uint32_t kMax = kMaxTimeout;
  const struct {
    const char* what;
    SerialTimeouts timeouts;
    std::uint32_t count;
    std::vector<std::pair<std::chrono::milliseconds, std::string>> peer;  // when, what
    std::string got;
    long long atLeast, below;  // milliseconds
    bool signals;
  } cases[] = {
      {"silent line", {0, 0, 300}, 256, {}, "", 290, 1500, false},
      {"signals every 300 ms", {0, 0, 1000}, 256, {}, "", 990, 1700, true},  // keeps its deadline
      {"multiplier", {0, 100, 0}, 5, {}, "", 490, 2000, false},
      {"partial data", {0, 0, 500}, 256, {{0ms, "0123456789"}}, "0123456789", 490, 2000, false},
      {"all zero", {}, 10, {{0ms, "12345"}, {600ms, "67890"}}, "1234567890", 550, 5000, false},
      {"interval", {150, 0, 0}, 10, {{300ms, "abc"}, {800ms, "def"}}, "abc", 290, 700, false},
      {"buffered only", {kMax, 0, 0}, 10, {{0ms, "abc"}}, "abc", 0, 500, false},
      {"buffered only, none there", {kMax, 0, 0}, 10, {}, "", 0, 500, false},
      {"first bytes", {kMax, kMax, 1000}, 10, {{300ms, "ab"}}, "ab", 290, 900, false},
      {"first bytes, silent", {kMax, kMax, 300}, 10, {}, "", 290, 1500, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Open(port);
    port.SetTimeoutSettings(c.timeouts);
    std::vector<char> buffer(c.count);
    std::uint32_t got = 0;
    long long elapsed = 0;
    AlarmEvery300ms::count = 0;
    std::optional<AlarmEvery300ms> alarms;
    if (c.signals) alarms.emplace();
    {
      std::vector<std::jthread> later;  // a peer answering late
      for (const auto& [when, bytes] : c.peer) {
        if (when == 0ms) {
          peer.Send(bytes);
          pollfd p{static_cast<int>(port.deviceHandle), POLLIN, 0};
          ASSERT_EQ(::poll(&p, 1, 2000), 1);
        } else {
          later.emplace_back([&, when, bytes] {
            std::this_thread::sleep_for(when);
            peer.Send(bytes);
          });
        }
      }
      const auto start = Clock::now();
      got = port.Read(buffer.data(), c.count);
      elapsed = MillisecondsSince(start);
    }
    alarms.reset();
    port.DiscardInput();  // what the late peer sent after the read ended
    EXPECT_EQ(std::string(buffer.data(), got), c.got);
    if (c.atLeast > 0) {
      EXPECT_GE(elapsed, c.atLeast);
    }
    EXPECT_LT(elapsed, c.below);
    if (c.signals) {
      EXPECT_GE(AlarmEvery300ms::count, 2) << "no signal interrupted the wait";
    }
  }
}

TEST_F(SerialPortTest, AWriteTheLineHoldsBackEndsShortAtItsTimeout) {
  Open(port);
  peer.HoldLine();
  const struct {
    SerialTimeouts timeouts;
    long long atLeast;
  } cases[] = {{{0, 0, 0, 100, 200}, 490}, {{0, 0, 0, 0, 300}, 290}};  // 3 x 100 + 200; 300
  for (const auto& c : cases) {
    port.SetTimeoutSettings(c.timeouts);
    const auto start = Clock::now();
    EXPECT_EQ(port.Write("abc", 3), 0u);
    const long long elapsed = MillisecondsSince(start);
    EXPECT_GE(elapsed, c.atLeast);
    EXPECT_LT(elapsed, c.atLeast + 1500);
  }
  peer.ReleaseLine();
  EXPECT_EQ(port.Write("abc", 3), 3u);
  EXPECT_EQ(peer.Received(3), "abc");
}

TEST_F(SerialPortTest, HangUpDuringAReadRaisesEioPromptlyWithoutBurningCpu) {
  Open(port);
  port.SetTimeoutSettings({});  // nothing but the hang-up can end this read
  char buffer[16];
  const std::clock_t cpu = std::clock();
  const auto start = Clock::now();
  std::uint32_t code = 0;
  {
    std::jthread unplug([this] {
      std::this_thread::sleep_for(400ms);
      peer.HangUp();
    });
    code = RaisedCode([&] { port.Read(buffer, sizeof buffer); });
  }
  EXPECT_EQ(code, std::uint32_t{EIO});
  EXPECT_LT(MillisecondsSince(start), 3000);
  EXPECT_LT((std::clock() - cpu) * 1000.0 / CLOCKS_PER_SEC, 150.0);

  // Every later transfer fails the same way instead of returning 0 for ever.
  port.SetTimeoutSettings({0, 0, 200});
  EXPECT_EQ(RaisedCode([&] { port.Read(buffer, 1); }), std::uint32_t{EIO});
  EXPECT_EQ(RaisedCode([&] { port.Write("x", 1); }), std::uint32_t{EIO});
}

}  // namespace
}  // namespace vindrel
