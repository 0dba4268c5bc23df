#include "emulator/tracker_emulator.h"
#include "gui/qt/config_app.h"
#include "serial/in_process_device.h"

int main(int argc, char** argv) {
  // The tracker inside the program, to try everything without hardware.
  vindrel::RegisterInProcessPort(
      {vindrel::kVirtualTrackerName, vindrel::kVirtualTrackerDescription,
       std::make_shared<vindrel::InProcessDeviceOf<vindrel::TrackerEmulator>>()});
  vindrel::CConfigApp app(argc, argv);
  return app.Run();
}
