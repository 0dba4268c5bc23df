#include "serial/serial_exception.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

namespace vindrel {

// The only place where errno becomes what a CSerialException carries.
void RaiseSerialError(std::uint32_t code) {
  if (code == 0) {
    code = static_cast<std::uint32_t>(errno);
  }
  throw CSerialException(code);
}

SerialErrorKind ClassifySerialError(std::uint32_t errorCode) {
  switch (errorCode) {
    case ENOENT:  // no device file
    case ENODEV:  // a device file whose driver has no device (an unplugged adapter's old node)
    case ENXIO:   // a board UART that is not fitted, a Bluetooth port not bound
      return SerialErrorKind::Missing;
    case EACCES:
    case EPERM:
      return SerialErrorKind::Refused;
    case EBUSY:  // TIOCEXCL, and the flock refusal the backend maps to it
      return SerialErrorKind::Busy;
    default:
      return SerialErrorKind::Other;
  }
}

bool CSerialException::GetErrorText(char* text, unsigned capacity, unsigned* helpContext) const {
  if (helpContext != nullptr) {
    *helpContext = 0;
  }
  // strerrordesc_np, unlike strerror, returns null for a code glibc has no message for instead of
  // inventing "Unknown error N", and it is not translated: the text is the same on every machine.
  const char* message = errorCode <= static_cast<std::uint32_t>(INT_MAX)
                            ? strerrordesc_np(static_cast<int>(errorCode))
                            : nullptr;
  if (text == nullptr || capacity == 0) {
    return message != nullptr;
  }
  if (message == nullptr) {
    text[0] = '\0';
    return false;
  }
  const std::size_t length = std::min<std::size_t>(std::strlen(message), capacity - 1);
  std::memcpy(text, message, length);
  text[length] = '\0';
  return true;
}

}  // namespace vindrel
