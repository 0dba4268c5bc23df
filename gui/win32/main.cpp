#include "emulator/tracker_emulator.h"
#include "gui/win32/config_app.h"
#include "serial/in_process_device.h"

int main() {
  // The tracker inside the program, to try everything without hardware.
  vindrel::RegisterInProcessPort(
      {vindrel::kVirtualTrackerName, vindrel::kVirtualTrackerDescription,
       std::make_shared<vindrel::InProcessDeviceOf<vindrel::TrackerEmulator>>()});
  vindrel::CConfigApp app;
  return app.Run();
}
