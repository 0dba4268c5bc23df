#include "serial/serial_exception.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

namespace vindrel {

// The only place where GetLastError becomes what a CSerialException carries.
void RaiseSerialError(std::uint32_t code) {
  if (code == 0) {
    code = ::GetLastError();
  }
  throw CSerialException(code);
}

SerialErrorKind ClassifySerialError(std::uint32_t errorCode) {
  switch (errorCode) {
    case ERROR_FILE_NOT_FOUND:  // no such COM number, or its adapter is unplugged
    case ERROR_PATH_NOT_FOUND:
      return SerialErrorKind::Missing;
    case ERROR_ACCESS_DENIED:  // Windows' answer when another program has the port open
      return SerialErrorKind::Busy;
    default:
      return SerialErrorKind::Other;
  }
}

bool CSerialException::GetErrorText(char* text, unsigned capacity, unsigned* helpContext) const {
  if (helpContext != nullptr) {
    *helpContext = 0;
  }
  // FORMAT_MESSAGE_IGNORE_INSERTS: some system texts hold "%1"-style inserts, and without
  // arguments to fill them FormatMessageA would read arguments that were never passed.
  char* message = nullptr;
  DWORD length = ::FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, errorCode, MAKELANGID(LANG_NEUTRAL, SUBLANG_SYS_DEFAULT),
      reinterpret_cast<char*>(&message), 0, nullptr);
  // The system ends its texts with a line break, which would show as an empty line in a box.
  while (length > 0 && (message[length - 1] == '\n' || message[length - 1] == '\r')) {
    --length;
  }
  if (text != nullptr && capacity > 0) {
    const std::size_t copied = std::min<std::size_t>(length, capacity - 1);
    if (copied > 0) {
      std::memcpy(text, message, copied);
    }
    text[copied] = '\0';
  }
  if (message != nullptr) {
    ::LocalFree(message);
  }
  return length > 0;
}

}  // namespace vindrel
