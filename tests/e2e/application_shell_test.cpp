// The program as a user starts it: it shows its dialog, says what it has to say in boxes
// captioned with its own file name, and the process ends when the dialog closes. The benchmark
// hook (VINDREL_BENCH_ROOT) keeps discovery inside a temporary tree and answers every box.

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "../support/bounded_process.h"

namespace vindrel {
namespace {

namespace fs = std::filesystem;

// Copied under another name into a machine without ports: the start-up box carries that name
// without its extension, the dialog is painted, and the process ends with its dialog.
TEST(ApplicationShell, ShowsItsDialogEndsWithItAndCaptionsItsBoxesWithItsOwnBaseName) {
  const fs::path root = fs::temp_directory_path() / ("vindrel-e2e-" + std::to_string(::getpid()));
  fs::remove_all(root);
  fs::create_directories(root / "dev");
  fs::create_directories(root / "sys" / "class" / "tty");
  const fs::path executable = root / "mijn-tracker.bin";
  fs::copy_file(VINDREL_CONFIG_EXE, executable);
  const std::string command = "env QT_QPA_PLATFORM=offscreen VINDREL_BENCH_ROOT='" + root.string() +
                              "' '" + executable.string() + "' 2>&1";
  test::BoundedProcess program(command, std::chrono::seconds(30));
  const std::string output = program.Rest();
  const int status = program.Wait();
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << output;
  for (const char* said : {"message box \"mijn-tracker\": Er zijn geen serieele poorten beschikbaar"
                           " op dit systeem\n",
                           "dialog painted after"}) {
    EXPECT_NE(output.find(said), std::string::npos) << output;
  }
  fs::remove_all(root);
}

}  // namespace
}  // namespace vindrel
