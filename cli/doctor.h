#pragma once

#include <iosfwd>
#include <optional>

#include "cli/port_argument.h"
#include "protocol/port_examination.h"

namespace vindrel {

// vindrel doctor: examines port (every port present when nullopt; its device directory stands in
// for the roots' one) and the programs known to take serial adapters, one line per finding to out.
// kExitDone when a tracker answered on a port examined, kExitNoAnswer otherwise.
int RunDoctor(std::ostream& out, const std::optional<PortArgument>& port,
              ExaminationRoots roots = {});

}  // namespace vindrel
