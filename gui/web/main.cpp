#include "emulator/tracker_emulator.h"
#include "gui/web/config_page.h"
#include "serial/in_process_device.h"

int main() {
  // The tracker inside the page, to try everything without hardware (and in browsers without
  // serial ports).
  vindrel::RegisterInProcessPort(
      {vindrel::kVirtualTrackerName, vindrel::kVirtualTrackerDescription,
       std::make_shared<vindrel::InProcessDeviceOf<vindrel::TrackerEmulator>>()});
  // The page keeps nothing between visits but the port: no history of images read.
  vindrel::ConfigDialogOptions options;
  options.applicationName = "vindrel-config";
  options.backupFolder.clear();
  vindrel::CConfigPage(std::move(options)).Run();
  return 0;
}
