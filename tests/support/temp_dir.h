#pragma once

#include <filesystem>
#include <random>
#include <string>

namespace vindrel::test {

// A fresh directory under the system's temporary directory, removed with everything in it. Tests
// point device and sys directories here, so none of them ever reaches a real serial port.
struct TempDir {
  TempDir() : path(Make()) {}
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string path;

 private:
  // A name nobody holds yet: create_directory is false when the folder already exists.
  static std::string Make() {
    for (std::random_device random;;) {
      auto path = std::filesystem::temp_directory_path() / ("vindrel-" + std::to_string(random()));
      if (std::filesystem::create_directory(path)) return path.string();
    }
  }
};

}  // namespace vindrel::test
