#pragma once

#include <dirent.h>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

namespace vindrel::test {

// An owned descriptor.
class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd() { Reset(); }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int Get() const { return fd_; }
  void Reset(int fd = -1) {
    if (fd_ >= 0) {
      ::close(fd_);
    }
    fd_ = fd;
  }

 private:
  int fd_;
};

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
    if (master_.Get() < 0 || ::grantpt(master_.Get()) != 0 || ::unlockpt(master_.Get()) != 0) {
      throw std::runtime_error("no pseudo-terminal");
    }
    slavePath_ = ::ptsname(master_.Get());
    slave_.Reset(::open(slavePath_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (slave_.Get() < 0) {
      throw std::runtime_error("cannot open " + slavePath_);
    }
    std::filesystem::create_directory_symlink(slavePath_, devices_.Path() / "ttyV0");
  }

  int Master() const { return master_.Get(); }
  const std::string& SlavePath() const { return slavePath_; }
  std::string Devices() const { return devices_.Path().string(); }

  void Send(const std::string& bytes) const {
    if (::write(master_.Get(), bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
      throw std::runtime_error("write to master failed");
    }
  }

  // Bytes the port has written so far, without waiting.
  std::string Received() const {
    std::string all;
    char chunk[256];
    const int flags = ::fcntl(master_.Get(), F_GETFL);
    ::fcntl(master_.Get(), F_SETFL, flags | O_NONBLOCK);
    for (ssize_t n; (n = ::read(master_.Get(), chunk, sizeof chunk)) > 0;) {
      all.append(chunk, static_cast<std::size_t>(n));
    }
    ::fcntl(master_.Get(), F_SETFL, flags);
    return all;
  }

  // The other end goes away, as when an adapter is unplugged.
  void HangUp() {
    master_.Reset();
    slave_.Reset();
  }

 private:
  TempDir devices_;
  Fd master_;
  Fd slave_;
  std::string slavePath_;
};

// Descriptors the process has open now.
inline int OpenDescriptorCount() {
  int count = 0;
  if (DIR* dir = ::opendir("/proc/self/fd")) {
    while (::readdir(dir) != nullptr) {
      ++count;
    }
    ::closedir(dir);
  }
  return count;
}

}  // namespace vindrel::test
