#include "tools/virtual_tracker/tracker_line.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <system_error>

namespace vindrel {

void UniqueFd::Reset() {
  if (fd >= 0) {
    ::close(fd);
    fd = -1;
  }
}

namespace {

[[noreturn]] void ThrowErrno(const std::string& what) {
  throw std::system_error(errno, std::generic_category(), what);
}

// Raw bytes both ways: no echo, no line editing, no CR/LF translation. Without this a fresh
// pseudo-terminal echoes the tracker's own bytes back to it until the utility has set its mode.
void MakeRaw(int fd, bool setSpeed) {
  termios tio{};
  if (::tcgetattr(fd, &tio) != 0) {
    if (errno == ENOTTY) return;  // a plain file or FIFO: nothing to set
    ThrowErrno("tcgetattr");
  }
  ::cfmakeraw(&tio);
  tio.c_cflag |= CLOCAL | CREAD;
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
  if (setSpeed) {
    tio.c_cflag &= ~(CSTOPB | PARENB | CRTSCTS);
    ::cfsetispeed(&tio, B4800);
    ::cfsetospeed(&tio, B4800);
  }
  if (::tcsetattr(fd, TCSANOW, &tio) != 0) ThrowErrno("tcsetattr");
}

}  // namespace

TrackerLine OpenPseudoTerminal() {
  TrackerLine line;
  line.fd = UniqueFd(::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC));
  if (!line.fd) ThrowErrno("posix_openpt");
  if (::grantpt(line.fd.Get()) != 0) ThrowErrno("grantpt");
  if (::unlockpt(line.fd.Get()) != 0) ThrowErrno("unlockpt");
  char name[128];
  if (int rc = ::ptsname_r(line.fd.Get(), name, sizeof name); rc != 0) {
    throw std::system_error(rc, std::generic_category(), "ptsname_r");
  }
  line.clientPath = name;
  line.slaveHold = UniqueFd(::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC));
  if (!line.slaveHold) ThrowErrno("open " + line.clientPath);
  MakeRaw(line.slaveHold.Get(), false);
  const int flags = ::fcntl(line.fd.Get(), F_GETFL);
  if (flags < 0 || ::fcntl(line.fd.Get(), F_SETFL, flags | O_NONBLOCK) != 0) ThrowErrno("fcntl");
  return line;
}

TrackerLine OpenTrackerDevice(const std::string& path) {
  TrackerLine line;
  line.fd = UniqueFd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
  if (!line.fd) ThrowErrno("open " + path);
  MakeRaw(line.fd.Get(), true);
  line.clientPath = path;
  return line;
}

}  // namespace vindrel
