#pragma once

#include <string>
#include <utility>

namespace vindrel {

// An owned file descriptor, closed when it goes out of scope.
class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd(fd) {}
  ~UniqueFd() { Reset(); }
  UniqueFd(UniqueFd&& other) noexcept : fd(std::exchange(other.fd, -1)) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
      Reset();
      fd = std::exchange(other.fd, -1);
    }
    return *this;
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;

  int Get() const { return fd; }
  explicit operator bool() const { return fd >= 0; }
  void Reset();

 private:
  int fd = -1;
};

// The tracker's end of the line: a non-blocking descriptor it reads and writes, and the path that
// the utility opens.
struct TrackerLine {
  UniqueFd fd;
  // A pseudo-terminal's slave, held open by the tracker itself: without it the master sees a
  // hang-up every time the utility closes its port, and the slave's settings would be lost.
  UniqueFd slaveHold;
  std::string clientPath;
};

// A new pseudo-terminal in raw mode. Throws std::system_error.
TrackerLine OpenPseudoTerminal();

// An existing device, in raw mode at 4800 baud 8N1 when it is a terminal. Throws
// std::system_error.
TrackerLine OpenTrackerDevice(const std::string& path);

}  // namespace vindrel
