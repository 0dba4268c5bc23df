// The program as a user starts it: it shows its dialog, says what it has to say in boxes
// captioned with its own file name, and the process ends when the dialog closes. The benchmark
// hook (VINDREL_BENCH_ROOT) keeps discovery inside a temporary tree and answers every box.

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>

namespace vindrel {
namespace {

namespace fs = std::filesystem;

TEST(ApplicationShell, ShowsItsDialogEndsWithItAndCaptionsItsBoxesWithItsOwnBaseName) {
  const fs::path root = fs::temp_directory_path() / ("vindrel-e2e-" + std::to_string(::getpid()));
  const struct {
    const char* copy;  // the executable copied under this name; null: the built one itself
    const char *expected, *absent;
  } cases[] = {
      {nullptr, "dialog painted after", "message box"},  // with a port: nothing to say
      {"mijn-tracker.bin",
       "message box \"mijn-tracker\": Er zijn geen serieele poorten beschikbaar op dit systeem",
       ".bin\""},
  };
  for (const auto& c : cases) {
    fs::remove_all(root);
    fs::create_directories(root / "dev");
    fs::create_directories(root / "sys" / "class" / "tty");
    fs::path executable = VINDREL_CONFIG_EXE;
    if (c.copy) {
      executable = root / c.copy;
      fs::copy_file(VINDREL_CONFIG_EXE, executable);
    } else {
      fs::create_symlink("/dev/null", root / "dev" / "ttyV0");
    }
    const std::string command = "env QT_QPA_PLATFORM=offscreen VINDREL_BENCH_ROOT='" +
                                root.string() + "' '" + executable.string() + "' 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    std::array<char, 256> buffer;
    while (std::fgets(buffer.data(), buffer.size(), pipe)) output += buffer.data();
    const int status = ::pclose(pipe);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << output;
    EXPECT_NE(output.find(c.expected), std::string::npos) << output;
    EXPECT_EQ(output.find(c.absent), std::string::npos) << output;
  }
  fs::remove_all(root);
}

}  // namespace
}  // namespace vindrel
