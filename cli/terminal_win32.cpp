#include <windows.h>

#include "cli/gps_replay_command.h"

namespace vindrel {

// A console is a character device; a pipe or a file is not.
bool StandardErrorIsTerminal() {
  return GetFileType(GetStdHandle(STD_ERROR_HANDLE)) == FILE_TYPE_CHAR;
}

}  // namespace vindrel
