#include "serial/serial_port.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <termios.h>

#include <cerrno>
#include <chrono>
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

class SerialPortTest : public ::testing::Test {
 protected:
  // Opens as the tracker link does: 4800 baud, 8N1, unless told otherwise.
  void Open(CSerialPort& p, int number = PtyPeer::kPortNumber, SerialFlowControl flow = FlowNone) {
    p.SetDeviceDirectory(peer.Devices());
    p.Open(number, 4800, ParityNone, 8, StopBitsOne, flow, false);
  }

  PtyPeer peer;
  CSerialPort port;
};

TEST_F(SerialPortTest, OpensRawAndNonBlockingAtTheTrackersSettingsAndTransfers) {
  Open(port);
  termios t{};
  ASSERT_EQ(::tcgetattr(port.deviceHandle, &t), 0);
  EXPECT_EQ(cfgetospeed(&t), B4800);
  EXPECT_EQ(t.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS | CLOCAL | CREAD),
            tcflag_t{CS8 | CLOCAL | CREAD});
  EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), tcflag_t{0});
  EXPECT_EQ(t.c_iflag & (ICRNL | IXON | IXOFF | IXANY | PARMRK | ISTRIP), tcflag_t{0});
  EXPECT_EQ(t.c_oflag & OPOST, tcflag_t{0});
  EXPECT_EQ(t.c_cc[VMIN] + t.c_cc[VTIME], 0);
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
  port.FlushOutput();
  EXPECT_EQ(peer.Received(), "!U");
}

TEST_F(SerialPortTest, PortHeldByAnotherProcessFailsWithEbusyAndStaysClosed) {
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {  // another program holding the port the way cooperating programs do
    const int fd = ::open(peer.SlavePath().c_str(), O_RDWR | O_NOCTTY);
    const char ok = fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0 ? '1' : '0';
    (void)!::write(ready[1], &ok, 1);
    ::pause();
    ::_exit(0);
  }
  char ok = 0;
  EXPECT_TRUE(::read(ready[0], &ok, 1) == 1 && ok == '1') << "the other program holds no lock";
  EXPECT_EQ(RaisedCode([&] { Open(port); }), std::uint32_t{EBUSY});
  EXPECT_FALSE(port.IsOpen());
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  for (const int fd : ready) ::close(fd);
  Open(port);  // free again once the other program has gone
  EXPECT_TRUE(port.IsOpen());
}

TEST_F(SerialPortTest, OpenReleasesTheOldPortAlsoWhenTheNewOpenFailsAndLeaksNothing) {
  CSerialPort other;
  const long before = test::OpenDescriptorCount();
  for (int round = 0; round < 3; ++round) {
    Open(port);
    Open(port);  // reopen while open
    EXPECT_EQ(RaisedCode([&] { Open(other); }), std::uint32_t{EBUSY});
    // 162 is ttyV1, which the tree does not hold; 0 is outside the table.
    for (const int missing : {PtyPeer::kPortNumber + 1, 0}) {
      EXPECT_EQ(RaisedCode([&] { Open(port, missing); }), std::uint32_t{ENOENT});
      EXPECT_FALSE(port.IsOpen());
    }
    Open(other);  // the old port was released
    other.Close();
    EXPECT_EQ(RaisedCode([&] { Open(port, PtyPeer::kPortNumber, FlowDsrRts); }),
              std::uint32_t{EINVAL});
    port.Close();
  }
  EXPECT_EQ(test::OpenDescriptorCount(), before);
}

TEST_F(SerialPortTest, ReadAndWriteOnAClosedPortRaiseAndCloseNeverDoes) {
  CSerialPort fresh;
  EXPECT_NO_THROW(fresh.Close());
  char byte = 'x';
  for (int round = 0; round < 2; ++round) {  // new, then opened and closed twice
    EXPECT_EQ(RaisedCode([&] { fresh.Read(&byte, 1); }), std::uint32_t{EBADF});
    EXPECT_EQ(RaisedCode([&] { fresh.Write(&byte, 1); }), std::uint32_t{EBADF});
    Open(fresh);
    fresh.Close();
    EXPECT_NO_THROW(fresh.Close());
  }
}

volatile sig_atomic_t alarms = 0;

TEST_F(SerialPortTest, ReadEndsAtItsTimeouts) {
  const struct {
    const char* what;
    SerialTimeouts timeouts;
    std::uint32_t count;
    std::vector<std::pair<std::chrono::milliseconds, std::string>> peer;  // when, what
    std::string got;
    long long atLeast, below;  // milliseconds
    bool signals;
  } cases[] = {
      {"silent line", {0, 0, 1000}, 256, {}, "", 990, 2500, false},
      {"signals every 300 ms", {0, 0, 1000}, 256, {}, "", 990, 1700, true},  // a restart: 1.9 s
      {"partial data", {0, 0, 500}, 256, {{0ms, "0123456789"}}, "0123456789", 490, 2000, false},
      {"all zero", {}, 10, {{0ms, "12345"}, {600ms, "67890"}}, "1234567890", 550, 5000, false},
      {"interval", {150, 0, 0}, 10, {{400ms, "abc"}, {1500ms, "def"}}, "abc", 390, 1400, false},
  };
  struct sigaction action {};
  struct sigaction previous {};
  action.sa_handler = [](int) { alarms = alarms + 1; };
  sigemptyset(&action.sa_mask);  // no SA_RESTART: poll returns EINTR
  ASSERT_EQ(::sigaction(SIGALRM, &action, &previous), 0);
  const itimerval every300ms{{0, 300'000}, {0, 300'000}}, off{};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Open(port);
    port.SetTimeoutSettings(c.timeouts);
    std::vector<char> buffer(c.count);
    std::uint32_t got = 0;
    long long elapsed = 0;
    alarms = 0;
    ASSERT_EQ(::setitimer(ITIMER_REAL, c.signals ? &every300ms : &off, nullptr), 0);
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
    ::setitimer(ITIMER_REAL, &off, nullptr);
    EXPECT_EQ(std::string(buffer.data(), got), c.got);
    EXPECT_GE(elapsed, c.atLeast);
    EXPECT_LT(elapsed, c.below);
    EXPECT_GE(alarms, c.signals ? 2 : 0);
    port.DiscardInput();
  }
  ::sigaction(SIGALRM, &previous, nullptr);
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
