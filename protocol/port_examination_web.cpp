#include "protocol/port_access.h"
#include "protocol/port_examination.h"
#include "serial/port_names.h"

namespace vindrel {

// The browser shows the page no device files, no other programs and no groups: a refused or held
// port is all it can say, and that it says when the port does not open.

DeviceAccess ReadDeviceAccess(const std::string&) { return {}; }

std::string ExaminedPortName(int portNumber, const ExaminationRoots&) {
  return PortDisplayName(portNumber);
}

std::string PortHolders(const std::string&, const ExaminationRoots&) { return {}; }

std::vector<Finding> ExamineIntruders(const ExaminationRoots&) { return {}; }

}  // namespace vindrel
