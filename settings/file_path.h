#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace vindrel {

// The path that a file name in UTF-8 (the command line's, the file dialog's) names, as the file
// system takes it: the bytes as they are on Linux, UTF-16 on Windows, where a narrow name would
// pass through the ANSI code page and lose or change what that cannot show.
std::filesystem::path FilePath(const std::string& fileName);

// A path as messages show it, in UTF-8: the way back of FilePath. (path.string() would give the
// ANSI code page on Windows, and fail for a character it cannot show.)
std::string PathText(const std::filesystem::path& path);

// Why Windows would open another file than fileName names, nullopt when it would not: a piece of
// the path that ends in a dot or a blank (Windows drops them) or that is a device name (CON, PRN,
// AUX, NUL, COM0-9, LPT0-9, CONIN$, CONOUT$, with any extension, in any case).
std::optional<std::string> WindowsNameProblem(std::string_view fileName);

// The problem this platform's file system has with fileName: WindowsNameProblem on Windows,
// none on Linux, where every such name is a file of its own.
std::optional<std::string> FileNameProblem(std::string_view fileName);

}  // namespace vindrel
