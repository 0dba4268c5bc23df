#pragma once

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <iterator>
#include <stdexcept>
#include <string>

namespace vindrel::test {

// A temporary directory, removed with everything in it.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vindrel-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
      throw std::runtime_error("mkdtemp failed");
    }
    path_ = pattern;
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

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
    slavePath_ = ::ptsname(master_);
    std::filesystem::create_directory_symlink(slavePath_, devices_.Path() / "ttyV0");
  }
  ~PtyPeer() { HangUp(); }

  const std::string& SlavePath() const { return slavePath_; }
  std::string Devices() const { return devices_.Path().string(); }

  void Send(const std::string& bytes) const {
    if (::write(master_, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
      throw std::runtime_error("write to master failed");
    }
  }

  // Bytes the port has written so far, without waiting.
  std::string Received() const {
    std::string all;
    char chunk[256];
    const int flags = ::fcntl(master_, F_GETFL);
    ::fcntl(master_, F_SETFL, flags | O_NONBLOCK);
    for (ssize_t n; (n = ::read(master_, chunk, sizeof chunk)) > 0;) {
      all.append(chunk, static_cast<std::size_t>(n));
    }
    ::fcntl(master_, F_SETFL, flags);
    return all;
  }

  // The other end goes away, as when an adapter is unplugged.
  void HangUp() {
    for (int* fd : {&master_, &slave_}) {
      if (*fd >= 0) {
        ::close(*fd);
      }
      *fd = -1;
    }
  }

 private:
  TempDir devices_;
  int master_;
  int slave_ = -1;
  std::string slavePath_;
};

// Descriptors the process has open now.
inline long OpenDescriptorCount() {
  return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {});
}

}  // namespace vindrel::test
