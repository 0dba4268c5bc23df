#include "serial/serial_exception.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string_view>

namespace vindrel {

// The browser's serial errors reach here as the errno codes serial_port_web.cpp chose for them.
void RaiseSerialError(std::uint32_t code) {
  if (code == 0) {
    code = static_cast<std::uint32_t>(errno);
  }
  throw CSerialException(code);
}

SerialErrorKind ClassifySerialError(std::uint32_t errorCode) {
  switch (errorCode) {
    case ENODEV:  // the browser no longer offers the port: unplugged, or its permission revoked
      return SerialErrorKind::Missing;
    case EBUSY:  // the port would not open: another program (or another tab) holds it
      return SerialErrorKind::Busy;
    default:
      return SerialErrorKind::Other;
  }
}

bool CSerialException::GetErrorText(char* text, unsigned capacity, unsigned* helpContext) const {
  if (helpContext != nullptr) {
    *helpContext = 0;
  }
  // The C library here answers a code it does not know with this text instead of none.
  constexpr std::string_view kNoText = "No error information";
  const char* message = errorCode <= 0x7FFFFFFF ? std::strerror(static_cast<int>(errorCode)) : "";
  const bool known = message != nullptr && *message != '\0' && message != kNoText;
  if (text == nullptr || capacity == 0) {
    return known;
  }
  const std::size_t length = known ? std::min<std::size_t>(std::strlen(message), capacity - 1) : 0;
  std::memcpy(text, message, length);
  text[length] = '\0';
  return known;
}

}  // namespace vindrel
