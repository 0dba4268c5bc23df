#include <unistd.h>

#include "cli/gps_replay_command.h"

namespace vindrel {

bool StandardErrorIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

}  // namespace vindrel
