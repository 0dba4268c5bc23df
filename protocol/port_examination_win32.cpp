#include "protocol/port_examination.h"

#include <windows.h>
// windows.h first: the configuration manager builds on it.
#include <cfgmgr32.h>

#include <algorithm>
#include <cctype>

#include "serial/com_device_win32.h"
#include "serial/in_process_device.h"
#include "serial/port_names.h"

namespace vindrel {

namespace {

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

}  // namespace

std::string ExaminedPortName(int portNumber, const ExaminationRoots&) {
  const std::string inProcess = InProcessPortName(portNumber);
  return inProcess.empty() ? PortDisplayName(portNumber) : inProcess;
}

// Windows does not tell which program holds a COM port.
std::string PortHolders(const std::string&, const ExaminationRoots&) { return {}; }

std::vector<Finding> ExamineIntruders(const ExaminationRoots&) {
  std::vector<Finding> findings;
  ForEachPortDevice([&](HDEVINFO devices, SP_DEVINFO_DATA& device, const std::string&) {
    const std::string name = DeviceProperty(devices, device, SPDRP_FRIENDLYNAME);
    const std::string id = Upper(DeviceProperty(devices, device, SPDRP_HARDWAREID));
    ULONG status = 0, problem = 0;
    const bool stopped =
        CM_Get_DevNode_Status(&status, &problem, device.DevInst, 0) == CR_SUCCESS && problem != 0;
    // Drivers of the copied chips say so in the name they give the device (Prolific's "PHASED
    // OUT ... CONTACT YOUR SUPPLIER"), or refuse to start it; FTDI's set the product id to 0.
    const std::string upper = Upper(name);
    if (stopped || upper.find("PHASED OUT") != std::string::npos ||
        upper.find("SUPPLIER") != std::string::npos ||
        id.find("VID_0403&PID_0000") != std::string::npos) {
      findings.push_back(
          {Verdict::Problem,
           name + " (" + id + "): het stuurprogramma weigert deze adapter" +
               (stopped ? " (probleemcode " + std::to_string(problem) + ")" : std::string()) +
               ". Vaak is dat een nagemaakte chip die een nieuw stuurprogramma niet meer "
               "aanneemt: installeer een ouder stuurprogramma, of gebruik een andere adapter."});
    }
  });
  return findings;
}

}  // namespace vindrel
