#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace vindrel {

// Replaces the content of the file at path, whole or not at all. A symbolic link is followed to
// the file it names (the link stays a link); an existing file keeps its permissions; the new
// content is on the disk (flushed, its folder too) before it takes the old content's place,
// through a temporary file beside it, so that a full disk or a power cut never leaves half a
// file. The system's reason when it could not; the old file then stays as it was.
std::optional<std::string> ReplaceFileContent(const std::filesystem::path& path,
                                              std::string_view content);

namespace detail {
// The platform's halves: a new file temporary holding content, flushed to the disk, with the
// permissions of target when that exists; then temporary renamed over target, durably.
std::error_code WriteDurably(const std::filesystem::path& temporary, std::string_view content,
                             const std::filesystem::path& target);
std::error_code RenameDurably(const std::filesystem::path& temporary,
                              const std::filesystem::path& target);
}  // namespace detail

}  // namespace vindrel
