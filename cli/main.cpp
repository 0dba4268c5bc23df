// vindrel: the tracker's settings, tones, squelch and GPS simulation from the command line.

#include <iostream>

#include "cli/vindrel.h"
#include "emulator/tracker_emulator.h"
#include "serial/in_process_device.h"

int main(int argc, char** argv) {
  // The tracker inside the program, to try everything without hardware.
  vindrel::RegisterInProcessPort(
      {vindrel::kVirtualTrackerName, vindrel::kVirtualTrackerDescription,
       std::make_shared<vindrel::InProcessDeviceOf<vindrel::TrackerEmulator>>()});
  return vindrel::RunVindrel(argc, argv, std::cin, std::cout, std::cerr);
}
