// The settings file loader over any content, as JSON and as an image.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "settings/settings_file.h"
#include "tests/fuzz/fuzz_check.h"

using namespace vindrel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view content(reinterpret_cast<const char*>(data), size);
  for (const char* name : {"fuzz.json", "fuzz.bin"}) {
    TrackerSettings before;
    before.callsign = "BEFORE";
    TrackerSettings loaded = before;
    if (LoadSettingsFromBytes(name, content, loaded)) {
      fuzz::Check(loaded == before, "a file with a problem changes nothing");
      continue;
    }
    fuzz::Check(!CheckSettings(loaded), "a file that loads holds only values within the limits");
    // What loads saves and loads back as the same record.
    TrackerSettings again;
    fuzz::Check(!LoadSettingsFromBytes(name, SettingsFileBytes(name, loaded), again),
                "a saved file loads");
    fuzz::Check(again == loaded || IsImageFileName(name), "a saved JSON file loads unchanged");
  }
  return 0;
}
