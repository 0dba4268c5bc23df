#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include "tests/support/temp_dir.h"

namespace vindrel::test {

// A pseudo-terminal whose master side plays the other end of the line. The peer keeps a slave
// descriptor of its own, so the line stays up between the port's opens. The slave is reachable as
// port 161 through the link ttyV0 in Devices(), the directory to give SetDeviceDirectory.
class PtyPeer {
 public:
  static constexpr int kPortNumber = 161;

  PtyPeer() : master_(::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC)) {
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0 ||
        (slave_ = ::open(::ptsname(master_), O_RDWR | O_NOCTTY | O_CLOEXEC)) < 0) {
      HangUp();
      throw std::runtime_error("no pseudo-terminal");
    }
    termios raw{};  // no echo of what the peer sends before the port is opened
    ::tcgetattr(slave_, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(slave_, TCSANOW, &raw);
    std::filesystem::create_symlink(::ptsname(master_), devices_.path + "/ttyV0");
  }
  ~PtyPeer() { HangUp(); }

  const std::string& Devices() const { return devices_.path; }

  void Send(const std::string& bytes) const {
    ASSERT_EQ(::write(master_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }

  // Bytes the port has written so far; waits up to two seconds for at least count of them.
  std::string Received(std::size_t count = 0) const {
    std::string all;
    char chunk[256];
    for (pollfd p{master_, POLLIN, 0}; ::poll(&p, 1, all.size() < count ? 2000 : 0) == 1;) {
      const ssize_t n = ::read(master_, chunk, sizeof chunk);
      if (n <= 0) break;
      all.append(chunk, static_cast<std::size_t>(n));
    }
    return all;
  }

  // The line holds back everything the port writes (as a UART does while CTS is low) until
  // ReleaseLine; the port's writes then end short at their time-out.
  void HoldLine() const { ::tcflow(slave_, TCOOFF); }
  void ReleaseLine() const { ::tcflow(slave_, TCOON); }

  // The other end goes away, as when an adapter is unplugged.
  void HangUp() {
    if (master_ >= 0) ::close(master_);
    if (slave_ >= 0) ::close(slave_);
    master_ = slave_ = -1;
  }

 private:
  TempDir devices_;
  int master_;
  int slave_ = -1;
};

}  // namespace vindrel::test
