#pragma once

#include <windows.h>

#include <functional>
#include <utility>

#include "serial/com_device_win32.h"

namespace vindrel::test {

// While alive, the serial backend's CreateFileA calls go to answer instead of the system, for the
// cases wine cannot show (a port another program holds) and to see what the backend asks for.
// answer returns a handle, or INVALID_HANDLE_VALUE after SetLastError, as CreateFileA does.
class CreateFileStandIn {
 public:
  using Answer = std::function<HANDLE(const char* name, DWORD access, DWORD share,
                                      DWORD disposition, DWORD flags)>;

  explicit CreateFileStandIn(Answer answer) {
    Current() = std::move(answer);
    comCreateFile = &Call;
  }
  ~CreateFileStandIn() {
    comCreateFile = ::CreateFileA;
    Current() = nullptr;
  }
  CreateFileStandIn(const CreateFileStandIn&) = delete;
  CreateFileStandIn& operator=(const CreateFileStandIn&) = delete;

  // An answer that fails every open with error.
  static Answer Failing(DWORD error) {
    return [error](const char*, DWORD, DWORD, DWORD, DWORD) {
      ::SetLastError(error);
      return INVALID_HANDLE_VALUE;
    };
  }

 private:
  static Answer& Current() {
    static Answer answer;
    return answer;
  }
  static HANDLE WINAPI Call(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES,
                            DWORD disposition, DWORD flags, HANDLE) {
    return Current()(name, access, share, disposition, flags);
  }
};

}  // namespace vindrel::test
