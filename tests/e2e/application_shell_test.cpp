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

struct ProcessRun {
  int exitStatus = -1;
  std::string output;
};

ProcessRun Start(const fs::path& executable, const fs::path& root) {
  const std::string command = "env QT_QPA_PLATFORM=offscreen VINDREL_BENCH_ROOT='" + root.string() +
                              "' '" + executable.string() + "' 2>&1";
  ProcessRun run;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return run;
  std::array<char, 256> buffer;
  while (std::fgets(buffer.data(), buffer.size(), pipe)) run.output += buffer.data();
  const int status = ::pclose(pipe);
  run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

class ApplicationShell : public ::testing::Test {
 protected:
  ApplicationShell() {
    fs::create_directories(root / "dev");
    fs::create_directories(root / "sys" / "class" / "tty");
  }
  ~ApplicationShell() override {
    std::error_code ignored;
    fs::remove_all(root, ignored);
  }

  const fs::path root =
      fs::temp_directory_path() / ("vindrel-e2e-" + std::to_string(::getpid()) + "-" +
                                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
};

TEST_F(ApplicationShell, StartsShowsItsDialogAndEndsWithIt) {
  fs::create_symlink("/dev/null", root / "dev" / "ttyV0");
  const ProcessRun run = Start(VINDREL_CONFIG_EXE, root);
  EXPECT_EQ(run.exitStatus, 0) << run.output;
  EXPECT_NE(run.output.find("dialog painted after"), std::string::npos) << run.output;
  EXPECT_EQ(run.output.find("message box"), std::string::npos) << run.output;
}

TEST_F(ApplicationShell, ARenamedCopyCaptionsItsBoxesWithItsOwnName) {
  const fs::path copy = root / "mijn-tracker.bin";
  fs::copy_file(VINDREL_CONFIG_EXE, copy);
  fs::permissions(copy, fs::perms::owner_exec, fs::perm_options::add);
  // No ports in the tree: the start-up says so.
  const ProcessRun run = Start(copy, root);
  EXPECT_EQ(run.exitStatus, 0) << run.output;
  EXPECT_NE(run.output.find("message box \"mijn-tracker\": Er zijn geen serieele poorten "
                            "beschikbaar op dit systeem"),
            std::string::npos)
      << run.output;
}

}  // namespace
}  // namespace vindrel
