#pragma once

#include <iosfwd>

#include "serial/port_discovery.h"

namespace vindrel {

// Exit codes of the vindrel command.
enum VindrelExit : int {
  kExitDone = 0,
  kExitNoAnswer = 1,  // the tracker did not answer, verify found differences, check --strict advice
  kExitUsage = 2,
  kExitSerialError = 3,   // the port is missing, busy, refused, or failed while in use
  kExitBadInput = 4,      // a bad settings file or value; nothing was sent
  kExitOutputFailed = 5,  // standard output or an output file could not be written
};

// The whole vindrel command (ports are discovered under roots when -p is not given): parses argv,
// runs the command and returns its exit code. Results go to out, messages and the --trace of the
// line to err; squelch reads its Enter from in.
int RunVindrel(int argc, const char* const* argv, std::istream& in, std::ostream& out,
               std::ostream& err, const PortDiscoveryRoots& roots = {});

// The parse alone: argv and the values it gives (-p, FIELD=VALUE) checked as RunVindrel checks
// them, without reading a file or touching a port. The exit code RunVindrel would give a bad
// command line, kExitDone for a sound one. Safe to feed any argv (a fuzz target's entry).
int CheckVindrelArguments(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

}  // namespace vindrel
