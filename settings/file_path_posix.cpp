#include "settings/file_path.h"

namespace vindrel {

// Linux file names are bytes; UTF-8 is what the user's locale gives them.
std::filesystem::path FilePath(const std::string& fileName) { return fileName; }

std::optional<std::string> FileNameProblem(std::string_view) { return std::nullopt; }

}  // namespace vindrel
