#include "settings/settings_file.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "settings/file_path.h"
#include "settings/settings_block.h"
#include "tests/support/temp_dir.h"

namespace vindrel {
namespace {

// Problems of the file's frame; those of single fields are in the command-line tests.
TEST(SettingsFile, FrameProblemsNameTheFileAndChangeNothing) {
  const std::string all = SettingsFileBytes("x.json", TrackerSettings{});
  const std::string fields = all.substr(all.find("\"settings\""));  // to the end
  const std::string head = R"({"format": "vindrel-settings", "version": 1, )";
  const std::pair<std::string, std::string> cases[] = {
      {"[1, 2]", "a.json: not a settings file"},
      {head + R"("comment": "x", )" + fields, "a.json: comment: unknown field"},
      {R"({"format": "vindrel-settings", "version": 1})", "a.json: settings: missing"},
      {R"({"version": 1, )" + fields, "a.json: format: missing"},
      {R"({"format": "vindrel-settings", "version": "1", )" + fields, "a.json: version: must be 1"},
      {head + R"("settings": []})", "a.json: settings: must be an object"},
      // Valid fields before a bad one are not kept either.
      {head + R"("settings": {"callsign": "X", "beaconInterval": -5000000000}})",
       "a.json: beaconInterval: not an integer between 1 and 20"},
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
  const test::TempDir folder;
  auto files = [&] {
    return std::ranges::distance(std::filesystem::directory_iterator(folder.path));
  };
  const std::string target = folder.path + "/s.json";
  std::ofstream(target) << "old content that is longer than nothing";
  TrackerSettings settings, loaded;
  settings.statusText = "\xE9t\xE9";
  ASSERT_EQ(SaveSettingsFile(target, settings), std::nullopt);
  EXPECT_EQ(LoadSettingsFile(target, loaded), std::nullopt);
  EXPECT_EQ(loaded, settings);
  EXPECT_EQ(files(), 1);
  const std::string nowhere = folder.path + "/missing/s.bin";
  EXPECT_EQ(SaveSettingsFile(nowhere, settings).value_or("").rfind(nowhere + ": ", 0), 0u);
  EXPECT_EQ(files(), 1);

  // Through a symbolic link: the file it names gets the content and keeps its mode.
  const std::string link = folder.path + "/link.json";
  std::error_code noLinks;  // wine makes none
  std::filesystem::create_symlink("s.json", link, noLinks);
  if (noLinks) return;
  std::filesystem::permissions(
      target, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  settings.statusText = "via de link";
  ASSERT_EQ(SaveSettingsFile(link, settings), std::nullopt);
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(LoadSettingsFile(target, loaded), std::nullopt);
  EXPECT_EQ(loaded.statusText, "via de link");
  EXPECT_EQ(std::filesystem::status(target).permissions() & std::filesystem::perms::all,
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  EXPECT_EQ(files(), 2);
}

// The tracker's texts are Latin-1 bytes; files and the terminal get UTF-8, at the ends of the
// ASCII and of the two-byte ranges too.
TEST(TextCoding, Latin1AndUtf8BothWaysAtTheEdges) {
  EXPECT_EQ(Latin1ToUtf8("\x7F\x80\xBF\xC0\xFF"), "\x7F\xC2\x80\xC2\xBF\xC3\x80\xC3\xBF");
  EXPECT_EQ(Utf8ToLatin1("\x7F\xC2\x80\xC3\xBF"), "\x7F\x80\xFF");
  EXPECT_EQ(Utf8ToLatin1("\xC4\x80"), std::nullopt);  // U+0100 has no Latin-1 byte
}

// Names Windows would turn into another file's (in any folder piece), and near misses it keeps.
TEST(FileNames, WindowsNameProblemFindsTrailingDotsAndBlanksAndDeviceNames) {
  for (const char* name :
       {"t.bin.", "t.json ", "dir./a.json", "a /b.json", "NUL", "nul.json", "con", "Com1.bin",
        "LPT9", "aux .txt", "sub\\PRN.json", "COM\xC2\xB9.json", "conout$"}) {
    EXPECT_TRUE(WindowsNameProblem(name)) << name;
  }
  for (const char* name : {"backup.json", "./a.json", "../a.json", "C:\\x\\t.bin", ".hidden",
                           "COM10.json", "console.json", "nul2.json", "LPT.bin", "COMA"}) {
    EXPECT_FALSE(WindowsNameProblem(name)) << name;
  }
}

}  // namespace
}  // namespace vindrel
