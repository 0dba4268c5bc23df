// The settings file loader over any content, as JSON and as an image.

#include "settings/settings_file.h"
#include "tests/fuzz/fuzz_check.h"

using namespace vindrel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  for (const char* name : {"fuzz.json", "fuzz.bin"}) {
    const TrackerSettings before{"BEFORE"};
    TrackerSettings loaded = before, again;
    if (LoadSettingsFromBytes(name, {reinterpret_cast<const char*>(data), size}, loaded)) {
      fuzz::Check(loaded == before, "a file with a problem changes nothing");
      continue;
    }
    fuzz::Check(!CheckSettings(loaded), "a file that loads holds only values within the limits");
    // What loads saves and loads back; a JSON file as the same record.
    fuzz::Check(!LoadSettingsFromBytes(name, SettingsFileBytes(name, loaded), again) &&
                    (again == loaded || IsImageFileName(name)),
                "a saved file loads, a JSON file unchanged");
  }
  return 0;
}
