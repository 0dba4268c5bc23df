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
using test::Fd;
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

// Runs a step on another thread after a pause, as a peer that answers late.
class Later {
 public:
  Later(std::chrono::milliseconds pause, std::function<void()> step)
      : thread_([pause, step = std::move(step)] {
          std::this_thread::sleep_for(pause);
          step();
        }) {}
  ~Later() { thread_.join(); }

 private:
  std::thread thread_;
};

class SerialPortTest : public ::testing::Test {
 protected:
  // Opens as the tracker link does: 4800 baud, 8N1, no flow control, unless told otherwise.
  void OpenTracker(CSerialPort& p, int number = PtyPeer::kPortNumber,
                   SerialStopBits stopBits = StopBitsOne, SerialFlowControl flow = FlowNone) {
    p.SetDeviceDirectory(peer.Devices());
    p.Open(number, 4800, ParityNone, 8, stopBits, flow, false);
  }

  void SetTimeouts(std::uint32_t interval, std::uint32_t multiplier, std::uint32_t constant) {
    port.SetTimeoutSettings({interval, multiplier, constant, 0, 0});
  }

  // Waits until bytes the peer sent have reached the port's input queue.
  void AwaitInput() {
    pollfd p{port.deviceHandle, POLLIN, 0};
    ASSERT_EQ(::poll(&p, 1, 2000), 1);
  }

  PtyPeer peer;
  CSerialPort port;
};

// --- Opening and exclusive use ---

TEST_F(SerialPortTest, OpensWithTheTrackersLineSettingsRawAndNonBlocking) {
  OpenTracker(port);
  ASSERT_TRUE(port.IsOpen());

  termios t{};
  ASSERT_EQ(::tcgetattr(port.deviceHandle, &t), 0);
  EXPECT_EQ(cfgetospeed(&t), B4800);
  EXPECT_EQ(t.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS), tcflag_t{CS8});
  EXPECT_EQ(t.c_cflag & (CLOCAL | CREAD), tcflag_t{CLOCAL | CREAD});
  EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), tcflag_t{0});
  EXPECT_EQ(t.c_iflag & (ICRNL | IXON | IXOFF | IXANY | PARMRK | ISTRIP), tcflag_t{0});
  EXPECT_EQ(t.c_oflag & OPOST, tcflag_t{0});
  EXPECT_EQ(t.c_cc[VMIN], 0);
  EXPECT_EQ(t.c_cc[VTIME], 0);
  EXPECT_NE(::fcntl(port.deviceHandle, F_GETFL) & O_NONBLOCK, 0);
  EXPECT_NE(::fcntl(port.deviceHandle, F_GETFD) & FD_CLOEXEC, 0);
}

TEST_F(SerialPortTest, FreshlyOpenedPortReportsZeroTimeoutsWhateverWasSetBefore) {
  OpenTracker(port);
  port.SetTimeoutSettings({1, 2, 3, 4, 5});
  OpenTracker(port);
  SerialTimeouts t{9, 9, 9, 9, 9};
  port.GetTimeoutSettings(t);
  EXPECT_EQ(t.ReadIntervalTimeout + t.ReadTotalTimeoutMultiplier + t.ReadTotalTimeoutConstant +
                t.WriteTotalTimeoutMultiplier + t.WriteTotalTimeoutConstant,
            0u);
}

TEST_F(SerialPortTest, PortHeldByAnotherProcessFailsWithEbusyAndStaysClosed) {
  int ready[2];
  int release[2];
  ASSERT_EQ(::pipe(ready), 0);
  ASSERT_EQ(::pipe(release), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // Another program holding the port the way cooperating serial programs do.
    ::close(release[1]);
    const int fd = ::open(peer.SlavePath().c_str(), O_RDWR | O_NOCTTY);
    const char ok = fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0 ? '1' : '0';
    (void)!::write(ready[1], &ok, 1);
    char done;
    (void)!::read(release[0], &done, 1);
    ::_exit(0);
  }
  Fd readyIn(ready[0]), readyOut(ready[1]), releaseIn(release[0]), releaseOut(release[1]);
  char ok = 0;
  ASSERT_EQ(::read(readyIn.Get(), &ok, 1), 1);
  ASSERT_EQ(ok, '1');

  EXPECT_EQ(RaisedCode([&] { OpenTracker(port); }), std::uint32_t{EBUSY});
  EXPECT_FALSE(port.IsOpen());

  releaseOut.Reset();
  int status = 0;
  ::waitpid(child, &status, 0);
  OpenTracker(port);  // free again once the other program has gone
  EXPECT_TRUE(port.IsOpen());
}

TEST_F(SerialPortTest, OpenOnAnOpenPortReleasesTheOldOneAlsoWhenTheNewOpenFails) {
  OpenTracker(port);
  // 162 is ttyV1, which the tree does not hold.
  EXPECT_EQ(RaisedCode([&] { OpenTracker(port, PtyPeer::kPortNumber + 1); }),
            std::uint32_t{ENOENT});
  EXPECT_FALSE(port.IsOpen());

  Fd other(::open(peer.SlavePath().c_str(), O_RDWR | O_NOCTTY));
  ASSERT_GE(other.Get(), 0);
  EXPECT_EQ(::flock(other.Get(), LOCK_EX | LOCK_NB), 0) << "the old port is still held";
}

TEST_F(SerialPortTest, SettingsLinuxCannotDoAreRefusedWithEinvalAndLeaveThePortOpen) {
  const auto number = PtyPeer::kPortNumber;
  EXPECT_EQ(RaisedCode([&] { OpenTracker(port, number, StopBitsOneAndHalf); }),
            std::uint32_t{EINVAL});
  EXPECT_TRUE(port.IsOpen());
  EXPECT_EQ(RaisedCode([&] { OpenTracker(port, number, StopBitsOne, FlowDsrDtr); }),
            std::uint32_t{EINVAL});
  EXPECT_TRUE(port.IsOpen());
}

TEST_F(SerialPortTest, NoDescriptorLeaksOnAnyOpenOrClosePath) {
  CSerialPort holder;
  const int before = test::OpenDescriptorCount();
  for (int round = 0; round < 3; ++round) {
    OpenTracker(port);
    OpenTracker(port);                                        // reopen while open
    EXPECT_NE(RaisedCode([&] { OpenTracker(holder); }), 0u);  // busy
    port.Close();
    EXPECT_NE(RaisedCode([&] { OpenTracker(port, PtyPeer::kPortNumber + 1); }), 0u);  // missing
    EXPECT_NE(RaisedCode([&] { OpenTracker(port, 0); }), 0u);  // outside the table
    EXPECT_NE(RaisedCode([&] { OpenTracker(port, 161, StopBitsTwo, FlowDsrRts); }), 0u);  // refused
    port.Close();
    port.Close();
  }
  EXPECT_EQ(test::OpenDescriptorCount(), before);
}

// --- A closed port ---

TEST_F(SerialPortTest, OperationsOnAClosedPortRaiseAndCloseNeverDoes) {
  CSerialPort fresh;
  EXPECT_NO_THROW(fresh.Close());
  EXPECT_NO_THROW(fresh.Close());

  char byte = 'x';
  LineSettings line;
  SerialTimeouts timeouts;
  const std::function<void()> calls[] = {[&] { fresh.Read(&byte, 1); },
                                         [&] { fresh.Write(&byte, 1); },
                                         [&] { fresh.Read(&byte, 0); },
                                         [&] { fresh.GetLineSettings(line); },
                                         [&] { fresh.SetLineSettings(line); },
                                         [&] { fresh.FlushOutput(); },
                                         [&] { fresh.DiscardInput(); },
                                         [&] { fresh.SetQueueSizes(1024, 1024); },
                                         [&] { fresh.SetTimeoutSettings(timeouts); }};
  for (const auto& call : calls) {
    EXPECT_EQ(RaisedCode(call), std::uint32_t{EBADF}) << "call " << (&call - calls);
  }
  OpenTracker(fresh);
  fresh.Close();
  EXPECT_EQ(RaisedCode([&] { fresh.Read(&byte, 1); }), std::uint32_t{EBADF});
}

// --- Transfers and queues ---

TEST_F(SerialPortTest, BytesTravelBothWaysAndQueuesCanBeDiscarded) {
  OpenTracker(port);
  SetTimeouts(0, 0, 1000);
  EXPECT_EQ(port.Write("!U", 2), 2u);
  port.FlushOutput();
  EXPECT_EQ(peer.Received(), "!U");

  peer.Send(">");
  char answer = 0;
  EXPECT_EQ(port.Read(&answer, 1), 1u);
  EXPECT_EQ(answer, '>');

  peer.Send("stale");
  AwaitInput();
  port.DiscardInput();
  SetTimeouts(kMaxTimeout, 0, 0);
  EXPECT_EQ(port.Read(&answer, 1), 0u);

  EXPECT_EQ(RaisedCode([&] { port.PurgeQueues(0x10); }), std::uint32_t{EINVAL});
  EXPECT_EQ(RaisedCode([&] { port.PurgeQueues(kPurgeTxAbort | kPurgeRxAbort); }), 0u);
}

TEST_F(SerialPortTest, WriteToAPeerThatReadsNothingReturnsShortCountAtTheWriteTimeout) {
  OpenTracker(port);
  port.SetTimeoutSettings({0, 0, 0, 0, 300});
  std::vector<char> block(1 << 20, 'x');
  const auto start = Clock::now();
  const std::uint32_t written = port.Write(block.data(), static_cast<std::uint32_t>(block.size()));
  EXPECT_LT(written, block.size());
  EXPECT_GE(MillisecondsSince(start), 280);
  EXPECT_LT(MillisecondsSince(start), 3000);
}

// --- Read time-outs ---

TEST_F(SerialPortTest, SilentLineReadReturnsZeroWhenTheTotalTimeoutHasPassed) {
  OpenTracker(port);
  SetTimeouts(0, 0, 1000);
  char buffer[256];
  const auto start = Clock::now();
  EXPECT_EQ(port.Read(buffer, sizeof buffer), 0u);
  EXPECT_GE(MillisecondsSince(start), 990);
  EXPECT_LT(MillisecondsSince(start), 2500);

  SetTimeouts(0, 2, 100);  // 2 ms a byte: 100 + 2 * 100
  const auto again = Clock::now();
  EXPECT_EQ(port.Read(buffer, 100), 0u);
  EXPECT_GE(MillisecondsSince(again), 295);
  EXPECT_LT(MillisecondsSince(again), 1800);
}

TEST_F(SerialPortTest, PartialDataReturnsTheShortCountAtTheDeadline) {
  OpenTracker(port);
  SetTimeouts(0, 0, 500);
  peer.Send("0123456789");
  char buffer[256] = {};
  const auto start = Clock::now();
  EXPECT_EQ(port.Read(buffer, sizeof buffer), 10u);
  EXPECT_EQ(std::string(buffer, 10), "0123456789");
  EXPECT_GE(MillisecondsSince(start), 490);
  EXPECT_LT(MillisecondsSince(start), 2000);
}

TEST_F(SerialPortTest, AllZeroTimeoutsWaitForTheFullCount) {
  OpenTracker(port);
  SetTimeouts(0, 0, 0);
  peer.Send("12345");
  char buffer[10] = {};
  const auto start = Clock::now();
  {
    Later rest(600ms, [this] { peer.Send("67890"); });
    EXPECT_EQ(port.Read(buffer, sizeof buffer), 10u);
  }
  EXPECT_EQ(std::string(buffer, 10), "1234567890");
  EXPECT_GE(MillisecondsSince(start), 550);
}

TEST_F(SerialPortTest, IntervalTimeoutEndsAReadBetweenBytesButNotBeforeTheFirst) {
  OpenTracker(port);
  SetTimeouts(150, 0, 0);
  char buffer[10] = {};
  const auto start = Clock::now();
  std::uint32_t got = 0;
  long long ended = 0;
  {
    Later first(400ms, [this] { peer.Send("abc"); });
    Later second(1500ms, [this] { peer.Send("def"); });
    got = port.Read(buffer, sizeof buffer);
    ended = MillisecondsSince(start);
  }
  EXPECT_EQ(got, 3u);
  EXPECT_GE(ended, 390);   // waited for the first byte
  EXPECT_LT(ended, 1400);  // did not wait for the second group
}

TEST_F(SerialPortTest, InfiniteIntervalReturnsWhatIsBufferedOrWaitsOnlyForTheFirstBytes) {
  OpenTracker(port);
  char buffer[100];
  SetTimeouts(kMaxTimeout, 0, 0);  // what is buffered, at once
  const auto start = Clock::now();
  EXPECT_EQ(port.Read(buffer, sizeof buffer), 0u);
  peer.Send("wxyz");
  AwaitInput();
  EXPECT_EQ(port.Read(buffer, sizeof buffer), 4u);
  EXPECT_LT(MillisecondsSince(start), 500);

  SetTimeouts(kMaxTimeout, kMaxTimeout, 1500);  // up to 1.5 s for the first bytes, then return
  const auto waiting = Clock::now();
  {
    Later answer(300ms, [this] { peer.Send("hi"); });
    EXPECT_EQ(port.Read(buffer, sizeof buffer), 2u);
  }
  EXPECT_LT(MillisecondsSince(waiting), 1200);
  SetTimeouts(kMaxTimeout, kMaxTimeout, 300);
  const auto silent = Clock::now();
  EXPECT_EQ(port.Read(buffer, sizeof buffer), 0u);
  EXPECT_GE(MillisecondsSince(silent), 290);
}

volatile sig_atomic_t alarms = 0;

TEST_F(SerialPortTest, SignalsDuringAReadDoNotMoveItsDeadline) {
  OpenTracker(port);
  SetTimeouts(0, 0, 1000);

  struct sigaction action {};
  struct sigaction previous {};
  action.sa_handler = [](int) { alarms = alarms + 1; };
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no SA_RESTART: poll returns EINTR
  ASSERT_EQ(::sigaction(SIGALRM, &action, &previous), 0);
  alarms = 0;
  const itimerval every300ms{{0, 300'000}, {0, 300'000}};
  ASSERT_EQ(::setitimer(ITIMER_REAL, &every300ms, nullptr), 0);

  char buffer[256];
  const auto start = Clock::now();
  const std::uint32_t got = port.Read(buffer, sizeof buffer);
  const long long elapsed = MillisecondsSince(start);

  const itimerval off{};
  ::setitimer(ITIMER_REAL, &off, nullptr);
  ::sigaction(SIGALRM, &previous, nullptr);

  EXPECT_EQ(got, 0u);
  EXPECT_GE(alarms, 2);
  EXPECT_GE(elapsed, 990);
  // Restarting the time-out after each signal would end no earlier than 1.9 s.
  EXPECT_LT(elapsed, 1700);
}

// --- The other end going away ---

TEST_F(SerialPortTest, HangUpDuringAReadRaisesEioPromptlyWithoutBurningCpu) {
  OpenTracker(port);
  SetTimeouts(0, 0, 0);  // nothing but the hang-up can end this read
  char buffer[16];
  timespec cpuBefore{};
  ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpuBefore);
  const auto start = Clock::now();
  std::uint32_t code = 0;
  {
    Later unplug(400ms, [this] { peer.HangUp(); });
    code = RaisedCode([&] { port.Read(buffer, sizeof buffer); });
  }
  timespec cpuAfter{};
  ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpuAfter);
  const double cpuMs =
      (cpuAfter.tv_sec - cpuBefore.tv_sec) * 1e3 + (cpuAfter.tv_nsec - cpuBefore.tv_nsec) / 1e6;

  EXPECT_EQ(code, std::uint32_t{EIO});
  EXPECT_LT(MillisecondsSince(start), 3000);
  EXPECT_LT(cpuMs, 150.0);

  // Every later transfer fails the same way instead of returning 0 for ever.
  SetTimeouts(0, 0, 200);
  EXPECT_EQ(RaisedCode([&] { port.Read(buffer, 1); }), std::uint32_t{EIO});
  EXPECT_EQ(RaisedCode([&] { port.Write("x", 1); }), std::uint32_t{EIO});
}

}  // namespace
}  // namespace vindrel
