#include "settings/file_replace.h"

#include <cerrno>
#include <random>
#include <system_error>

namespace vindrel {

namespace {

namespace fs = std::filesystem;

// As many links as the system itself follows before it calls it a loop.
constexpr int kMostLinks = 40;

// The file that path names once every symbolic link on the way is followed; a link that points
// nowhere yet names the file to create.
std::error_code FollowLinks(fs::path& path) {
  for (int hops = 0; hops < kMostLinks; ++hops) {
    std::error_code error;
    if (!fs::is_symlink(path, error)) return {};
    const fs::path target = fs::read_symlink(path, error);
    if (error) return error;
    path = target.is_absolute() ? target : path.parent_path() / target;
  }
  return std::make_error_code(std::errc::too_many_symbolic_link_levels);
}

}  // namespace

std::optional<std::string> ReplaceFileContent(const fs::path& path, std::string_view content) {
  fs::path target = path;
  if (const std::error_code error = FollowLinks(target)) return error.message();
  // A name of our own beside the target: a rename only replaces within one file system.
  fs::path temporary = target;
  temporary += ".tmp-" + std::to_string(std::random_device()());
  std::error_code error = detail::WriteDurably(temporary, content, target);
  if (!error) error = detail::RenameDurably(temporary, target);
  if (!error) return std::nullopt;
  std::error_code ignored;
  fs::remove(temporary, ignored);
  return error.message();
}

}  // namespace vindrel
