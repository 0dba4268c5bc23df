#pragma once

#include <stdlib.h>

#include <filesystem>
#include <stdexcept>
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
  static std::string Make() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vindrel-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    return pattern;
  }
};

}  // namespace vindrel::test
