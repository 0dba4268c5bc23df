#include "cli/doctor.h"

#include <ostream>

#include "cli/vindrel.h"
#include "serial/port_discovery.h"

namespace vindrel {

int RunDoctor(std::ostream& out, const std::optional<PortArgument>& port, ExaminationRoots roots) {
  PortNumberList ports;
  if (port) {
    roots.ports.deviceDirectory = port->deviceDirectory;
    ports.push_back(static_cast<std::uint32_t>(port->number));
  } else {
    DiscoverSerialPorts(ports, roots.ports);
  }
  bool answered = false;
  for (const std::uint32_t number : ports) {
    const PortExamination examined = ExaminePort(static_cast<int>(number), roots);
    out << FormatFindings(ExaminedPortName(static_cast<int>(number), roots), examined.findings);
    answered = answered || examined.answered;
  }
  std::vector<Finding> system = ExamineIntruders(roots);
  if (ports.empty()) {
    system.insert(
        system.begin(),
        {Verdict::Problem,
         "Er zijn geen serieele poorten beschikbaar op dit systeem. Sluit de adapter aan."});
  }
  out << FormatFindings("systeem", system);
  return answered ? kExitDone : kExitNoAnswer;
}

}  // namespace vindrel
