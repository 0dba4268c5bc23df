#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "serial/com_device_win32.h"

namespace vindrel::test {

// While alive, the serial backend's CreateFileA calls go to answer instead of the system, for the
// cases wine cannot show (a port another program holds) and to see what the backend asks for.
// answer returns a handle, or INVALID_HANDLE_VALUE after SetLastError, as CreateFileA does.
struct CreateFileStandIn {
  using Answer = std::function<HANDLE(const std::string& name)>;

  explicit CreateFileStandIn(Answer answer) : answer(std::move(answer)) {
    current = this;
    comCreateFile = &Call;
  }
  ~CreateFileStandIn() { comCreateFile = ::CreateFileA; }

  // An answer that fails every open with error.
  static Answer Failing(DWORD error) {
    return [error](const std::string&) {
      ::SetLastError(error);
      return INVALID_HANDLE_VALUE;
    };
  }

  static HANDLE WINAPI Call(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                            DWORD disposition, DWORD flags, HANDLE model) {
    current->names.push_back(name);
    current->asWanted = current->asWanted && access == (GENERIC_READ | GENERIC_WRITE) &&
                        share == 0 && !security && disposition == OPEN_EXISTING && flags == 0 &&
                        !model;
    return current->answer(name);
  }

  Answer answer;
  std::vector<std::string> names;  // of every call, in order
  bool asWanted = true;  // every call: read and write, no sharing, an existing device, no flags
  static inline CreateFileStandIn* current = nullptr;
};

}  // namespace vindrel::test
