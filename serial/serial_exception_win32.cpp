#include "serial/serial_exception.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>

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
  // arguments to fill them FormatMessageW would read arguments that were never passed. Wide,
  // then UTF-8: the program's texts are UTF-8 on both platforms, whatever the code page.
  wchar_t* message = nullptr;
  DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, errorCode, MAKELANGID(LANG_NEUTRAL, SUBLANG_SYS_DEFAULT),
      reinterpret_cast<wchar_t*>(&message), 0, nullptr);
  // The system ends its texts with a line break, which would show as an empty line in a box.
  while (length > 0 && (message[length - 1] == L'\n' || message[length - 1] == L'\r')) {
    --length;
  }
  std::string utf8;
  if (length > 0) {
    const int size = static_cast<int>(length);
    utf8.resize(static_cast<std::size_t>(
        ::WideCharToMultiByte(CP_UTF8, 0, message, size, nullptr, 0, nullptr, nullptr)));
    ::WideCharToMultiByte(CP_UTF8, 0, message, size, utf8.data(), static_cast<int>(utf8.size()),
                          nullptr, nullptr);
  }
  if (message != nullptr) {
    ::LocalFree(message);
  }
  if (text != nullptr && capacity > 0) {
    std::size_t copied = std::min<std::size_t>(utf8.size(), capacity - 1);
    // Whole characters only: no UTF-8 sequence is cut in two.
    while (copied > 0 && copied < utf8.size() && (utf8[copied] & 0xC0) == 0x80) --copied;
    std::memcpy(text, utf8.data(), copied);
    text[copied] = '\0';
  }
  return length > 0;
}

}  // namespace vindrel
