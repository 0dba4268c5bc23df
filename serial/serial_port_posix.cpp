#include "serial/serial_port.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <optional>

#include "serial/port_names.h"
#include "serial/read_plan.h"
#include "serial/termios_mapping.h"

namespace vindrel {
namespace {

using Clock = std::chrono::steady_clock;  // CLOCK_MONOTONIC: immune to clock changes
using Milliseconds = std::chrono::milliseconds;

// How long FlushOutput waits for the output queue to empty beyond the time its bytes need on the
// line: under flow control the queue may never empty.
constexpr Milliseconds kDrainGrace{2000};

// Closes a descriptor on every path that does not hand it over.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) {
      ::close(fd_);
    }
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }
  int release() { return std::exchange(fd_, -1); }

 private:
  int fd_;
};

// The descriptor of an open port; a closed port fails as a system call on it would.
int RequireOpen(std::intptr_t handle) {
  if (handle < 0) {
    RaiseSerialError(EBADF);
  }
  return static_cast<int>(handle);
}

// The poll() time-out for a deadline: -1 without one, rounded up so poll never wakes before it.
int PollTimeout(std::optional<Clock::time_point> deadline) {
  if (!deadline) {
    return -1;
  }
  const auto left = *deadline - Clock::now();
  if (left <= Clock::duration::zero()) {
    return 0;
  }
  const auto ms = std::chrono::ceil<Milliseconds>(left).count();
  return static_cast<int>(std::min<decltype(ms)>(ms, INT_MAX));
}

// Waits until fd is ready for events or the deadline passes. Returns false at the deadline.
// A hang-up (the other end of a pseudo-terminal closed, an adapter unplugged) raises EIO instead
// of reporting readiness that would make the caller spin.
bool WaitReady(int fd, short events, std::optional<Clock::time_point> deadline) {
  for (;;) {
    const int timeout = PollTimeout(deadline);
    pollfd p{fd, events, 0};
    const int ready = ::poll(&p, 1, timeout);
    if (ready < 0) {
      if (errno == EINTR) {
        continue;  // the deadline stays where it was; only the time left is recomputed
      }
      RaiseSerialError();
    }
    if (ready == 0) {
      if (timeout == 0) {
        return false;
      }
      continue;  // woke early (rounding): look at the clock again
    }
    if ((p.revents & POLLNVAL) != 0) {
      RaiseSerialError(EBADF);
    }
    if ((p.revents & events) != 0) {
      return true;
    }
    RaiseSerialError(EIO);  // POLLHUP or POLLERR without the readiness asked for
  }
}

}  // namespace

void CSerialPort::OpenDevice(int portNumber) {
  const std::string path = PortDevicePath(portNumber, deviceDirectory);
  if (path.empty()) {
    RaiseSerialError(ENOENT);
  }
  // O_NONBLOCK: open must not wait for carrier, and reads are paced by poll(), not the driver.
  Descriptor fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
  if (fd.get() < 0) {
    RaiseSerialError();
  }
  // Exclusive use before any change of settings. flock keeps out cooperating programs (and root,
  // whom TIOCEXCL does not stop); TIOCEXCL keeps out programs that open without locking.
  if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
    RaiseSerialError(errno == EWOULDBLOCK ? EBUSY : 0);
  }
  if (::ioctl(fd.get(), TIOCEXCL) != 0) {
    RaiseSerialError();
  }

  // USB adapters hold received bytes for up to 16 ms unless asked for low latency; the tracker
  // protocol is a long series of single-byte round trips. Drivers without the setting refuse it
  // in one of several ways, none of which matters.
  serial_struct serial{};
  savedSerialFlags = -1;
  if (::ioctl(fd.get(), TIOCGSERIAL, &serial) == 0 && (serial.flags & ASYNC_LOW_LATENCY) == 0) {
    const int original = serial.flags;
    serial.flags |= ASYNC_LOW_LATENCY;
    if (::ioctl(fd.get(), TIOCSSERIAL, &serial) == 0) {
      savedSerialFlags = original;
    } else if (errno != ENOTTY && errno != EINVAL && errno != EPERM) {
      RaiseSerialError();
    }
  }
  deviceHandle = fd.release();
}

void CSerialPort::CloseDevice() noexcept {
  if (deviceHandle == kInvalidHandle) {
    return;
  }
  const int fd = static_cast<int>(deviceHandle);
  if (savedSerialFlags != -1) {
    serial_struct serial{};
    if (::ioctl(fd, TIOCGSERIAL, &serial) == 0) {
      serial.flags = (serial.flags & ~ASYNC_LOW_LATENCY) | (savedSerialFlags & ASYNC_LOW_LATENCY);
      ::ioctl(fd, TIOCSSERIAL, &serial);
    }
    savedSerialFlags = -1;
  }
  ::ioctl(fd, TIOCNXCL);
  ::close(fd);  // also releases the flock
  deviceHandle = kInvalidHandle;
  overlappedMode = false;
}

std::uint32_t CSerialPort::ReadDevice(void* buffer, std::uint32_t count) {
  const int fd = RequireOpen(deviceHandle);
  auto* bytes = static_cast<unsigned char*>(buffer);
  const auto start = Clock::now();
  const ReadPlan plan(timeouts, count, start);

  std::uint32_t done = 0;
  Clock::time_point lastByte = start;
  while (done < count) {
    if (plan.firstBytesOnly && done > 0) {
      break;
    }
    const auto deadline = plan.Deadline(done, lastByte);
    if (!WaitReady(fd, POLLIN, deadline)) {
      break;
    }
    const ssize_t n = ::read(fd, bytes + done, count - done);
    if (n > 0) {
      done += static_cast<std::uint32_t>(n);
      lastByte = Clock::now();
    } else if (n == 0) {
      // Readable but nothing to read: the line is gone. Waiting again would spin.
      RaiseSerialError(EIO);
    } else if (errno != EINTR && errno != EAGAIN) {
      RaiseSerialError();
    }
  }
  return done;
}

std::uint32_t CSerialPort::WriteDevice(const void* buffer, std::uint32_t count) {
  const int fd = RequireOpen(deviceHandle);
  const auto* bytes = static_cast<const unsigned char*>(buffer);
  std::optional<Clock::time_point> deadline;
  if (timeouts.WriteTotalTimeoutMultiplier != 0 || timeouts.WriteTotalTimeoutConstant != 0) {
    deadline =
        DeadlineAfter(Clock::now(), std::uint64_t{timeouts.WriteTotalTimeoutMultiplier} * count +
                                        timeouts.WriteTotalTimeoutConstant);
  }
  std::uint32_t done = 0;
  while (done < count) {
    const ssize_t n = ::write(fd, bytes + done, count - done);
    if (n > 0) {
      done += static_cast<std::uint32_t>(n);
      continue;
    }
    if (n < 0 && errno != EAGAIN && errno != EINTR) {
      RaiseSerialError();
    }
    if (!WaitReady(fd, POLLOUT, deadline)) {
      break;
    }
  }
  return done;
}

void CSerialPort::GetDeviceLineSettings(LineSettings& settings) {
  termios attributes{};
  if (::tcgetattr(RequireOpen(deviceHandle), &attributes) != 0) {
    RaiseSerialError();
  }
  TermiosToLineSettings(attributes, settings);
}

void CSerialPort::SetDeviceLineSettings(const LineSettings& settings) {
  const int fd = RequireOpen(deviceHandle);
  termios attributes{};
  if (::tcgetattr(fd, &attributes) != 0) {
    RaiseSerialError();
  }
  if (const int refused = LineSettingsToTermios(settings, attributes); refused != 0) {
    RaiseSerialError(static_cast<std::uint32_t>(refused));
  }
  if (::tcsetattr(fd, TCSANOW, &attributes) != 0) {
    RaiseSerialError();
  }
  termios applied{};
  if (::tcgetattr(fd, &applied) != 0) {
    RaiseSerialError();
  }
  if (!SameLineAttributes(attributes, applied)) {
    RaiseSerialError(EINVAL);
  }
}

void CSerialPort::FlushDevice() {
  const int fd = RequireOpen(deviceHandle);
  termios attributes{};
  if (::tcgetattr(fd, &attributes) != 0) {
    RaiseSerialError();
  }
  LineSettings line;
  TermiosToLineSettings(attributes, line);
  const auto start = Clock::now();
  std::optional<Clock::time_point> deadline;
  for (;;) {
    int queued = 0;
    if (::ioctl(fd, TIOCOUTQ, &queued) != 0) {
      RaiseSerialError();
    }
    if (queued <= 0) {
      break;
    }
    // About ten bits a byte on the line; allow for that, plus a grace period, from the first look.
    const auto onLine = Milliseconds(std::uint64_t{10'000} * static_cast<unsigned>(queued) /
                                         std::max<std::uint32_t>(line.BaudRate, 50) +
                                     1);
    if (!deadline) {
      deadline = start + onLine + kDrainGrace;
    }
    const auto now = Clock::now();
    if (now >= *deadline) {
      // The line is held back (flow control, a stuck adapter): tcdrain could wait for ever, and
      // claiming the bytes were sent would be a lie.
      RaiseSerialError(ETIMEDOUT);
    }
    const auto pause = std::clamp<Clock::duration>(onLine, Milliseconds(1), Milliseconds(50));
    const auto wait = std::min<Clock::duration>(pause, *deadline - now);
    const timespec ts{0, static_cast<long>(std::chrono::nanoseconds(wait).count())};
    ::nanosleep(&ts, nullptr);
  }
  // The queue is empty; this only waits for the last character to leave the shift register.
  while (::tcdrain(fd) != 0) {
    if (errno != EINTR) RaiseSerialError();
  }
}

void CSerialPort::PurgeDevice(std::uint32_t flags) {
  const int fd = RequireOpen(deviceHandle);
  if ((flags & ~(kPurgeTxAbort | kPurgeRxAbort | kPurgeTxClear | kPurgeRxClear)) != 0) {
    RaiseSerialError(EINVAL);
  }
  // The abort flags have nothing to do here: Read and Write never leave an operation pending.
  const bool tx = (flags & kPurgeTxClear) != 0;
  const bool rx = (flags & kPurgeRxClear) != 0;
  if (tx || rx) {
    const int queue = tx && rx ? TCIOFLUSH : (tx ? TCOFLUSH : TCIFLUSH);
    if (::tcflush(fd, queue) != 0) {
      RaiseSerialError();
    }
  }
}

void CSerialPort::SetDeviceQueueSizes(std::uint32_t inputSize, std::uint32_t outputSize) {
  RequireOpen(deviceHandle);
  inputQueueSize = inputSize;
  outputQueueSize = outputSize;
}

void CSerialPort::GetDeviceTimeouts(SerialTimeouts& settings) {
  RequireOpen(deviceHandle);
  settings = timeouts;
}

void CSerialPort::SetDeviceTimeouts(const SerialTimeouts& settings) {
  RequireOpen(deviceHandle);
  timeouts = settings;
}

}  // namespace vindrel
