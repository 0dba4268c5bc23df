#include "serial/serial_port.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/time.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <functional>
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

// SIGALRM every 300 ms while it lives, without SA_RESTART, so that poll() returns EINTR. The
// handler and the timer are restored however the test leaves.
struct AlarmEvery300ms {
  AlarmEvery300ms() {
    struct sigaction action {};
    action.sa_handler = [](int) { count = count + 1; };
    ::sigaction(SIGALRM, &action, &previous);
    const itimerval every{{0, 300'000}, {0, 300'000}};
    ::setitimer(ITIMER_REAL, &every, nullptr);
  }
  ~AlarmEvery300ms() {
    const itimerval off{};
    ::setitimer(ITIMER_REAL, &off, nullptr);
    ::sigaction(SIGALRM, &previous, nullptr);
  }
  static inline volatile sig_atomic_t count = 0;
  struct sigaction previous {};
};

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

TEST_F(SerialPortTest, OpenClosesFirstTakesThePortForItselfAndLeaksNothing) {
  const long descriptors = test::OpenDescriptorCount();
  CSerialPort other;
  ASSERT_EQ(Open(port), 0u);
  EXPECT_NE(::fcntl(port.deviceHandle, F_GETFD) & FD_CLOEXEC, 0);
  port.SetTimeoutSettings({1, 2, 3, 4, 5});
  ASSERT_EQ(Open(port), 0u);  // reopened while open
  SerialTimeouts t{9, 9, 9, 9, 9};
  port.GetTimeoutSettings(t);
  EXPECT_EQ(t.ReadIntervalTimeout + t.ReadTotalTimeoutMultiplier + t.ReadTotalTimeoutConstant +
                t.WriteTotalTimeoutMultiplier + t.WriteTotalTimeoutConstant,
            0u);
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

  port.Close();
  EXPECT_NO_THROW(port.Close());
  char byte = 'x';
  LineSettings line;
  const std::function<void()> onClosed[] = {
      [&] { port.Read(&byte, 1); },         [&] { port.Write(&byte, 1); },
      [&] { port.GetLineSettings(line); },  [&] { port.FlushOutput(); },
      [&] { port.SetQueueSizes(1, 1); },    [&] { port.GetTimeoutSettings(t); },
      [&] { port.SetTimeoutSettings({}); },
  };
  for (std::size_t i = 0; i < std::size(onClosed); ++i) {
    EXPECT_EQ(RaisedCode(onClosed[i]), std::uint32_t{EBADF}) << "call " << i;
  }
  EXPECT_EQ(test::OpenDescriptorCount(), descriptors);
}

TEST_F(SerialPortTest, ReadEndsAtItsTimeoutsAlsoWhenSignalsInterruptIt) {
  ASSERT_EQ(Open(port), 0u);
  constexpr std::uint32_t kMax = kMaxTimeout;
  const struct {
    const char* what;
    SerialTimeouts timeouts;
    std::uint32_t count;
    std::string before;  // in the input queue before the read
    std::vector<std::pair<std::chrono::milliseconds, std::string>> during;  // from the read's start
    void (CSerialPort::*purge)();                                           // before the read
    std::string got;
    long long atLeast, below;  // milliseconds
  } cases[] = {
      {"silent line", {0, 0, 1000}, 256, "", {}, nullptr, "", 990, 1700},
      {"multiplier", {0, 100, 0}, 5, "", {}, nullptr, "", 490, 2000},
      {"partial data", {0, 0, 500}, 256, "0123", {}, nullptr, "0123", 490, 2000},
      {"all zero", {}, 10, "12345", {{600ms, "67890"}}, nullptr, "1234567890", 590, 5000},
      {"interval", {150, 0, 0}, 10, "", {{300ms, "abc"}, {800ms, "def"}}, nullptr, "abc", 290, 700},
      {"buffered only", {kMax, 0, 0}, 10, "abc", {}, nullptr, "abc", 0, 500},
      {"input discarded", {kMax, 0, 0}, 10, "abc", {}, &CSerialPort::DiscardInput, "", 0, 500},
      {"output discarded", {kMax, 0, 0}, 10, "abc", {}, &CSerialPort::DiscardOutput, "abc", 0, 500},
      {"first bytes", {kMax, kMax, 1000}, 10, "", {{300ms, "ab"}}, nullptr, "ab", 290, 900},
      {"first bytes, silent", {kMax, kMax, 300}, 10, "", {}, nullptr, "", 290, 1500},
  };
  AlarmEvery300ms::count = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    port.SetTimeoutSettings(c.timeouts);
    if (!c.before.empty()) {
      peer.Send(c.before);
      pollfd p{static_cast<int>(port.deviceHandle), POLLIN, 0};
      ASSERT_EQ(::poll(&p, 1, 2000), 1);
    }
    if (c.purge) (port.*c.purge)();
    std::vector<char> buffer(c.count);
    std::uint32_t got = 0;
    long long elapsed = 0;
    {
      AlarmEvery300ms alarms;
      const auto start = Clock::now();
      std::jthread peerDuring([&] {
        for (const auto& [when, bytes] : c.during) {
          std::this_thread::sleep_until(start + when);
          peer.Send(bytes);
        }
      });
      got = port.Read(buffer.data(), c.count);
      elapsed = MillisecondsSince(start);
    }
    port.DiscardInput();  // what the peer sent after the read ended
    EXPECT_EQ(std::string(buffer.data(), got), c.got);
    EXPECT_GE(elapsed, c.atLeast);
    EXPECT_LT(elapsed, c.below);
  }
  EXPECT_GE(AlarmEvery300ms::count, 10) << "signals did not interrupt the reads";
}

TEST_F(SerialPortTest, AWriteTheLineHoldsBackEndsShortAtItsTimeout) {
  ASSERT_EQ(Open(port), 0u);
  peer.HoldLine();
  port.SetTimeoutSettings({0, 0, 0, 100, 200});  // 3 x 100 + 200 ms
  const auto start = Clock::now();
  EXPECT_EQ(port.Write("abc", 3), 0u);
  EXPECT_GE(MillisecondsSince(start), 490);
  EXPECT_LT(MillisecondsSince(start), 2000);
  peer.ReleaseLine();
  EXPECT_EQ(port.Write("abc", 3), 3u);
  EXPECT_EQ(peer.Received(3), "abc");
}

TEST_F(SerialPortTest, HangUpDuringAReadRaisesEioPromptlyWithoutBurningCpu) {
  ASSERT_EQ(Open(port), 0u);
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
  EXPECT_EQ(RaisedCode([&] { port.Read(buffer, 1); }), std::uint32_t{EIO}) << "and every later";
}

TEST(SerialException, GetErrorTextGivesTheCLibrarysMessageWithinTheCapacity) {
  const std::string io = std::strerror(EIO);  // tests run in the "C" locale
  const struct {
    std::uint32_t code;
    unsigned capacity;
    bool known;
    std::string text;
  } cases[] = {{EIO, 64, true, io},
               {EIO, 10, true, io.substr(0, 9)},  // 9 characters and the terminator
               {EBUSY, 1, true, ""},
               {100000, 32, false, ""}};
  for (const auto& c : cases) {
    char text[72];
    std::memset(text, 'x', sizeof text);
    unsigned help = 7;
    EXPECT_EQ(CSerialException(c.code).GetErrorText(text, c.capacity, &help), c.known) << c.code;
    EXPECT_EQ(text, c.text) << c.code;
    EXPECT_EQ(text[c.capacity], 'x') << "written beyond the capacity";
    EXPECT_EQ(help, 0u);
  }
}

}  // namespace
}  // namespace vindrel
