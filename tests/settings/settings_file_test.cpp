#include "settings/settings_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "settings/settings_block.h"

namespace vindrel {
namespace {

namespace fs = std::filesystem;

std::string Json(const std::string& fields) {
  return R"({"format": "vindrel-settings", "version": 1, )" + fields + "}";
}

// Problems of the file's frame; those of single fields are in the command-line tests.
TEST(SettingsFile, FrameProblemsNameTheFileAndChangeNothing) {
  const std::string all = SettingsFileBytes("x.json", TrackerSettings{});
  const std::size_t at = all.find("\"settings\"");
  const std::string fields = all.substr(at, all.rfind('}') - at);
  const std::pair<std::string, std::string> cases[] = {
      {"[1, 2]", "a.json: not a settings file"},
      {Json(R"("comment": "x", )" + fields), "a.json: comment: unknown field"},
      {R"({"format": "vindrel-settings", "version": 1})", "a.json: settings: missing"},
      {R"({"version": 1, )" + fields + "}", "a.json: format: missing"},
      {R"({"format": "vindrel-settings", "version": "1", )" + fields + "}",
       "a.json: version: must be 1"},
      {Json(R"("settings": [])"), "a.json: settings: must be an object"},
      // Valid fields before a bad one are not kept either.
      {Json(R"("settings": {"callsign": "X", "beaconInterval": -5000000000})"),
       "a.json: beaconInterval: Please enter an integer between 1 and 20."},
  };
  TrackerSettings settings;
  settings.callsign = "KEEP";
  const TrackerSettings before = settings;
  for (const auto& [content, message] : cases) {
    const std::optional<std::string> problem = LoadSettingsFromBytes("a.json", content, settings);
    EXPECT_EQ(problem.value_or("").substr(0, message.size()), message) << content;
    EXPECT_EQ(settings, before) << content;
  }
  const SettingsBlock image = EncodeSettingsBlock(TrackerSettings{});
  EXPECT_EQ(LoadSettingsFromBytes("A.BIN", std::string(image.begin(), image.end()), settings),
            std::nullopt);
  EXPECT_EQ(settings, TrackerSettings{});
}

TEST(SettingsFile, SavingReplacesTheFileWholeAndLeavesNoTemporaryFile) {
  const fs::path folder =
      fs::temp_directory_path() / ("vindrel-save-" + std::to_string(::getpid()));
  fs::create_directories(folder);
  const std::string target = (folder / "s.json").string();
  std::ofstream(target) << "old content that is longer than nothing";
  TrackerSettings settings;
  settings.statusText = "\xE9t\xE9";
  ASSERT_EQ(SaveSettingsFile(target, settings), std::nullopt);
  TrackerSettings loaded;
  EXPECT_EQ(LoadSettingsFile(target, loaded), std::nullopt);
  EXPECT_EQ(loaded, settings);
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);

  const std::string nowhere = (folder / "missing" / "s.bin").string();
  EXPECT_EQ(SaveSettingsFile(nowhere, settings), nowhere + ": No such file or directory");
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
  fs::remove_all(folder);
}

}  // namespace
}  // namespace vindrel
