#include "settings/file_replace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace vindrel::detail {

namespace {

std::error_code LastError() { return {errno, std::generic_category()}; }

// Closes the descriptor when it goes out of scope.
struct Descriptor {
  explicit Descriptor(int fd) : fd(fd) {}
  ~Descriptor() {
    if (fd >= 0) ::close(fd);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int fd;
};

}  // namespace

std::error_code WriteDurably(const std::filesystem::path& temporary, std::string_view content,
                             const std::filesystem::path& target) {
  struct stat old {};
  const bool replacing = ::stat(target.c_str(), &old) == 0;
  const Descriptor file(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
  if (file.fd < 0) return LastError();
  // The old file's permissions, not the umask's: a file kept private stays private.
  if (replacing && ::fchmod(file.fd, old.st_mode & 07777) != 0) return LastError();
  for (std::size_t done = 0; done < content.size();) {
    const ssize_t n = ::write(file.fd, content.data() + done, content.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return LastError();
    done += static_cast<std::size_t>(n);
  }
  if (::fsync(file.fd) != 0) return LastError();
  return {};
}

std::error_code RenameDurably(const std::filesystem::path& temporary,
                              const std::filesystem::path& target) {
  if (::rename(temporary.c_str(), target.c_str()) != 0) return LastError();
  // The rename itself lives in the folder: flush it too, or a power cut may bring the old back.
  const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
  const Descriptor directory(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (directory.fd >= 0) ::fsync(directory.fd);
  return {};
}

}  // namespace vindrel::detail
